// Reading back the pictures that the CAD stand-in writes: a file's bytes,
// the pages of a PDF and the pixels of a PNG or JPEG image.
#pragma once

#include <stb/stb_image.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The page objects of a PDF ("/Type /Page", not the page tree "/Type /Pages").
inline int PdfPageCount(const std::string& pdf) {
  int pages = 0;
  const std::string marker = "/Type /Page";
  for (std::size_t at = pdf.find(marker); at != std::string::npos; at = pdf.find(marker, at + 1)) {
    if (pdf.compare(at + marker.size(), 1, "s") != 0) ++pages;
  }
  return pages;
}

// An image read back as red, green, blue bytes; empty when it cannot be read.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;

  // Far from white: part of a line or of the text (JPEG blurs a little).
  bool IsInk(int x, int y) const {
    std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    return rgb[at] + rgb[at + 1] + rgb[at + 2] < 3 * 200;
  }
  bool AnyInk(int x0, int y0, int x1, int y1) const {
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        if (IsInk(x, y)) return true;
      }
    }
    return false;
  }
  bool IsRed(int x, int y) const {
    std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    return rgb[at] > 120 && rgb[at + 1] < 100 && rgb[at + 2] < 100;
  }
};

inline Pixels ReadPixels(const std::string& path) {
  std::string bytes = FileBytes(path);
  Pixels pixels;
  int channels = 0;
  unsigned char* data = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                              static_cast<int>(bytes.size()), &pixels.width, &pixels.height,
                                              &channels, 3);
  if (data == nullptr) return Pixels();
  pixels.rgb.assign(data, data + static_cast<std::size_t>(pixels.width) * pixels.height * 3);
  stbi_image_free(data);
  return pixels;
}
