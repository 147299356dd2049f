#include "FuzzScratch.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace ShapejobFuzz {

ScratchFolder::ScratchFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/shapejob-fuzz-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make the fuzz scratch folder " + pattern + ": " + std::strerror(errno));
  }
  folder_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string ScratchFolder::Write(const char* name, const std::uint8_t* data, std::size_t size) const {
  const std::string path = Path(name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  if (!out) throw std::runtime_error("cannot write the fuzz input " + path);
  return path;
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
