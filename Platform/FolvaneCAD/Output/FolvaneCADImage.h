// Pictures of the CAD stand-in: line segments drawn on a white image and
// written as a PNG or JPEG file, chosen by the file's extension.
#pragma once

#include <vector>

#include "QK_TString.h"

namespace FolvaneCAD {

struct Colour {
  unsigned char red = 0, green = 0, blue = 0;
};

// A segment in drawing coordinates (y grows upwards).
struct Segment {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  Colour colour;
};

enum class ImageFormat { kUnsupported, kPng, kJpeg };
// ".png" is PNG, ".jpg" and ".jpeg" are JPEG, in any case of letters.
ImageFormat ImageFormatOf(const QK_TString& path);

// Widest and tallest picture, and the most pixels, that an export may ask for.
constexpr int kMaxImageSide = 16384;
constexpr long kMaxImagePixels = 50L * 1000 * 1000;

// Draws the segments scaled to fit the picture with a margin, and writes it
// to `path`. `quality` (JPEG only) is 1 to 100; lower values are raised to 10
// so that a "low" export still shows the drawing. False with the reason when
// the size is out of range, the format is not supported or the file cannot
// be written.
bool WriteImage(const std::vector<Segment>& segments, int width, int height, int quality, const QK_TString& path,
                QK_TString* error);

}  // namespace FolvaneCAD
