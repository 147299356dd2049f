#include "TW_THost.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>

#include <boost/uuid/uuid.hpp>
#include <boost/uuid/uuid_generators.hpp>
#include <boost/uuid/uuid_io.hpp>

#include "QK_TArray.h"
#include "QK_TXml.h"
#include "TW_TCancel.h"

namespace {

[[noreturn]] void ThrowUnknownElement(const QK_TXmlElement& element, const QK_TXmlElement& parent) {
  QK_THROW(QK_EException(QK_TString::Format("line %u: unknown element <%s> in <%s>", element.line,
                                            element.name.c_str(), parent.name.c_str())));
}

[[noreturn]] void ThrowWrongRoot(const QK_TXmlElement& root, const char* expected, const char* what) {
  QK_THROW(QK_EException(QK_TString::Format("%s root element must be <%s>, found <%s>", what, expected,
                                            root.name.c_str())));
}

// The element's "key" attribute; an element without one cannot be stored.
const QK_TString& RequiredKey(const QK_TXmlElement& element) {
  const QK_TString* key = element.Attribute("key");
  if (key == nullptr || key->Empty()) {
    QK_THROW(QK_EException(QK_TString::Format("line %u: <%s> without a key", element.line,
                                              element.name.c_str())));
  }
  return *key;
}

// The attribute's value, or `fallback` when it is missing or empty.
QK_TString AttributeOr(const QK_TXmlElement& element, const char* name, const QK_TString& fallback) {
  const QK_TString* value = element.Attribute(name);
  return (value == nullptr || value->Empty()) ? fallback : *value;
}

// A path or "file:" URL; a relative one is taken from `folder`.
QK_TURL LocationFrom(const QK_TURL& folder, const QK_TString& text) {
  QK_TURL location(text);
  if (location.LocalName().StartsWith("/")) return location;
  return folder.Child(location.LocalName());
}

// The output's name becomes a file name in the output folder: a name that
// could reach another folder, or that holds a control character, is refused.
void CheckOutputName(const QK_TString& name, unsigned int line) {
  const std::string& text = name.str();
  const char* problem = nullptr;
  if (text.find_first_of("/\\") != std::string::npos) {
    problem = "a folder separator";
  } else if (text.find("..") != std::string::npos) {
    problem = "\"..\"";
  } else {
    for (char c : text) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) problem = "a control character";
    }
  }
  if (problem == nullptr) return;
  QK_THROW(QK_EException(QK_TString::Format("line %u: outputName %s holds %s; it must be a plain file name", line,
                                            TW_THost::JsonQuote(name).c_str(), problem)));
}

QK_TString NewTaskId() {
  return QK_TString(boost::uuids::to_string(boost::uuids::random_generator()()));
}

// A task id names what the task makes outside its output, such as its
// temporary ODBC data source: a UUID (the host's own ids), or 1 to 32
// letters, digits and "-"; not the name of a section that configures ODBC.
bool IsUuid(const std::string& text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

bool IsPlainId(const std::string& text) {
  if (text.empty() || text.size() > 32) return false;
  for (char c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') return false;
  }
  return true;
}

void CheckTaskId(const QK_TString& id, unsigned int line) {
  const char* problem = nullptr;
  const QK_TString upper = id.ToUpper();
  if (!IsUuid(id.str()) && !IsPlainId(id.str())) {
    problem = "must be a UUID or 1 to 32 letters, digits and \"-\"";
  } else if (upper == "ODBC" || upper == "DEFAULT") {
    problem = "is a name that the ODBC configuration keeps for itself";
  }
  if (problem == nullptr) return;
  QK_THROW(QK_EException(
      QK_TString::Format("line %u: the task id %s %s", line, TW_THost::JsonQuote(id).c_str(), problem)));
}

// The typed value of a <Param>.
QK_TAny TypedParamValue(const QK_TXmlElement& param) {
  const QK_TString* type = param.Attribute("type");
  return QK_TXml::TypedValue(param.text, type ? *type : QK_TString(), param.line);
}

void ReadParam(const QK_TXmlElement& param, QK_TDict& into);

QK_TDict ReadDict(const QK_TXmlElement& dict) {
  QK_TDict result;
  for (const QK_TXmlElement& child : dict.children) {
    if (child.name != "Param") ThrowUnknownElement(child, dict);
    ReadParam(child, result);
  }
  return result;
}

QK_TArray ReadArray(const QK_TXmlElement& array) {
  QK_TArray result;
  for (const QK_TXmlElement& child : array.children) {
    if (child.name != "Dict") ThrowUnknownElement(child, array);
    result.Append(QK_TAny(ReadDict(child)));
  }
  return result;
}

// A <Param> holds either text (typed by its "type" attribute) or one <Array>.
void ReadParam(const QK_TXmlElement& param, QK_TDict& into) {
  const QK_TString& key = RequiredKey(param);
  const QK_TXmlElement* array = nullptr;
  for (const QK_TXmlElement& child : param.children) {
    if (child.name != "Array" || array != nullptr) ThrowUnknownElement(child, param);
    array = &child;
  }
  into.Set(key, array ? QK_TAny(ReadArray(*array)) : TypedParamValue(param));
}

}  // namespace

TW_TTicketFile TW_THost::ReadTicketFile(const QK_TURL& file) {
  QK_TXmlElement root = QK_TXml::ParseFile(file);
  if (root.name != "Ticket") ThrowWrongRoot(root, "Ticket", "ticket");
  const QK_TString* action = root.Attribute("action");
  if (action == nullptr || action->Empty()) {
    QK_THROW(QK_EException(QK_TString::Format("line %u: <Ticket> needs an action attribute", root.line)));
  }

  // Paths in the ticket are taken from the ticket's own folder, made absolute
  // so that they stay right whatever the task's current folder is later.
  std::error_code ignored;
  QK_TURL folder = QK_TURL::FromLocalPath(
      QK_TString(std::filesystem::absolute(file.LocalName().str(), ignored).lexically_normal().string()))
                       .Parent();
  TW_TTicketFile result;
  result.actionName = *action;
  TW_TTaskSetup& setup = result.setup;
  const QK_TString* id = root.Attribute("id");
  setup.taskId = (id && !id->Empty()) ? *id : NewTaskId();
  CheckTaskId(setup.taskId, root.line);
  const QK_TString* outputDir = root.Attribute("outputDir");
  setup.outputDir = (outputDir && !outputDir->Empty()) ? LocationFrom(folder, *outputDir) : folder;
  setup.outputName = AttributeOr(root, "outputName", "output");
  CheckOutputName(setup.outputName, root.line);

  QK_TDict parameters;
  for (const QK_TXmlElement& child : root.children) {
    if (child.name == "Input") {
      QK_TString text = child.text.Trim();
      if (text.Empty()) {
        QK_THROW(QK_EException(QK_TString::Format("line %u: empty <Input>", child.line)));
      }
      setup.inputs.push_back(LocationFrom(folder, text));
    } else if (child.name == "Param") {
      ReadParam(child, parameters);
    } else if (child.name == "Name") {
      setup.names.emplace_back(RequiredKey(child), child.text);
    } else {
      ThrowUnknownElement(child, root);
    }
  }
  result.ticket = AT_TTicket(*action, std::move(parameters));
  return result;
}

QK_TDict TW_THost::ReadRequestFile(const QK_TURL& file) {
  QK_TXmlElement root = QK_TXml::ParseFile(file);
  if (root.name != "Request") ThrowWrongRoot(root, "Request", "request");
  QK_TDict request;
  for (const QK_TXmlElement& child : root.children) {
    if (child.name == "Param") {
      request.Set(RequiredKey(child), QK_TAny(child.text));
    } else if (child.name == "Tree") {
      request.Set(RequiredKey(child), QK_TAny(QK_TXml::ReadTree(child)));
    } else {
      ThrowUnknownElement(child, root);
    }
  }
  return request;
}

std::string TW_THost::JsonQuote(const QK_TString& text) {
  std::string quoted = "\"";
  for (char c : text.str()) {
    switch (c) {
      case '"': quoted += "\\\""; break;
      case '\\': quoted += "\\\\"; break;
      case '\n': quoted += "\\n"; break;
      case '\t': quoted += "\\t"; break;
      case '\r': quoted += "\\r"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned int>(c));
          quoted += escape;
        } else {
          quoted += c;  // UTF-8 bytes pass through unchanged
        }
    }
  }
  quoted += '"';
  return quoted;
}

namespace {

// The longest text an event line echoes; ticket and input values can be of
// any length, and a consumer reads the lines whole.
constexpr std::size_t kMaximumEcho = 64u << 10;

// `text`, or its first kMaximumEcho bytes (not splitting a UTF-8 character)
// followed by a mark saying how long it was.
QK_TString Echoed(const QK_TString& text) {
  const std::string& bytes = text.str();
  if (bytes.size() <= kMaximumEcho) return text;
  std::size_t end = kMaximumEcho;
  while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) --end;
  return QK_TString(bytes.substr(0, end) + "...[cut, " + std::to_string(bytes.size()) + " bytes in all]");
}

std::string EchoQuoted(const QK_TString& text) { return TW_THost::JsonQuote(Echoed(text)); }

// A field of an event line that is not always quoted (a key, an output
// context, an output path): bare, or as a JSON string when it holds a
// blank, a control character or a quote (a key made of ticket text, a
// folder named by an input), so that the line still splits into its fields
// and no text can end it and start a line of its own.
std::string Field(const QK_TString& text) {
  const QK_TString echoed = Echoed(text);
  for (char c : echoed.str()) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '"' || c == 0x7f) return TW_THost::JsonQuote(echoed);
  }
  return echoed.str();
}

}  // namespace

void TW_TLinePrinter::Message(int severity, const QK_TString& key, const std::vector<QK_TAny>& arguments) {
  out_ << "message " << severity << ' ' << Field(key);
  for (const QK_TAny& argument : arguments) out_ << ' ' << EchoQuoted(argument.ToText());
  out_ << std::endl;
}

void TW_TLinePrinter::Stage(const QK_TString& key) { out_ << "stage " << Field(key) << std::endl; }

void TW_TLinePrinter::Progress(unsigned int percent) { out_ << "progress " << percent << std::endl; }

void TW_TLinePrinter::Log(const QK_TString& text) {
  out_ << "log " << EchoQuoted(text) << std::endl;
}

void TW_TLinePrinter::Output(const QK_TString& context, const QK_TURL& file) {
  out_ << "output " << Field(context) << ' ' << Field(file.LocalName()) << std::endl;
}

// ---- command-line host ----

namespace {

// Exit statuses of the command-line host besides the run results 0, 1 and 2.
constexpr int kStatusFailed = 2;
constexpr int kStatusBadInput = 3;

void PrintUsage(const QK_TString& taskName) {
  std::cout
      << taskName << " - one task of the workflow server, run from the command line.\n"
      << "\n"
      << "Usage:\n"
      << "  shapejob --ticket FILE    runs the ticket in FILE and prints its events\n"
      << "  shapejob --request FILE   passes the request in FILE to the task and prints its reply\n"
      << "  shapejob --help           prints this text\n"
      << "\n"
      << "Exit status of --ticket: the run's result, 0 ok, 1 warning, 2 failed;\n"
      << "3 when the ticket file cannot be read or parsed.\n"
      << "\n"
      << "Events are printed one per line on standard output (quoted texts are JSON strings;\n"
      << "a KEY, CONTEXT or PATH is one too when it holds a blank, a quote or a control character):\n"
      << "  message SEVERITY KEY \"ARG\"...   a message; SEVERITY 0 info, 1 warning, 2 error\n"
      << "  stage KEY                       the task entered a stage\n"
      << "  progress N                      N percent done\n"
      << "  log \"TEXT\"                      a log text\n"
      << "  output CONTEXT PATH             an output file of the named output context\n"
      << "  result N                        the run's result (last line of --ticket)\n"
      << "  reply VALUE                     the request's reply: true/false, a number,\n"
      << "                                  a JSON string or none\n"
      << "\n"
      << "Environment:\n"
      << "  QK_SERVER   the path of the site configuration file\n";
  std::cout.flush();
}

// A failure's reason for a one-line message: its text and, when it has
// them, its data (usually the file concerned).
QK_TString Reason(const QK_EException& exception) {
  QK_TString reason = exception.QK_Message();
  if (!exception.QK_Data().IsIllegal()) reason += " (" + exception.QK_Data().ToText() + ")";
  return reason;
}

// Reads the `what` file at `path` with `read` into `into`; a file that
// cannot be read is reported on standard error, and false.
template <class Content, class Reader>
bool ReadInputFile(const char* what, const QK_TString& path, Reader read, Content& into) {
  try {
    into = read(QK_TURL(path));
    return true;
  } catch (const QK_EException& exception) {
    std::cerr << "shapejob: cannot read " << what << " " << path << ": " << Reason(exception) << std::endl;
    return false;
  }
}

// Runs the task, turning an escaping exception into a failed result.
int RunTask(TW_TTask& task, AT_TTicket& ticket) {
  try {
    return task.Run(ticket);
  } catch (const TW_ETaskCanceled& exception) {
    task.Log("task canceled: " + exception.Describe());
  } catch (const QK_EException& exception) {
    task.Log(exception);
  } catch (const std::exception& exception) {
    task.Log(QK_TString("unexpected failure: ") + exception.what());
  } catch (...) {
    task.Log("unexpected failure of unknown kind");
  }
  return kStatusFailed;
}

// The ticket's output folder, made when missing (with the folders above
// it), as the workflow server hands a task an existing one. A folder that
// cannot be made is reported on standard error; the task then fails where
// it writes.
void MakeOutputFolder(const QK_TURL& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder.LocalName().str(), error);
  if (error) {
    std::cerr << "shapejob: cannot create the output folder " << folder.LocalName() << ": " << error.message()
              << std::endl;
  }
}

int RunTicketFile(const QK_TString& path, const QK_TClass& taskClass) {
  TW_TTicketFile ticketFile;
  if (!ReadInputFile("ticket", path, &TW_THost::ReadTicketFile, ticketFile)) return kStatusBadInput;
  MakeOutputFolder(ticketFile.setup.outputDir);

  std::unique_ptr<QK_TObject> object(taskClass.CreateObject());
  TW_TTask* task = QK_DynamicCast<TW_TTask>(object.get());
  if (task == nullptr) {
    std::cerr << "shapejob: class " << taskClass.Name() << " does not make a task" << std::endl;
    return kStatusBadInput;
  }
  TW_TLinePrinter printer(std::cout);
  task->Prepare(ticketFile.setup, &printer);
  TW_InstallStopSignals();
  int result = RunTask(*task, ticketFile.ticket);
  // A stop asked for is a failed run, whatever the task made of it.
  if (TW_CancelWasRequested()) result = kStatusFailed;
  // The task goes first: what it reports as it ends (and the removal of its
  // temporary files) belongs before the result, which is the last line.
  object.reset();
  std::cout << "result " << result << std::endl;
  return result;
}

// The reply in a JSON-like form: true/false, digits, a JSON string, or
// "none" for no value.
std::string ReplyText(const QK_TAny& reply) {
  switch (reply.GetKind()) {
    case QK_TAny::Kind::Illegal: return "none";
    case QK_TAny::Kind::Bool:
    case QK_TAny::Kind::Int:
    case QK_TAny::Kind::Double: return reply.ToText().str();
    default: return TW_THost::JsonQuote(reply.ToText());
  }
}

int AnswerRequestFile(const QK_TString& path, const TW_TTask::RequestHandler& handler) {
  QK_TDict request;
  if (!ReadInputFile("request", path, &TW_THost::ReadRequestFile, request)) return kStatusBadInput;
  if (!handler) {
    std::cerr << "shapejob: this task answers no requests" << std::endl;
    return kStatusFailed;
  }
  QK_TAny reply;
  try {
    handler(request, reply);
  } catch (const QK_EException& exception) {
    std::cerr << "shapejob: request failed: " << exception.Describe() << std::endl;
    return kStatusFailed;
  } catch (const std::exception& exception) {
    std::cerr << "shapejob: request failed: " << exception.what() << std::endl;
    return kStatusFailed;
  }
  std::cout << "reply " << ReplyText(reply) << std::endl;
  return 0;
}

int RunCommandLine(int argc, char** argv, const QK_TClass& taskClass, const QK_TString& taskName,
                   const TW_TTask::RequestHandler& handler) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
    PrintUsage(taskName);
    return 0;
  }
  std::string option = argv[1];
  if ((option == "--ticket" || option == "--request") && argc != 3) {
    std::cerr << "shapejob: " << option << " takes exactly one file; see --help" << std::endl;
    return kStatusBadInput;
  }
  if (option == "--ticket") return RunTicketFile(argv[2], taskClass);
  if (option == "--request") return AnswerRequestFile(argv[2], handler);
  std::cerr << "shapejob: unknown option " << option << "; see --help" << std::endl;
  return kStatusBadInput;
}

}  // namespace

int TW_TTask::Init(int argc, char** argv, const QK_TClass& taskClass, const QK_TString& taskName, bool, int,
                   RequestHandler handler) {
  int status = RunCommandLine(argc, argv, taskClass, taskName, handler);
  if (status == 0) return 0;
  std::cout.flush();
  std::cerr.flush();
  std::exit(status);
}
