// A task's input file and its named output contexts.
#pragma once

#include <vector>

#include "QK_EException.h"
#include "QK_TString.h"
#include "QK_TURL.h"

class TW_TTaskInput {
 public:
  explicit TW_TTaskInput(QK_TURL file) : file_(std::move(file)) {}
  const QK_TURL& InputFile() const { return file_; }

 private:
  QK_TURL file_;
};

// A named group of output files that the task hands to the framework.
class TW_TTaskOutput {
 public:
  struct File {
    QK_TURL location;
    QK_TString label;
  };

  explicit TW_TTaskOutput(const QK_TString& name) : name_(name) {}
  const QK_TString& Name() const { return name_; }
  void AddOutputFile(const QK_TURL& location, const QK_TString& label);
  const std::vector<File>& Files() const { return files_; }

 private:
  QK_TString name_;
  std::vector<File> files_;
};

// Raised by the framework when the task is cancelled from outside.
class TW_ETaskCanceled : public QK_EException {
  QK_PLATFORM_EXCEPTION_BODY(TW_ETaskCanceled, QK_EException, "TW_ETaskCanceled")
};
// Registered at start, so that a packed cancellation can be unpacked by name.
inline const QK_TClass& TW_ETaskCanceled_registration = TW_ETaskCanceled::QK_ClassObject();
