// The "TestConnection" request: can a conventional CAD server's design
// database be logged in to? Progress goes to standard output, one line per
// step, each led by the request's label.
#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid.hpp>
#include <boost/uuid/uuid_io.hpp>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>

#include "DRAVOWrapperLogin.h"
#include "DravoException.h"
#include "SQLUtilities.h"
#include "Shapejob.h"

namespace CAD {

namespace {

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// `text` with its control characters written as escapes ("\n", "\x1b"), so
// that label, host or database texts cannot start a line of their own.
std::string Escaped(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    const char* named = c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : nullptr;
    if (named != nullptr) {
      escaped += named;
    } else if (IsControl(c)) {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02x", static_cast<unsigned int>(static_cast<unsigned char>(c)));
      escaped += code;
    } else {
      escaped += c;
    }
  }
  return escaped;
}

// The line end that closes a framework's error text ("...\r\n") ends the
// line anyway, with nothing after it: it is kept as the framework wrote it.
std::size_t ClosingLineEnd(const std::string& text) {
  std::size_t at = text.size();
  while (at > 0 && (text[at - 1] == '\n' || text[at - 1] == '\r')) --at;
  return at;
}

class RequestOutput {
 public:
  explicit RequestOutput(const QK_TString& label) : prefix_("[" + Escaped(label.str()) + "] - ") {}
  void Line(const QK_TString& text) const {
    const std::string& raw = text.str();
    const std::size_t end = ClosingLineEnd(raw);
    std::cout << prefix_ << Escaped(raw.substr(0, end)) << raw.substr(end) << std::endl;
  }
  // Writes each line it is given, for the data-source changes' reports.
  SQLUtilities::Report Lines() const {
    return [this](const QK_TString& line) { Line(line); };
  }

 private:
  std::string prefix_;
};

// The request's configuration tree `key`; a request without one (or with
// a text there) is refused, naming the key and what it should carry.
const QK_TTree& RequestTree(const QK_TDict& request, const char* key, const char* meaning) {
  const QK_TAny* tree = request.Find(key);
  if (tree == nullptr || !tree->Is(QK_TAny::Kind::Tree)) {
    QK_THROW(QK_EException(QK_TString::Format(
        "TestConnection request %s %s (%s)", tree == nullptr ? "without" : "with no tree as", key, meaning)));
  }
  return tree->AsTree();
}

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
    SQLUtilities::RemoveTemporaryDataSource(record, name, false, output.Lines());
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

  const QK_TTree& serverTree = RequestTree(request, "P2", "the server's configuration tree");
  const QK_TTree& systemTree = RequestTree(request, "P3", "the system's configuration tree");
  const RequestOutput output(request.Get("P1").ToText());
  const CadServerConfig record = ReadServerConfigFromTrees(systemTree, serverTree);
  output.Line(QK_TString("Host ") + QK_TString(record.host));
  output.Line(QK_TString("Database ") + QK_TString(record.database));
  output.Line(QK_TString("Port ") + QK_TString(record.port));

  // Every way out below answers, and removes the data source it created.
  QK_TString dataSourceName;
  if (record.dbms != Dbms::kNone) {
    output.Line("Creating temporary ODBC Data Source ");
    try {
      SQLUtilities::CreateTemporaryDataSource(record, dataSourceName, RandomDataSourceName(), false,
                                              output.Lines());
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
