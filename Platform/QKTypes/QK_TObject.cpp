#include "QK_TObject.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::string, std::unique_ptr<QK_TClass>> classes;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry();  // lives as long as the process
  return *registry;
}

}  // namespace

const QK_TClass& QK_IInterface::ClassObject() const {
  return *static_cast<const QK_TClass*>(QK_DynamicInfo(nullptr));
}

const char* QK_IInterface::ClassName() const { return ClassObject().Name(); }

bool QK_IInterface::HasSuperclass(const char* name) const {
  const QK_TClass* superclass = ClassObject().Superclass();
  return superclass != nullptr && superclass->IsA(name);
}

bool QK_IInterface::HasInterface(const char* name) const { return QK_DynamicInfo(name) != nullptr; }

void* QK_IInterface::QK_Cast(const char* name) const {
  if (name == nullptr) return nullptr;
  return QK_DynamicInfo(name);
}

QK_TClass::QK_TClass(const char* name, unsigned int size, const QK_TClass* superclass, Factory factory)
    : name_(name), size_(size), superclass_(superclass), factory_(factory) {}

QK_TClass& QK_TClass::GetClassObject(bool, const char* name, unsigned int size,
                                     const QK_TClass* superclass, Factory factory, Callback) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto found = registry.classes.find(name);
  if (found != registry.classes.end()) return *found->second;
  auto created = std::unique_ptr<QK_TClass>(new QK_TClass(name, size, superclass, factory));
  QK_TClass& result = *created;
  registry.classes.emplace(name, std::move(created));
  return result;
}

const QK_TClass* QK_TClass::Find(const char* name) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto found = registry.classes.find(name);
  return found == registry.classes.end() ? nullptr : found->second.get();
}

std::vector<std::string> QK_TClass::RegisteredNames() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  std::vector<std::string> names;
  for (const auto& entry : registry.classes) names.push_back(entry.first);
  return names;
}

bool QK_TClass::IsA(const char* name) const {
  for (const QK_TClass* c = this; c != nullptr; c = c->superclass_) {
    if (c->name_ == name) return true;
  }
  return false;
}

QK_TObject* QK_TClass::CreateObject() const { return factory_ ? factory_() : nullptr; }

const QK_TClass& QK_TObject::QK_ClassObject() {
  static QK_TClass& object =
      QK_TClass::GetClassObject(false, "QK_TObject", sizeof(QK_TObject), nullptr, nullptr, nullptr);
  return object;
}

void* QK_TObject::QK_MostDerivedObject() const { return const_cast<QK_TObject*>(this); }

void* QK_TObject::QK_DynamicInfo(const char* name) const {
  if (name == nullptr) {
    QK_TClass& object = const_cast<QK_TClass&>(QK_ClassObject());
    object.Announce();
    return &object;
  }
  if (std::strcmp(name, "QK_TObject") == 0) return const_cast<QK_TObject*>(this);
  if (std::strcmp(name, "QK_IInterface") == 0) {
    return const_cast<QK_IInterface*>(static_cast<const QK_IInterface*>(this));
  }
  return nullptr;
}
