// Packing objects to text for transfer, and back. An object travels as its
// type id (the registered class name) followed by its class sections.
#pragma once

#include <memory>
#include <string>

#include "QK_EException.h"

class QK_TPacker : public QK_IPacking {
 public:
  void BeginClass(const char* name) override;
  void EndClass(const char* name) override;
  void PackString(const QK_TString& value) override;
  void PackUInt32(std::uint32_t value) override;
  void PackAny(const QK_TAny& value) override;
  const std::string& Result() const { return buffer_; }

 private:
  void Token(char tag, const std::string& payload);
  std::string buffer_;
};

class QK_TUnpacker : public QK_IUnpacking {
 public:
  explicit QK_TUnpacker(std::string packed) : buffer_(std::move(packed)) {}
  void BeginClass(const char* name) override;
  void EndClass(const char* name) override;
  QK_TString UnpackString() override;
  std::uint32_t UnpackUInt32() override;
  QK_TAny UnpackAny() override;
  bool AtEnd() const { return pos_ >= buffer_.size(); }

 private:
  std::string Token(char expectedTag);
  std::string buffer_;
  std::size_t pos_ = 0;
};

// The packed form of an object, led by its type id.
std::string QK_PackObject(const QK_IPackable& object);
// A new object of the packed class (created through its registered factory)
// with the packed content. Unknown classes and malformed input throw
// QK_EException.
std::unique_ptr<QK_IPackable> QK_UnpackObject(const std::string& packed);
