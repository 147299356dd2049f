#include "Output/FolvaneCADImage.h"

#include <stb_image_write.h>

#include <algorithm>
#include <cmath>

#include "Output/FolvaneCADText.h"

namespace FolvaneCAD {

ImageFormat ImageFormatOf(const QK_TString& path) {
  QK_TString extension = LowerExtension(path);
  if (extension == ".png") return ImageFormat::kPng;
  if (extension == ".jpg" || extension == ".jpeg") return ImageFormat::kJpeg;
  return ImageFormat::kUnsupported;
}

namespace {

// An RGB picture, white when made.
class Canvas {
 public:
  Canvas(int width, int height)
      : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height * 3, 255) {}

  void DrawLine(double x1, double y1, double x2, double y2, Colour colour, int thickness) {
    double steps = std::max({std::fabs(x2 - x1), std::fabs(y2 - y1), 1.0});
    for (double i = 0; i <= steps; ++i) {
      double x = x1 + (x2 - x1) * i / steps;
      double y = y1 + (y2 - y1) * i / steps;
      Dot(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)), colour, thickness);
    }
  }

  bool Write(ImageFormat format, int quality, const QK_TString& path) const {
    if (format == ImageFormat::kPng) {
      return stbi_write_png(path.c_str(), width_, height_, 3, pixels_.data(), width_ * 3) != 0;
    }
    return stbi_write_jpg(path.c_str(), width_, height_, 3, pixels_.data(), std::clamp(quality, 10, 100)) != 0;
  }

 private:
  void Dot(int x, int y, Colour colour, int thickness) {
    int low = -(thickness - 1) / 2;
    for (int dy = low; dy < low + thickness; ++dy) {
      for (int dx = low; dx < low + thickness; ++dx) Set(x + dx, y + dy, colour);
    }
  }

  void Set(int x, int y, Colour colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    std::size_t at = (static_cast<std::size_t>(y) * width_ + x) * 3;
    pixels_[at] = colour.red;
    pixels_[at + 1] = colour.green;
    pixels_[at + 2] = colour.blue;
  }

  int width_;
  int height_;
  std::vector<unsigned char> pixels_;
};

// Maps drawing coordinates onto the picture: uniform scale, centred, 5 %
// margin on every side, y turned downwards.
class Fit {
 public:
  Fit(const std::vector<Segment>& segments, int width, int height) : height_(height) {
    double minX = segments.front().x1, maxX = minX, minY = segments.front().y1, maxY = minY;
    for (const Segment& s : segments) {
      minX = std::min({minX, s.x1, s.x2});
      maxX = std::max({maxX, s.x1, s.x2});
      minY = std::min({minY, s.y1, s.y2});
      maxY = std::max({maxY, s.y1, s.y2});
    }
    double spanX = std::max(maxX - minX, 1e-9);
    double spanY = std::max(maxY - minY, 1e-9);
    scale_ = std::min((width - 1) * 0.9 / spanX, (height - 1) * 0.9 / spanY);
    offsetX_ = (width - 1 - spanX * scale_) / 2 - minX * scale_;
    offsetY_ = (height - 1 - spanY * scale_) / 2 - minY * scale_;
  }

  double X(double x) const { return x * scale_ + offsetX_; }
  double Y(double y) const { return (height_ - 1) - (y * scale_ + offsetY_); }

 private:
  int height_;
  double scale_ = 1, offsetX_ = 0, offsetY_ = 0;
};

bool SizeAllowed(int width, int height) {
  return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
         static_cast<long>(width) * height <= kMaxImagePixels;
}

}  // namespace

bool WriteImage(const std::vector<Segment>& segments, int width, int height, int quality, const QK_TString& path,
                QK_TString* error) {
  ImageFormat format = ImageFormatOf(path);
  if (format == ImageFormat::kUnsupported) {
    *error = "Image type not supported (use .png, .jpg or .jpeg): " + path;
    return false;
  }
  if (!SizeAllowed(width, height)) {
    *error = QK_TString::Format("Image size %d x %d is out of range", width, height);
    return false;
  }
  Canvas canvas(width, height);
  if (!segments.empty()) {
    Fit fit(segments, width, height);
    int thickness = std::max(1, std::min(width, height) / 250);
    for (const Segment& s : segments) {
      canvas.DrawLine(fit.X(s.x1), fit.Y(s.y1), fit.X(s.x2), fit.Y(s.y2), s.colour, thickness);
    }
  }
  if (!canvas.Write(format, quality, path)) {
    *error = "Image could not be written: " + path;
    return false;
  }
  return true;
}

}  // namespace FolvaneCAD
