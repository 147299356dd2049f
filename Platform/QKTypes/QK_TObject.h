// Base library object model: run-time class objects registered by name,
// casts by class name, and the common root of every object.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class QK_TObject;
class QK_TClass;

// Root interface. Every object holds exactly one QK_IInterface part (all
// derivations from it are virtual).
class QK_IInterface {
 public:
  virtual void* QK_MostDerivedObject() const = 0;
  // Cast by class name: the object as that class, or null. With a null name
  // the answer is the object's class object.
  virtual void* QK_DynamicInfo(const char* name) const = 0;
  virtual const QK_TClass& ClassObject() const;
  virtual const char* ClassName() const;
  virtual bool HasSuperclass(const char* name) const;
  virtual bool HasInterface(const char* name) const;
  virtual ~QK_IInterface() = default;
  virtual void* QK_Cast(const char* name) const;
};

// A registered class: name, instance size, superclass and factory.
class QK_TClass {
 public:
  using Factory = QK_TObject* (*)();
  using Callback = bool (*)();

  // Registers a class (or returns the one already registered under `name`).
  // The first argument and the callback are accepted for the interface's
  // sake; this implementation gives them no meaning.
  static QK_TClass& GetClassObject(bool, const char* name, unsigned int size,
                                   const QK_TClass* superclass, Factory factory,
                                   Callback callback);
  static QK_TClass& GetClassObject(bool flag, const char* name, unsigned int size,
                                   const QK_TClass& superclass, Factory factory,
                                   Callback callback) {
    return GetClassObject(flag, name, size, &superclass, factory, callback);
  }
  // The class registered under `name`, or null.
  static const QK_TClass* Find(const char* name);
  static std::vector<std::string> RegisteredNames();

  const char* Name() const { return name_.c_str(); }
  unsigned int InstanceSize() const { return size_; }
  const QK_TClass* Superclass() const { return superclass_; }
  // True when this class is `name` or derives from it.
  bool IsA(const char* name) const;
  // A new object made by the factory (caller owns it), or null.
  QK_TObject* CreateObject() const;

  // The leading flag byte: set once the class has been announced through a
  // cast with no name.
  void Announce() { flag_.store(1, std::memory_order_relaxed); }
  bool Announced() const { return flag_.load(std::memory_order_relaxed) != 0; }

 private:
  QK_TClass(const char* name, unsigned int size, const QK_TClass* superclass, Factory factory);
  std::atomic<unsigned char> flag_{0};
  std::string name_;
  unsigned int size_;
  const QK_TClass* superclass_;
  Factory factory_;
};

class QK_TObject : public virtual QK_IInterface {
 public:
  static const QK_TClass& QK_ClassObject();
  void* QK_MostDerivedObject() const override;
  void* QK_DynamicInfo(const char* name) const override;
};

// Typed form of QK_DynamicInfo: the object as T (looked up by T's registered
// class name), or null.
template <class T>
T* QK_DynamicCast(const QK_IInterface* object) {
  if (object == nullptr) return nullptr;
  return static_cast<T*>(object->QK_DynamicInfo(T::QK_ClassObject().Name()));
}
