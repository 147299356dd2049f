#include "TW_TTask.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "QK_TFile.h"
#include "QK_TProcess.h"
#include "TW_TCancel.h"

namespace {

// The task that the static Finish() marks: the one last prepared on this thread.
thread_local TW_TTask* currentTask = nullptr;

constexpr std::size_t kMaxMessageArguments = 10;

// A task's temporary folder is named "shapejob.<run>.<task id>.XXXXXX",
// <run> being the process that made it (QK_TProcessId's text, five parts
// that say where it runs, its life marked in the temporary folder before
// the folder is made), so that a later run can tell a dead run's folder
// from a live one's. The task id is cut to keep the name short.
constexpr char kTempFolderPrefix[] = "shapejob.";
constexpr int kRunTextParts = 5;
constexpr std::size_t kLongestTaskIdPart = 64;

// The run a temporary folder's name gives; false for any other name.
bool TempFolderOwner(const std::string& name, QK_TProcessId& owner) {
  const std::string prefix = kTempFolderPrefix;
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  std::size_t runEnd = prefix.size() - 1;
  for (int part = 0; part < kRunTextParts; ++part) {
    runEnd = name.find('.', runEnd + 1);
    if (runEnd == std::string::npos) return false;
  }
  return QK_TProcessId::Parse(name.substr(prefix.size(), runEnd - prefix.size()), owner);
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

TW_TTask::TW_TTask() { names_.SetFallbackHandler(&frameworkNames_); }

TW_TTask::~TW_TTask() {
  if (currentTask == this) currentTask = nullptr;
  RemoveTemporaryFiles();
}

void TW_TTask::Prepare(const TW_TTaskSetup& setup, TW_IEventSink* sink) {
  setup_ = setup;
  sink_ = sink;
  inputs_.clear();
  lastInput_ = -1;
  for (const QK_TURL& input : setup_.inputs) inputs_.emplace_back(input);
  for (const auto& name : setup_.names) names_.Define(name.first, name.second);
  currentTask = this;
  RemoveDeadRunsTempFolders();
}

void TW_TTask::RemoveDeadRunsTempFolders() {
  std::error_code error;
  const std::filesystem::path base(TempBase().LocalName().str());
  for (std::filesystem::directory_iterator entry(base, error), end; !error && entry != end;
       entry.increment(error)) {
    QK_TProcessId owner;
    // Only folders of runs known to have ended: any other run's counts as
    // running.
    if (!TempFolderOwner(entry->path().filename().string(), owner) ||
        owner.StateIn(base.string()) != QK_TRunState::kEnded) {
      continue;
    }
    // Only folders of this account: another user's are not ours to judge.
    struct stat info {};
    if (lstat(entry->path().c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid()) continue;
    std::error_code removal;
    std::filesystem::remove_all(entry->path(), removal);
    Log(removal ? QK_TString::Format("Could not remove the temporary folder %s of a run that ended: %s\n",
                                     entry->path().c_str(), removal.message().c_str())
                : QK_TString::Format("Removed the temporary folder %s of a run that ended\n",
                                     entry->path().c_str()));
  }
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
  RaiseCancellation();
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
  RaiseCancellation();
  if (sink_ != nullptr) sink_->Stage(key);
}

void TW_TTask::SetProgress(unsigned char percent) {
  RaiseCancellation();
  if (sink_ != nullptr) sink_->Progress(percent);
}

void TW_TTask::RaiseCancellation() {
  if (TW_TakeCancelRequest()) QK_THROW(TW_ETaskCanceled(QK_TString("The task was asked to stop")));
}

// ---- setup ----

unsigned int TW_TTask::NumberTaskInputs() const { return static_cast<unsigned int>(inputs_.size()); }

const TW_TTaskInput& TW_TTask::GetTaskInputContext(unsigned int index) const {
  if (index >= inputs_.size()) {
    QK_THROW(QK_EException(QK_TString::Format("task input %u requested, but the task has %u input(s)",
                                              index, NumberTaskInputs())));
  }
  lastInput_ = static_cast<int>(index);
  return inputs_[index];
}

const QK_TURL& TW_TTask::OutputDir() const { return setup_.outputDir; }

void TW_TTask::SetOutputDirRaw(const QK_TURL& folder) { setup_.outputDir = folder; }

const QK_TString& TW_TTask::OutputName() const { return setup_.outputName; }

TName& TW_TTask::GetTName() { return names_; }

bool TW_TTask::FrameworkNames::Lookup(const QK_TString& name, const QK_TString&, TName&, QK_TString& value) {
  static const std::string kCounterName = "autonr";
  const std::string& text = name.str();
  if (text == "file") {
    if (task_.lastInput_ < 0) return false;
    const QK_TString file = task_.inputs_[static_cast<std::size_t>(task_.lastInput_)].InputFile().FileName();
    const std::size_t dot = file.FindLast('.');
    value = dot == QK_TString::npos ? file : file.Substring(0, dot);
    return true;
  }
  if (text.rfind(kCounterName, 0) != 0 || text.size() == kCounterName.size()) return false;
  const std::string width = text.substr(kCounterName.size());
  if (width.find_first_not_of("0123456789") != std::string::npos) return false;
  value = QK_TString::Format("%0*u", std::atoi(width.c_str()), ++counter_);
  return true;
}

const QK_TString& TW_TTask::GetTaskID() const { return setup_.taskId; }

void TW_TTask::AddTaskOutputContext(TW_TTaskOutput& context) {
  handedOver_.push_back(context);
  if (sink_ == nullptr) return;
  for (const TW_TTaskOutput::File& file : context.Files()) sink_->Output(context.Name(), file.location);
}

// ---- temporary files ----

QK_TURL TW_TTask::TempBase() {
  const char* tmpdir = std::getenv("TMPDIR");
  return QK_TURL::FromLocalPath((tmpdir != nullptr && *tmpdir != '\0') ? tmpdir : "/tmp");
}

QK_TURL TW_TTask::TempFile(const QK_TString& extension) {
  if (tempFolder_.Empty()) CreateTempFolder();
  ++tempCounter_;
  return tempFolder_.Child(QK_TString::Format("tmp%u", tempCounter_) + extension);
}

void TW_TTask::RegisterTempFile(const QK_TURL& file) { tempFiles_.push_back(file); }

void TW_TTask::CreateTempFolder() {
  const std::string taskPart = FileNamePart(setup_.taskId).substr(0, kLongestTaskIdPart);
  const QK_TURL base = TempBase();
  const QK_TProcessId self = QK_TProcessId::MarkLifeIn(base.LocalName().str());
  std::string name = kTempFolderPrefix + self.Text() + "." + taskPart + ".XXXXXX";
  std::string path = base.Child(name).LocalName().str();
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
