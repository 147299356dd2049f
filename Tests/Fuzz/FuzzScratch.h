// Where the fuzz targets put their inputs: one folder per process, made on
// first use and removed when the process ends, whose files are rewritten
// for every input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "QK_TURL.h"
#include "TemporaryFolder.h"

namespace ShapejobFuzz {

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The path of the file `name` in the folder.
  std::string Path(const char* name) const { return folder_.File(name); }
  // Replaces the file `name` with `size` bytes of `data`; its path.
  std::string Write(const char* name, const std::uint8_t* data, std::size_t size) const;
  QK_TURL WriteUrl(const char* name, const std::uint8_t* data, std::size_t size) const;

 private:
  TemporaryFolder folder_;
};

// The process's folder.
ScratchFolder& Scratch();

// The text before the first line feed of `data` (all of it when there is
// none); `data` and `size` then describe what follows the line feed.
std::string TakeLine(const std::uint8_t*& data, std::size_t& size);

}  // namespace ShapejobFuzz
