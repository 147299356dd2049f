#include "FuzzScratch.h"

#include <cstring>
#include <stdexcept>
#include <string_view>

namespace ShapejobFuzz {

ScratchFolder::ScratchFolder() : folder_(TemporaryBase() + "/shapejob-fuzz-") {
  if (folder_.path().empty()) throw std::runtime_error("cannot make the fuzz scratch folder " + folder_.Error());
}

ScratchFolder::~ScratchFolder() = default;

std::string ScratchFolder::Write(const char* name, const std::uint8_t* data, std::size_t size) const {
  if (!folder_.WriteFile(name, std::string_view(reinterpret_cast<const char*>(data), size))) {
    throw std::runtime_error("cannot write the fuzz input " + Path(name));
  }
  return Path(name);
}

QK_TURL ScratchFolder::WriteUrl(const char* name, const std::uint8_t* data, std::size_t size) const {
  return QK_TURL::FromLocalPath(QK_TString(Write(name, data, size)));
}

ScratchFolder& Scratch() {
  static ScratchFolder folder;
  return folder;
}

std::string TakeLine(const std::uint8_t*& data, std::size_t& size) {
  const void* end = size == 0 ? nullptr : std::memchr(data, '\n', size);
  const std::size_t length = end == nullptr ? size : static_cast<const std::uint8_t*>(end) - data;
  std::string line(reinterpret_cast<const char*>(data), length);
  const std::size_t consumed = end == nullptr ? length : length + 1;
  data += consumed;
  size -= consumed;
  return line;
}

}  // namespace ShapejobFuzz
