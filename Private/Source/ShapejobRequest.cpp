// The "TestConnection" request: can a conventional CAD server's design
// database be logged in to? Progress goes to standard output, one line per
// step, each led by the request's label.
#include <iostream>
#include <mutex>

#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid.hpp>
#include <boost/uuid/uuid_io.hpp>

#include "DRAVOWrapperLogin.h"
#include "DravoException.h"
#include "SQLUtilities.h"
#include "Shapejob.h"

namespace CAD {

namespace {

class RequestOutput {
 public:
  explicit RequestOutput(QK_TString label) : label_(std::move(label)) {}
  void Line(const QK_TString& text) const { std::cout << "[" << label_ << "] - " << text << std::endl; }

 private:
  QK_TString label_;
};

// A fresh random name of 32 lower-case hexadecimal digits.
QK_TString RandomDataSourceName() {
  boost::uuids::random_generator generator;
  return QK_TString(boost::uuids::to_string(generator())).Replace("-", "");
}

// The login to the design database; true when it succeeded. Framework
// failures are written out, led by the kind of framework exception, and
// count as a failed test.
bool TryLogin(const RequestOutput& output, const QK_TString& dataSourceName) {
  try {
    const bool success =
        LogInToDesignDatabase(dataSourceName, LoginFailureMessages("COleDispatchException", "CException"));
    output.Line(success ? "Login Success " : "Login Failed ");
    return success;
  } catch (const DravoRuntimeException& e) {
    output.Line(e.QK_Message() + " " + e.QK_Data().ToText());
  }
  return false;
}

void RemoveDataSource(const RequestOutput& output, const CadServerConfig& record, const QK_TString& name) {
  if (name.Empty()) return;
  output.Line(QK_TString("Removing temporary ODBC Data Source ") + name);
  try {
    SQLUtilities::RemoveTemporaryDataSource(record, name, false);
    output.Line(QK_TString("Removed temporary ODBC Data Source ") + name);
  } catch (const QK_EException& e) {
    output.Line(QK_TString("Exception ") + e.Describe());
    output.Line(QK_TString("Please try to remove the temporary ODBC Data Source ") + name +
                " with: odbcinst -u -s -n " + name);
  }
}

}  // namespace

void HandleRequest(const QK_TDict& request, QK_TAny& reply) {
  const QK_TAny* method = request.Find("M");
  if (method == nullptr || !method->Is(QK_TAny::Kind::String) || method->AsString() != "TestConnection") return;

  const RequestOutput output(request.Get("P1").ToText());
  const CadServerConfig record = ReadServerConfigFromTrees(request.Get("P3").AsTree(), request.Get("P2").AsTree());
  output.Line(QK_TString("Host ") + QK_TString(record.host));
  output.Line(QK_TString("Database ") + QK_TString(record.database));
  output.Line(QK_TString("Port ") + QK_TString(record.port));

  // Every way out below answers, and removes the data source it created.
  QK_TString dataSourceName;
  if (record.dbms != Dbms::kNone) {
    output.Line("Creating temporary ODBC Data Source ");
    try {
      SQLUtilities::CreateTemporaryDataSource(record, dataSourceName, RandomDataSourceName(), false);
    } catch (const QK_EException& e) {
      output.Line(QK_TString("Exception ") + e.Describe());
      reply = QK_TAny(false);
      return;
    }
    output.Line(QK_TString("Created temporary ODBC Data Source  ") + dataSourceName);
  }

  // The login and the removal run under the run mutex, apart from tickets;
  // whatever happens, the data source goes and the answer is given.
  std::lock_guard<std::mutex> lock(RunMutex());
  reply = QK_TAny(false);
  try {
    // An enterprise server has no design database of its own to log in to.
    reply = QK_TAny(!IsEnterpriseServer(record) && TryLogin(output, dataSourceName));
  } catch (...) {
    RemoveDataSource(output, record, dataSourceName);
    throw;
  }
  RemoveDataSource(output, record, dataSourceName);
}

}  // namespace CAD
