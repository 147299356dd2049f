#include "DRAVOWrapperLogin.h"

#include "DRAVOWrapperCommon.h"
#include "DRAVOWrapperDispatch.h"
#include "DravoException.h"

namespace CAD {

bool LogInToDesignDatabase(ConnectionDispatch& connection, const QK_TString& dataSourceName,
                           const LoginFailureMessages& failure) {
  ComApartment apartment;
  apartment.Enter();
  try {
    CreateDispatchOrThrow(connection, L"Quillmarsh.Connection.1");
    return connection.Login(dataSourceName) == 0;
  } catch (COleDispatchException* caught) {
    // Framework exceptions must not travel on as pointers: they become the
    // program's own.
    QK_THROW(DravoRuntimeExceptionFromDispatch(failure.dispatch, caught));
  } catch (CException* caught) {
    QK_THROW(DravoRuntimeExceptionFromOle(failure.other, caught));
  }
}

bool LogInToDesignDatabase(const QK_TString& dataSourceName, const LoginFailureMessages& failure) {
  // Entered before the connection object is made, so that the object is
  // released inside it.
  ComApartment apartment;
  apartment.Enter();
  ConnectionDispatch connection;
  return LogInToDesignDatabase(connection, dataSourceName, failure);
}

void DeleteCaughtFrameworkException() {
  try {
    throw;
  } catch (CException* caught) {
    caught->Delete();
  } catch (...) {
  }
}

}  // namespace CAD
