// The login to a conventional installation's design database, for the
// conventional driver and for the task's own login checks; and the freeing
// of a framework exception that reaches code outside the automation layer.
// Nothing here needs the automation headers of its callers: the framework
// exceptions are caught, converted and deleted in DRAVOWrapperLogin.cpp.
#pragma once

#include <utility>

#include "QK_TString.h"

namespace CAD {

class ConnectionDispatch;

// The messages of the DravoRuntimeException that a framework failure of
// the login becomes, by the kind of framework exception: one the connection
// object raised (a dispatch exception), or any other (the object could not
// be created, the call did not reach it). Most callers give one message for
// both.
struct LoginFailureMessages {
  // Not explicit: a caller with one message for both kinds passes the text.
  LoginFailureMessages(const char* message) : dispatch(message), other(message) {}
  LoginFailureMessages(QK_TString dispatchFailure, QK_TString otherFailure)
      : dispatch(std::move(dispatchFailure)), other(std::move(otherFailure)) {}

  QK_TString dispatch;
  QK_TString other;
};

// Creates the design database's connection object ("Quillmarsh.Connection.1")
// into `connection` and logs in to the data source `dataSourceName`. True when
// the database accepted the login, false when it refused it. A framework
// failure of the creation or the login throws DravoRuntimeException (thrown
// from DRAVOWrapperLogin.cpp) with the message `failure` gives its kind and
// the failure's text as data (DravoRuntimeExceptionFromDispatch/FromOle); the
// framework exception is deleted. The call runs in the thread's automation
// apartment, entered for it and left again on return; the connection object
// stays with the caller, who releases it before leaving its own apartment.
bool LogInToDesignDatabase(ConnectionDispatch& connection, const QK_TString& dataSourceName,
                           const LoginFailureMessages& failure);

// The same with a connection object of its own, released before the
// apartment is left: for a check that keeps no connection.
bool LogInToDesignDatabase(const QK_TString& dataSourceName, const LoginFailureMessages& failure);

// Call only inside a catch block: deletes the exception being handled when
// it is a framework exception pointer (CException* or a subclass), which
// must not outlive its catcher; any other exception is left alone.
void DeleteCaughtFrameworkException();

}  // namespace CAD
