#include "Model/FolvaneCADDatabaseConnection.h"

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <utility>
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

// Characters that would end a value of a connection string early, or
// smuggle in another attribute.
const std::string kConnectionStringBreakers(";{}\0", 4);

// The connection string for the data source, user and password. The login
// opens the data source's database as it is: the SQLite driver would
// otherwise create a missing database file, and the login would seem to
// succeed on an empty database. A value that cannot be put into the string
// as it is leaves `text` empty and names itself in `refused`.
bool ConnectionString(const QK_TString& dataSource, const QK_TString& user, const QK_TString& password,
                      std::string& text, QK_TString& refused) {
  const std::pair<const char*, const QK_TString*> values[] = {
      {"DSN", &dataSource}, {"UID", &user}, {"PWD", &password}};
  text.clear();
  for (const auto& [key, value] : values) {
    if (value->str().find_first_of(kConnectionStringBreakers) != std::string::npos) {
      refused = QK_TString::Format("the %s holds a character that a connection string cannot carry", key);
      text.clear();
      return false;
    }
    text += std::string(key) + "=" + value->str() + ";";
  }
  text += "NoCreat=1";
  return true;
}

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
  std::string text;
  if (!ConnectionString(dataSource, user, password, text, error_)) {
    SQLFreeHandle(SQL_HANDLE_DBC, connection);
    return;
  }
  const SQLRETURN result = SQLDriverConnect(connection, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                            SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
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
