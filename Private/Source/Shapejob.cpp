#include "Shapejob.h"

#include <cstring>
#include <new>

#include "QKM_TClient.h"

namespace {

bool moduleInitialised = false;

}  // namespace

bool __QK_INITIALIZATION_FUNCTION_Shapejob__() {
  if (moduleInitialised) return true;
  moduleInitialised = __QK_INITIALIZATION_FUNCTION_Jobrail__() && __QK_INITIALIZATION_FUNCTION_ZODEzuz__();
  return moduleInitialised;
}

namespace CAD {

std::mutex& RunMutex() {
  static std::mutex mutex;
  return mutex;
}

const QK_TClass& Task::QK_ClassObject() {
  static QK_TClass& classObject = QK_TClass::GetClassObject(
      false, "Task", sizeof(Task), TW_TTask::QK_ClassObject(), &Task::Create, nullptr);
  return classObject;
}

QK_TObject* Task::Create() { return new (std::nothrow) Task(); }

void* Task::QK_DynamicInfo(const char* name) const {
  if (name == nullptr) {
    QK_TClass& classObject = const_cast<QK_TClass&>(QK_ClassObject());
    classObject.Announce();
    return &classObject;
  }
  if (std::strcmp(name, "Task") == 0) return const_cast<Task*>(this);
  return TW_TTask::QK_DynamicInfo(name);
}

void* Task::QK_MostDerivedObject() const { return const_cast<Task*>(this); }

Task::Task() = default;

Task::~Task() { Disconnect(); }

}  // namespace CAD
