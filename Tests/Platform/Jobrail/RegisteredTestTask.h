// Test helper: a task class as a real program defines one, with its own
// class object (registered under `Name`) and factory, so the framework can
// create it by class. A test task derives from
// RegisteredTestTask<ItsClass, kItsName> and defines Run.
#pragma once

#include <cstring>

#include "QK_TObject.h"
#include "TW_TTask.h"

template <class Task, const char* Name>
class RegisteredTestTask : public TW_TTask {
 public:
  static const QK_TClass& QK_ClassObject() {
    static QK_TClass& object =
        QK_TClass::GetClassObject(false, Name, sizeof(Task), TW_TTask::QK_ClassObject(), &Create, nullptr);
    return object;
  }
  static QK_TObject* Create() { return new Task(); }
  void* QK_MostDerivedObject() const override { return const_cast<Task*>(static_cast<const Task*>(this)); }
  void* QK_DynamicInfo(const char* name) const override {
    if (name == nullptr) {
      QK_TClass& object = const_cast<QK_TClass&>(QK_ClassObject());
      object.Announce();
      return &object;
    }
    if (std::strcmp(name, Name) == 0) return QK_MostDerivedObject();
    return TW_TTask::QK_DynamicInfo(name);
  }
};
