#include "Model/FolvaneCADDatabaseConnection.h"

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>


namespace FolvaneCAD {

namespace {

// The driver's diagnostic of a failed call, as one line.
QK_TString Diagnostic(SQLSMALLINT handleType, SQLHANDLE handle) {
  SQLCHAR state[8] = {};
  SQLCHAR message[512] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  if (SQLGetDiagRec(handleType, handle, 1, state, &native, message, sizeof message, &length) != SQL_SUCCESS) {
    return QK_TString("unknown database error");
  }
  return QK_TString::Format("[%s] %s", reinterpret_cast<char*>(state), reinterpret_cast<char*>(message));
}

bool Succeeded(SQLRETURN result) { return result == SQL_SUCCESS || result == SQL_SUCCESS_WITH_INFO; }

}  // namespace

DatabaseConnection::DatabaseConnection(const QK_TString& dataSource, const QK_TString& user,
                                       const QK_TString& password) {
  SQLHENV environment = SQL_NULL_HENV;
  SQLHDBC connection = SQL_NULL_HDBC;
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment))) {
    error_ = "cannot start the ODBC driver manager";
    return;
  }
  environment_ = environment;
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection))) {
    error_ = Diagnostic(SQL_HANDLE_ENV, environment);
    return;
  }
  if (dataSource.Empty()) {
    error_ = "no data source given";
    SQLFreeHandle(SQL_HANDLE_DBC, connection);
    return;
  }
  std::string name = dataSource.str();
  std::string userName = user.str();
  std::string secret = password.str();
  const SQLRETURN result =
      SQLConnect(connection, reinterpret_cast<SQLCHAR*>(name.data()), SQL_NTS, reinterpret_cast<SQLCHAR*>(userName.data()),
                 SQL_NTS, reinterpret_cast<SQLCHAR*>(secret.data()), SQL_NTS);
  if (!Succeeded(result)) {
    error_ = Diagnostic(SQL_HANDLE_DBC, connection);
    SQLFreeHandle(SQL_HANDLE_DBC, connection);
    return;
  }
  connection_ = connection;
}

DatabaseConnection::~DatabaseConnection() {
  if (connection_ != nullptr) {
    SQLDisconnect(static_cast<SQLHDBC>(connection_));
    SQLFreeHandle(SQL_HANDLE_DBC, static_cast<SQLHDBC>(connection_));
  }
  if (environment_ != nullptr) SQLFreeHandle(SQL_HANDLE_ENV, static_cast<SQLHENV>(environment_));
}

long DatabaseConnection::FindId(const char* sql, const std::vector<QK_TString>& parameters) {
  if (connection_ == nullptr) {
    error_ = "not connected";
    return -1;
  }
  SQLHSTMT statement = SQL_NULL_HSTMT;
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(connection_), &statement))) {
    error_ = Diagnostic(SQL_HANDLE_DBC, static_cast<SQLHDBC>(connection_));
    return -1;
  }
  long id = -1;
  std::vector<std::string> values;
  std::vector<SQLLEN> lengths(parameters.size(), SQL_NTS);
  for (const QK_TString& parameter : parameters) values.push_back(parameter.str());
  bool ok = Succeeded(SQLPrepare(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS));
  for (std::size_t i = 0; ok && i < values.size(); ++i) {
    ok = Succeeded(SQLBindParameter(statement, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, SQL_C_CHAR,
                                    SQL_VARCHAR, values[i].size() + 1, 0, values[i].data(), 0, &lengths[i]));
  }
  ok = ok && Succeeded(SQLExecute(statement));
  if (ok) {
    SQLRETURN fetched = SQLFetch(statement);
    if (Succeeded(fetched)) {
      SQLBIGINT value = 0;
      SQLLEN indicator = 0;
      if (Succeeded(SQLGetData(statement, 1, SQL_C_SBIGINT, &value, sizeof value, &indicator)) &&
          indicator != SQL_NULL_DATA) {
        id = static_cast<long>(value);
      }
    } else if (fetched != SQL_NO_DATA) {
      ok = false;
    }
  }
  if (!ok) error_ = Diagnostic(SQL_HANDLE_STMT, statement);
  SQLFreeHandle(SQL_HANDLE_STMT, statement);
  return id;
}

}  // namespace FolvaneCAD
