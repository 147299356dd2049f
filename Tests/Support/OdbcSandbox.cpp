#include "OdbcSandbox.h"

#include <sql.h>
#include <sqlext.h>

std::string OdbcSandbox::CreateDatabase(const std::string& fileName, const std::string& script) const {
  const std::string path = folder_.File(fileName);
  SQLHENV environment = SQL_NULL_HENV;
  SQLHDBC connection = SQL_NULL_HDBC;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment);
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection);
  std::string text = "DRIVER={SQLite3};Database=" + path;
  SQLRETURN connected = SQLDriverConnect(connection, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
                                         nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(connected)) {
    SQLCHAR state[8] = {};
    SQLCHAR message[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLGetDiagRec(SQL_HANDLE_DBC, connection, 1, state, &native, message, sizeof message, &length);
    ADD_FAILURE() << "cannot open " << path << ": " << state << " " << message;
  }
  // The driver takes no comments: drop the "--" lines first.
  std::stringstream lines(script);
  std::string code;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("--", 0) != 0) code += line + "\n";
  }
  std::stringstream statements(code);
  for (std::string statement; std::getline(statements, statement, ';');) {
    if (statement.find_first_not_of(" \t\r\n") == std::string::npos) continue;
    SQLHSTMT handle = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, connection, &handle);
    EXPECT_TRUE(SQL_SUCCEEDED(SQLExecDirect(handle, reinterpret_cast<SQLCHAR*>(statement.data()), SQL_NTS)))
        << statement;
    SQLFreeHandle(SQL_HANDLE_STMT, handle);
  }
  SQLDisconnect(connection);
  SQLFreeHandle(SQL_HANDLE_DBC, connection);
  SQLFreeHandle(SQL_HANDLE_ENV, environment);
  return path;
}

std::string OdbcSandbox::FirstValue(const std::string& name, const std::string& query) const {
  SQLHENV environment = SQL_NULL_HENV;
  SQLHDBC connection = SQL_NULL_HDBC;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment);
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection);
  std::string value;
  std::string dsn = name;
  if (SQL_SUCCEEDED(SQLConnect(connection, reinterpret_cast<SQLCHAR*>(dsn.data()), SQL_NTS, nullptr, 0, nullptr, 0))) {
    SQLHSTMT statement = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, connection, &statement);
    std::string text = query;
    char column[256] = {};
    SQLLEN length = 0;
    if (SQL_SUCCEEDED(SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS)) &&
        SQL_SUCCEEDED(SQLFetch(statement)) &&
        SQL_SUCCEEDED(SQLGetData(statement, 1, SQL_C_CHAR, column, sizeof column, &length))) {
      value = column;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    SQLDisconnect(connection);
  }
  SQLFreeHandle(SQL_HANDLE_DBC, connection);
  SQLFreeHandle(SQL_HANDLE_ENV, environment);
  return value;
}
