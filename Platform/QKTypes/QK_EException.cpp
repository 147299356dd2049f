#include "QK_EException.h"

#include <sstream>

#include "QK_TTree.h"

namespace {

// The library's own classes are registered when the program starts, so that
// lookups by name (unpacking, replies from other processes) find them before
// any code here has used them.
const bool kLibraryClassesRegistered = [] {
  QK_TObject::QK_ClassObject();
  QK_EException::QK_ClassObject();
  QK_ENoMatchingTreeKey::QK_ClassObject();
  QK_EEntryIsNotASubtree::QK_ClassObject();
  QK_EOutOfMemory::QK_ClassObject();
  return true;
}();

}  // namespace

QK_EException::QK_EException() = default;
QK_EException::QK_EException(const QK_TString& message) : message_(message) {}
QK_EException::QK_EException(const QK_TString& message, const QK_TAny& data)
    : message_(message), data_(data) {}
QK_EException::QK_EException(const QK_EException& other)
    : QK_IInterface(other),
      QK_TObject(other),
      QK_IThrowable(other),
      QK_IPackable(other),
      QK_IPrintable(other),
      message_(other.message_),
      data_(other.data_),
      file_(other.file_),
      line_(other.line_),
      stackTrace_(other.stackTrace_) {}

QK_EException& QK_EException::operator=(const QK_EException& other) {
  message_ = other.message_;
  data_ = other.data_;
  file_ = other.file_;
  line_ = other.line_;
  stackTrace_ = other.stackTrace_;
  return *this;
}

QK_EException::~QK_EException() = default;

const QK_TClass& QK_EException::QK_ClassObject() {
  static QK_TClass& object =
      QK_TClass::GetClassObject(false, "QK_EException", sizeof(QK_EException),
                                QK_TObject::QK_ClassObject(), &QK_EException::CreateInstance, nullptr);
  return object;
}

const char* QK_EException::QK_ClassName() { return "QK_EException"; }

QK_TObject* QK_EException::CreateInstance() { return new (std::nothrow) QK_EException(); }

QK_EException& QK_EException::__PREPARE_FOR_THROW__(unsigned int line, const char* file) {
  line_ = line;
  file_ = QK_TString(file);
  stackTrace_.Append(QK_TAny(QK_TString::Format("%s:%u", file ? file : "", line)));
  return *this;
}

void* QK_EException::QK_MostDerivedObject() const { return const_cast<QK_EException*>(this); }

void* QK_EException::QK_DynamicInfo(const char* name) const {
  if (name == nullptr) {
    QK_TClass& object = const_cast<QK_TClass&>(QK_ClassObject());
    object.Announce();
    return &object;
  }
  auto* self = const_cast<QK_EException*>(this);
  if (std::strcmp(name, "QK_EException") == 0) return self;
  if (std::strcmp(name, "QK_IThrowable") == 0) return static_cast<QK_IThrowable*>(self);
  if (std::strcmp(name, "QK_IPackable") == 0) return static_cast<QK_IPackable*>(self);
  if (std::strcmp(name, "QK_IPrintable") == 0) return static_cast<QK_IPrintable*>(self);
  return QK_TObject::QK_DynamicInfo(name);
}

void QK_EException::Throw() const { throw QK_EException(*this); }

void QK_EException::QK_Pack(QK_IPacking& packer) const {
  packer.PackString(message_);
  packer.PackAny(data_);
  packer.PackString(file_);
  packer.PackUInt32(line_);
  packer.PackAny(QK_TAny(stackTrace_));
}

void QK_EException::QK_Unpack(QK_IUnpacking& unpacker) {
  message_ = unpacker.UnpackString();
  data_ = unpacker.UnpackAny();
  file_ = unpacker.UnpackString();
  line_ = unpacker.UnpackUInt32();
  QK_TAny trace = unpacker.UnpackAny();
  stackTrace_ = QK_TList();
  if (trace.Is(QK_TAny::Kind::List)) stackTrace_ = trace.AsList();
}

QK_IPackable* QK_EException::Clone() const { return new (std::nothrow) QK_EException(*this); }

bool QK_EException::QK_IsIdent(const QK_IPackable& other) const {
  const auto* that = QK_DynamicCast<const QK_EException>(&other);
  return that != nullptr && std::strcmp(ClassName(), that->ClassName()) == 0 &&
         message_ == that->message_ && data_ == that->data_ && file_ == that->file_ &&
         line_ == that->line_;
}

void QK_EException::PrintOn(std::ostream& out) const {
  out << ClassName() << ": " << message_;
  if (!data_.IsIllegal()) out << " [" << data_.ToText() << "]";
  if (!file_.Empty()) out << " (" << file_ << ":" << line_ << ")";
}

QK_TString QK_EException::Describe() const {
  std::ostringstream out;
  PrintOn(out);
  return QK_TString(out.str());
}
