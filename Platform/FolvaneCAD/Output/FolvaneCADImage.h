// Pictures of the CAD stand-in: line segments and a caption, drawn by one
// path (cairo) onto a PDF page, a PNG image or a JPEG image, so that
// outputs, thumbnails and plots look alike.
//
// A picture is white. The segments are scaled to fit the area above the
// caption (uniform scale, centred, 5 % margin, y upwards), drawn as
// antialiased lines in their colours; the caption's lines are black text
// of a small built-in font (printable ASCII; other characters show as "?"),
// one under the other, at the bottom left. A PDF's document title is the
// caption's lines joined by " - ". A PNG is 8-bit RGB without transparency,
// compressed for speed rather than size (zlib's fastest level and run
// lengths, no row filters); a JPEG is baseline RGB.
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

struct Picture {
  std::vector<Segment> segments;
  // Lines of text under the drawing; without any the drawing has the whole
  // picture.
  std::vector<QK_TString> caption;
};

enum class PictureFormat { kUnsupported, kPdf, kPng, kJpeg };
// ".pdf" is PDF, ".png" PNG, ".jpg" and ".jpeg" JPEG, in any case of letters.
PictureFormat PictureFormatOf(const QK_TString& path);

// Widest and tallest picture, and the most pixels, that an export may ask for.
constexpr int kMaxImageSide = 16384;
constexpr long kMaxImagePixels = 50L * 1000 * 1000;

// Writes the picture to `path`: a PDF of one page of width x height points,
// or an image of width x height pixels. `quality` (JPEG only) is 1 to 100;
// lower values are raised to 10 so that a "low" export still shows the
// drawing. The file appears whole or not at all. False with the reason when
// the size is out of range, the format is not supported or the file cannot
// be written.
bool WritePicture(const Picture& picture, PictureFormat format, int width, int height, int quality,
                  const QK_TString& path, QK_TString* error);

// The image exports: PNG or JPEG as the extension of `path` says (other
// extensions, PDF among them, are refused), as WritePicture writes them.
bool WriteImage(const Picture& picture, int width, int height, int quality, const QK_TString& path,
                QK_TString* error);

}  // namespace FolvaneCAD
