// Base library exception: message, data, source file and line, stack trace;
// throwable by dynamic type, packable for transfer, printable.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <ostream>

#include "QK_TAny.h"
#include "QK_TArray.h"
#include "QK_TObject.h"
#include "QK_TString.h"

// Writes an object's fields as nested class sections.
class QK_IPacking {
 public:
  virtual ~QK_IPacking() = default;
  virtual void BeginClass(const char* name) = 0;
  virtual void EndClass(const char* name) = 0;
  virtual void PackString(const QK_TString& value) = 0;
  virtual void PackUInt32(std::uint32_t value) = 0;
  virtual void PackAny(const QK_TAny& value) = 0;
};

// Reads what QK_IPacking wrote; a section or value that is not the one
// expected throws QK_EException.
class QK_IUnpacking {
 public:
  virtual ~QK_IUnpacking() = default;
  virtual void BeginClass(const char* name) = 0;
  virtual void EndClass(const char* name) = 0;
  virtual QK_TString UnpackString() = 0;
  virtual std::uint32_t UnpackUInt32() = 0;
  virtual QK_TAny UnpackAny() = 0;
};

class QK_IThrowable : public virtual QK_IInterface {
 public:
  [[noreturn]] virtual void Throw() const = 0;
};

class QK_IPackable : public virtual QK_IInterface {
 public:
  virtual void QK_Pack(QK_IPacking& packer) const = 0;
  virtual void QK_Unpack(QK_IUnpacking& unpacker) = 0;
  virtual QK_IPackable* Clone() const = 0;
  virtual bool QK_IsIdent(const QK_IPackable& other) const { return this == &other; }
  virtual QK_IPackable& operator=(QK_IUnpacking& unpacker) {
    QK_Unpack(unpacker);
    return *this;
  }
  virtual const QK_TClass* QK_PackClassObject() const { return &ClassObject(); }
  virtual const char* QK_PackTypeID() const { return ClassName(); }
};

class QK_IPrintable : public virtual QK_IInterface {
 public:
  virtual void PrintOn(std::ostream& out) const = 0;
};

class QK_EException : public QK_TObject,
                      public QK_IThrowable,
                      public QK_IPackable,
                      public QK_IPrintable {
 public:
  QK_EException();
  explicit QK_EException(const QK_TString& message);
  QK_EException(const QK_TString& message, const QK_TAny& data);
  QK_EException(const QK_EException& other);
  QK_EException& operator=(const QK_EException& other);
  ~QK_EException() override;

  static const QK_TClass& QK_ClassObject();
  static const char* QK_ClassName();
  static QK_TObject* CreateInstance();

  virtual unsigned int QK_ExceptionLine() const { return line_; }
  virtual const QK_TString& QK_ExceptionFile() const { return file_; }
  virtual const QK_TList& QK_StackTrace() const { return stackTrace_; }
  virtual const QK_TString& QK_Message() const { return message_; }
  virtual QK_TString& QK_Message() { return message_; }
  virtual const QK_TAny& QK_Data() const { return data_; }
  virtual QK_TAny& QK_Data() { return data_; }

  // Records where the exception is thrown from (and adds it to the stack
  // trace); returns the object so that Throw() can follow.
  QK_EException& __PREPARE_FOR_THROW__(unsigned int line, const char* file);

  void* QK_MostDerivedObject() const override;
  void* QK_DynamicInfo(const char* name) const override;
  [[noreturn]] void Throw() const override;
  void QK_Pack(QK_IPacking& packer) const override;
  void QK_Unpack(QK_IUnpacking& unpacker) override;
  QK_IPackable* Clone() const override;
  bool QK_IsIdent(const QK_IPackable& other) const override;
  // "Class: message [data] (file:line)"
  void PrintOn(std::ostream& out) const override;

  // The PrintOn text as a string.
  QK_TString Describe() const;

 private:
  QK_TString message_;
  QK_TAny data_;
  QK_TString file_;
  std::uint32_t line_ = 0;
  QK_TList stackTrace_;
};

// Throw() never returns; this tells the compiler so at call sites that reach
// it through a virtual call.
[[noreturn]] inline void QK_NotReached() { std::abort(); }

// Records the throw site and throws the object as its dynamic class.
#define QK_THROW(exceptionObject) \
  ((exceptionObject).__PREPARE_FOR_THROW__(__LINE__, __FILE__).Throw(), QK_NotReached())

// The class body of the platform libraries' own exception classes.
#define QK_PLATFORM_EXCEPTION_BODY(Class, Base, RegisteredName)                         \
 public:                                                                               \
  Class() = default;                                                                   \
  explicit Class(const QK_TString& message) : Base(message) {}                         \
  Class(const QK_TString& message, const QK_TAny& data) : Base(message, data) {}      \
  Class(const Class&) = default;                                                       \
  static const QK_TClass& QK_ClassObject() {                                           \
    static QK_TClass& object = QK_TClass::GetClassObject(                              \
        false, RegisteredName, sizeof(Class), Base::QK_ClassObject(),                  \
        &Class::CreateInstance, nullptr);                                              \
    return object;                                                                     \
  }                                                                                    \
  static const char* QK_ClassName() { return RegisteredName; }                         \
  static QK_TObject* CreateInstance() { return new (std::nothrow) Class(); }           \
  void* QK_MostDerivedObject() const override { return const_cast<Class*>(this); }     \
  void* QK_DynamicInfo(const char* name) const override {                              \
    if (name == nullptr) {                                                             \
      QK_TClass& object = const_cast<QK_TClass&>(QK_ClassObject());                    \
      object.Announce();                                                               \
      return &object;                                                                  \
    }                                                                                  \
    if (std::strcmp(name, RegisteredName) == 0) return const_cast<Class*>(this);       \
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

// The library or a library it drives ran out of memory; the message is the
// failing library's own.
class QK_EOutOfMemory : public QK_EException {
  QK_PLATFORM_EXCEPTION_BODY(QK_EOutOfMemory, QK_EException, "QK_EOutOfMemory")
};
