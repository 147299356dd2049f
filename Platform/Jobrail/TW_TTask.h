// The task framework's task base class. The framework creates a task through
// its registered class object, prepares it with what the ticket file says
// (task id, inputs, output location, names), calls Run, and removes the
// task's temporary files when the task is destroyed; preparing a task also
// removes the temporary folders that killed runs left behind. Everything the task
// reports goes to an event sink: standard output in the command-line host,
// a recorder in tests.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "AT_TTicket.h"
#include "QK_EException.h"
#include "QK_TAny.h"
#include "QK_TDict.h"
#include "QK_TObject.h"
#include "QK_TURL.h"
#include "TName.h"
#include "TW_TTaskIO.h"

// Receives every event a task reports.
class TW_IEventSink {
 public:
  virtual ~TW_IEventSink() = default;
  virtual void Message(int severity, const QK_TString& key, const std::vector<QK_TAny>& arguments) = 0;
  virtual void Stage(const QK_TString& key) = 0;
  virtual void Progress(unsigned int percent) = 0;
  virtual void Log(const QK_TString& text) = 0;
  virtual void Output(const QK_TString& context, const QK_TURL& file) = 0;
};

// What the framework knows of a task before it runs.
struct TW_TTaskSetup {
  QK_TString taskId;
  QK_TURL outputDir;
  QK_TString outputName;
  std::vector<QK_TURL> inputs;
  std::vector<std::pair<QK_TString, QK_TString>> names;  // variable-substitution names
};

class TW_TTask : public QK_TObject {
 public:
  using RequestHandler = std::function<void(const QK_TDict& request, QK_TAny& reply)>;

  TW_TTask();
  ~TW_TTask() override;
  TW_TTask(const TW_TTask&) = delete;
  TW_TTask& operator=(const TW_TTask&) = delete;

  // The work of one ticket: 0 success, 1 success with a warning, 2 failure.
  virtual int Run(AT_TTicket& ticket) = 0;

  static const QK_TClass& QK_ClassObject();
  void* QK_MostDerivedObject() const override;
  void* QK_DynamicInfo(const char* name) const override;

  // Framework side: gives the task its setup and where its events go (not
  // owned; null discards them).
  void Prepare(const TW_TTaskSetup& setup, TW_IEventSink* sink);

  // Reporting. Severity 0 information, 1 warning, 2 error.
  void AddMessage(int severity, const QK_TString& key);
  void AddMessage(int severity, const QK_TString& key, const QK_TAny& argument);
  void AddMessage(int severity, const QK_TString& key, const QK_TAny& first, const QK_TAny& second);
  // At most ten arguments are passed on.
  void AddMessage(int severity, const QK_TString& key, const std::vector<QK_TAny>& arguments);
  void Log(const QK_TString& text);
  // Logs the exception's class, message, data, source file and line.
  void Log(const QK_EException& exception);
  void SetStage(const QK_TString& key);
  void SetProgress(unsigned char percent);

  unsigned int NumberTaskInputs() const;
  // The input at `index`; an index past the end throws QK_EException.
  const TW_TTaskInput& GetTaskInputContext(unsigned int index) const;
  const QK_TURL& OutputDir() const;
  void SetOutputDirRaw(const QK_TURL& folder);
  const QK_TString& OutputName() const;

  // Hands an output context to the framework; its files become the task's
  // outputs.
  void AddTaskOutputContext(TW_TTaskOutput& context);
  // Marks the running task as finished.
  static void Finish();

  TName& GetTName();
  const QK_TString& GetTaskID() const;

  // The folder that temporary folders and files of every run go in:
  // $TMPDIR, else /tmp.
  static QK_TURL TempBase();

  // A fresh file name with `extension` (its leading "." included) in the
  // task's own temporary folder; the file itself is not created.
  QK_TURL TempFile(const QK_TString& extension);
  // Files registered here are removed with the task's temporary folder.
  void RegisterTempFile(const QK_TURL& file);

  // What the framework saw of the task (used by the host and by tests).
  bool IsFinished() const { return finished_; }
  const std::vector<TW_TTaskOutput>& HandedOverContexts() const { return handedOver_; }

  // The command-line host (TW_THost.cpp): runs one ticket file or one
  // request file as the command line says, creating the task through `taskClass`. Returns when
  // the process is to end with status 0; any other status ends the process
  // with that status.
  static int Init(int argc, char** argv, const QK_TClass& taskClass, const QK_TString& taskName,
                  bool, int, RequestHandler handler);

 private:
  // Throws TW_ETaskCanceled once after the process was asked to stop
  // (TW_TCancel.h).
  static void RaiseCancellation();
  void RemoveTemporaryFiles();
  void CreateTempFolder();
  // Removes the temporary folders (of this account) whose run has ended:
  // a run that was killed could not remove its own. Each is logged.
  void RemoveDeadRunsTempFolders();

  // The names the framework supplies when the ticket does not define them:
  // "file", the name without extension of the input last handed out, and
  // "autonr<N>", the task's counter, one more per resolution, written with
  // at least N digits.
  class FrameworkNames : public TNameLookupHandler {
   public:
    explicit FrameworkNames(const TW_TTask& task) : task_(task) {}
    bool Lookup(const QK_TString& name, const QK_TString& parameters, TName& resolver,
                QK_TString& value) override;

   private:
    const TW_TTask& task_;
    unsigned int counter_ = 0;
  };

  TW_TTaskSetup setup_;
  std::vector<TW_TTaskInput> inputs_;  // setup_.inputs, as handed to the task
  TW_IEventSink* sink_ = nullptr;
  TName names_;
  FrameworkNames frameworkNames_{*this};
  mutable int lastInput_ = -1;  // the input GetTaskInputContext handed out last
  bool finished_ = false;
  std::vector<TW_TTaskOutput> handedOver_;
  QK_TURL tempFolder_;
  std::vector<QK_TURL> tempFiles_;
  unsigned int tempCounter_ = 0;
};

// Initialisation of the task framework; true when it is ready.
bool __QK_INITIALIZATION_FUNCTION_Jobrail__();
