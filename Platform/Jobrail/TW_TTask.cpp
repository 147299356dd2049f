#include "TW_TTask.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include "QK_TFile.h"
#include "TW_THost.h"

namespace {

// The task that the static Finish() marks: the one last prepared on this thread.
thread_local TW_TTask* currentTask = nullptr;

constexpr std::size_t kMaxMessageArguments = 10;

// Exit statuses of the command-line host besides the run results 0, 1 and 2.
constexpr int kStatusFailed = 2;
constexpr int kStatusBadInput = 3;

// The folder temporary folders go in: $TMPDIR, else /tmp.
QK_TURL TempBase() {
  const char* tmpdir = std::getenv("TMPDIR");
  return QK_TURL::FromLocalPath((tmpdir != nullptr && *tmpdir != '\0') ? tmpdir : "/tmp");
}

// The task id as a part of a file name: anything but letters, digits, "-",
// "_" and "." becomes "_".
std::string FileNamePart(const QK_TString& text) {
  std::string part = text.str();
  for (char& c : part) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '_' || c == '.';
    if (!plain) c = '_';
  }
  return part;
}

}  // namespace

// ---- object model ----

const QK_TClass& TW_TTask::QK_ClassObject() {
  static QK_TClass& object = QK_TClass::GetClassObject(false, "TW_TTask", sizeof(TW_TTask),
                                                       QK_TObject::QK_ClassObject(), nullptr, nullptr);
  return object;
}

void* TW_TTask::QK_MostDerivedObject() const { return const_cast<TW_TTask*>(this); }

void* TW_TTask::QK_DynamicInfo(const char* name) const {
  if (name == nullptr) {
    QK_TClass& object = const_cast<QK_TClass&>(QK_ClassObject());
    object.Announce();
    return &object;
  }
  if (std::strcmp(name, "TW_TTask") == 0) return const_cast<TW_TTask*>(this);
  return QK_TObject::QK_DynamicInfo(name);
}

// ---- life cycle ----

TW_TTask::TW_TTask() = default;

TW_TTask::~TW_TTask() {
  if (currentTask == this) currentTask = nullptr;
  RemoveTemporaryFiles();
}

void TW_TTask::Prepare(const TW_TTaskSetup& setup, TW_IEventSink* sink) {
  setup_ = setup;
  sink_ = sink;
  inputs_.clear();
  for (const QK_TURL& input : setup_.inputs) inputs_.emplace_back(input);
  for (const auto& name : setup_.names) names_.Define(name.first, name.second);
  currentTask = this;
}

void TW_TTask::Finish() {
  if (currentTask != nullptr) currentTask->finished_ = true;
}

// ---- reporting ----

void TW_TTask::AddMessage(int severity, const QK_TString& key) {
  AddMessage(severity, key, std::vector<QK_TAny>());
}

void TW_TTask::AddMessage(int severity, const QK_TString& key, const QK_TAny& argument) {
  AddMessage(severity, key, std::vector<QK_TAny>{argument});
}

void TW_TTask::AddMessage(int severity, const QK_TString& key, const QK_TAny& first, const QK_TAny& second) {
  AddMessage(severity, key, std::vector<QK_TAny>{first, second});
}

void TW_TTask::AddMessage(int severity, const QK_TString& key, const std::vector<QK_TAny>& arguments) {
  if (sink_ == nullptr) return;
  if (arguments.size() <= kMaxMessageArguments) {
    sink_->Message(severity, key, arguments);
  } else {
    sink_->Message(severity, key,
                   std::vector<QK_TAny>(arguments.begin(), arguments.begin() + kMaxMessageArguments));
  }
}

void TW_TTask::Log(const QK_TString& text) {
  if (sink_ != nullptr) sink_->Log(text);
}

void TW_TTask::Log(const QK_EException& exception) { Log(exception.Describe()); }

void TW_TTask::SetStage(const QK_TString& key) {
  if (sink_ != nullptr) sink_->Stage(key);
}

void TW_TTask::SetProgress(unsigned char percent) {
  if (sink_ != nullptr) sink_->Progress(percent);
}

// ---- setup ----

unsigned int TW_TTask::NumberTaskInputs() const { return static_cast<unsigned int>(inputs_.size()); }

const TW_TTaskInput& TW_TTask::GetTaskInputContext(unsigned int index) const {
  if (index >= inputs_.size()) {
    QK_THROW(QK_EException(QK_TString::Format("task input %u requested, but the task has %u input(s)",
                                              index, NumberTaskInputs())));
  }
  return inputs_[index];
}

const QK_TURL& TW_TTask::OutputDir() const { return setup_.outputDir; }

void TW_TTask::SetOutputDirRaw(const QK_TURL& folder) { setup_.outputDir = folder; }

const QK_TString& TW_TTask::OutputName() const { return setup_.outputName; }

TName& TW_TTask::GetTName() { return names_; }

const QK_TString& TW_TTask::GetTaskID() const { return setup_.taskId; }

void TW_TTask::AddTaskOutputContext(TW_TTaskOutput& context) {
  handedOver_.push_back(context);
  if (sink_ == nullptr) return;
  for (const TW_TTaskOutput::File& file : context.Files()) sink_->Output(context.Name(), file.location);
}

// ---- temporary files ----

QK_TURL TW_TTask::TempFile(const QK_TString& extension) {
  if (tempFolder_.Empty()) CreateTempFolder();
  ++tempCounter_;
  return tempFolder_.Child(QK_TString::Format("tmp%u", tempCounter_) + extension);
}

void TW_TTask::RegisterTempFile(const QK_TURL& file) { tempFiles_.push_back(file); }

void TW_TTask::CreateTempFolder() {
  std::string name = "shapejob-" + FileNamePart(setup_.taskId) + "-XXXXXX";
  std::string path = TempBase().Child(name).LocalName().str();
  if (mkdtemp(path.data()) == nullptr) {
    QK_THROW(QK_EException(QK_TString("Cannot create the task's temporary folder: ") + std::strerror(errno),
                           QK_TAny(QK_TString(path))));
  }
  tempFolder_ = QK_TURL::FromLocalPath(path);
}

void TW_TTask::RemoveTemporaryFiles() {
  try {
    for (const QK_TURL& file : tempFiles_) QK_TFile::Remove(file);
    if (!tempFolder_.Empty()) QK_TFile::RemoveTree(tempFolder_);
  } catch (...) {
    // Called from the destructor: a file that cannot be removed stays behind.
  }
  tempFiles_.clear();
  tempFolder_ = QK_TURL();
}

bool __QK_INITIALIZATION_FUNCTION_Jobrail__() { return true; }

// ---- command-line host ----

namespace {

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
      << "Events are printed one per line on standard output (quoted texts are JSON strings):\n"
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

int RunTicketFile(const QK_TString& path, const QK_TClass& taskClass) {
  TW_TTicketFile ticketFile;
  try {
    ticketFile = TW_THost::ReadTicketFile(QK_TURL(path));
  } catch (const QK_EException& exception) {
    std::cerr << "shapejob: cannot read ticket " << path << ": " << Reason(exception) << std::endl;
    return kStatusBadInput;
  }

  std::unique_ptr<QK_TObject> object(taskClass.CreateObject());
  TW_TTask* task = QK_DynamicCast<TW_TTask>(object.get());
  if (task == nullptr) {
    std::cerr << "shapejob: class " << taskClass.Name() << " does not make a task" << std::endl;
    return kStatusBadInput;
  }
  TW_TLinePrinter printer(std::cout);
  task->Prepare(ticketFile.setup, &printer);
  int result = RunTask(*task, ticketFile.ticket);
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
  try {
    request = TW_THost::ReadRequestFile(QK_TURL(path));
  } catch (const QK_EException& exception) {
    std::cerr << "shapejob: cannot read request " << path << ": " << Reason(exception) << std::endl;
    return kStatusBadInput;
  }
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
