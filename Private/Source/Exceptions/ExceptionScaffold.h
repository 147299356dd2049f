// The one shape of every exception class of the program.
//
// A class adds no data of its own: it has a registered class object (under
// its unqualified name), a factory, the constructors its throw sites use, a
// cast by class name that climbs to its base, a Throw() that throws the
// object as its own class, and packing that nests its base's section.
//
//   namespace CAD {
//   SHAPEJOB_EXCEPTION(DravoError, DravoException)
//   }
//
// Throw sites use QK_THROW(CAD::DravoError(message, data)), which records the
// source file and line before throwing.
#pragma once

#include <cstring>
#include <new>

#include "QK_EException.h"

// A class with the default, message, message-and-data and copy constructors.
#define SHAPEJOB_EXCEPTION_CLASS(Class, Base, RegisteredName)                          \
 public:                                                                               \
  Class(const QK_TString& message, const QK_TAny& data) : Base(message, data) {}      \
  SHAPEJOB_EXCEPTION_SCAFFOLD(Class, Base, RegisteredName)

// A class whose message is its only content: default, message and copy
// constructors.
#define SHAPEJOB_MESSAGE_EXCEPTION_CLASS(Class, Base, RegisteredName)                  \
 public:                                                                               \
  SHAPEJOB_EXCEPTION_SCAFFOLD(Class, Base, RegisteredName)

#define SHAPEJOB_EXCEPTION_SCAFFOLD(Class, Base, RegisteredName)                       \
  Class() = default;                                                                   \
  explicit Class(const QK_TString& message) : Base(message) {}                         \
  Class(const Class& other) = default;                                                 \
  ~Class() override = default;                                                         \
                                                                                       \
  static QK_TObject* CreateInstance() { return new (std::nothrow) Class(); }           \
  /* Registered once, on first use, even when threads race. */                        \
  static const QK_TClass& QK_ClassObject() {                                           \
    static QK_TClass& classObject = QK_TClass::GetClassObject(                         \
        false, RegisteredName, sizeof(Class), Base::QK_ClassObject(),                  \
        &Class::CreateInstance, nullptr);                                              \
    return classObject;                                                                \
  }                                                                                    \
  static const char* QK_ClassName() { return QK_ClassObject().Name(); }                \
                                                                                       \
  void* QK_MostDerivedObject() const override { return const_cast<Class*>(this); }     \
  void* QK_DynamicInfo(const char* name) const override {                              \
    if (name == nullptr) {                                                             \
      QK_TClass& classObject = const_cast<QK_TClass&>(QK_ClassObject());               \
      if (!classObject.Announced()) classObject.Announce();                            \
      return &classObject;                                                             \
    }                                                                                  \
    if (std::strcmp(name, QK_ClassObject().Name()) == 0) {                             \
      return const_cast<Class*>(this);                                                 \
    }                                                                                  \
    return Base::QK_DynamicInfo(name);                                                 \
  }                                                                                    \
  [[noreturn]] void Throw() const override { throw Class(*this); }                     \
  QK_IPackable* Clone() const override { return new (std::nothrow) Class(*this); }     \
  void QK_Pack(QK_IPacking& packer) const override {                                   \
    packer.BeginClass(Base::QK_ClassName());                                           \
    Base::QK_Pack(packer);                                                             \
    packer.EndClass(Base::QK_ClassName());                                             \
  }                                                                                    \
  void QK_Unpack(QK_IUnpacking& unpacker) override {                                   \
    unpacker.BeginClass(Base::QK_ClassName());                                         \
    Base::QK_Unpack(unpacker);                                                         \
    unpacker.EndClass(Base::QK_ClassName());                                           \
  }                                                                                    \
                                                                                       \
 private:

// Registers the class when the program starts, so that an object packed
// elsewhere can be unpacked before any code here has touched the class.
#define SHAPEJOB_REGISTER_EXCEPTION(Class) \
  inline const QK_TClass& Class##_registration = Class::QK_ClassObject();

// The whole declaration of a class that is registered under its own name:
// SHAPEJOB_EXCEPTION with the message-and-data constructor too,
// SHAPEJOB_MESSAGE_EXCEPTION without it.
#define SHAPEJOB_EXCEPTION(Class, Base)              \
  class Class : public Base {                        \
    SHAPEJOB_EXCEPTION_CLASS(Class, Base, #Class)    \
  };                                                 \
  SHAPEJOB_REGISTER_EXCEPTION(Class)
#define SHAPEJOB_MESSAGE_EXCEPTION(Class, Base)           \
  class Class : public Base {                             \
    SHAPEJOB_MESSAGE_EXCEPTION_CLASS(Class, Base, #Class) \
  };                                                      \
  SHAPEJOB_REGISTER_EXCEPTION(Class)
