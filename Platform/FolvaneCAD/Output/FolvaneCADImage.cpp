#include "Output/FolvaneCADImage.h"

#include <cairo-pdf.h>
#include <cairo.h>
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_easy_font.h>
#pragma GCC diagnostic pop
#include <stb_image_write.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "Base/FolvaneCADText.h"

namespace FolvaneCAD {

PictureFormat PictureFormatOf(const QK_TString& path) {
  QK_TString extension = LowerExtension(path);
  if (extension == ".pdf") return PictureFormat::kPdf;
  if (extension == ".png") return PictureFormat::kPng;
  if (extension == ".jpg" || extension == ".jpeg") return PictureFormat::kJpeg;
  return PictureFormat::kUnsupported;
}

namespace {

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using Context = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

constexpr double kMargin = 0.05;
constexpr double kCaptionLineSpacing = 1.4;
constexpr int kLowestJpegQuality = 10;
// The built-in font: capitals 7 units high, at most this many segments a
// character.
constexpr double kFontUnitsPerSize = 10;
constexpr std::size_t kFontQuadsPerCharacter = 16;
constexpr char kTitleSeparator[] = " - ";

// Maps drawing coordinates into an area of the picture: uniform scale,
// centred, a margin on every side, y turned downwards.
class Fit {
 public:
  Fit(const std::vector<Segment>& segments, double width, double height) : height_(height) {
    double minX = segments.front().x1, maxX = minX, minY = segments.front().y1, maxY = minY;
    for (const Segment& s : segments) {
      minX = std::min({minX, s.x1, s.x2});
      maxX = std::max({maxX, s.x1, s.x2});
      minY = std::min({minY, s.y1, s.y2});
      maxY = std::max({maxY, s.y1, s.y2});
    }
    double spanX = std::max(maxX - minX, 1e-9);
    double spanY = std::max(maxY - minY, 1e-9);
    scale_ = std::min(width * (1 - 2 * kMargin) / spanX, height * (1 - 2 * kMargin) / spanY);
    offsetX_ = (width - spanX * scale_) / 2 - minX * scale_;
    offsetY_ = (height - spanY * scale_) / 2 - minY * scale_;
  }

  double X(double x) const { return x * scale_ + offsetX_; }
  double Y(double y) const { return height_ - (y * scale_ + offsetY_); }

 private:
  double height_;
  double scale_ = 1, offsetX_ = 0, offsetY_ = 0;
};

double CaptionFontSize(double height) { return std::clamp(height / 40, 7.0, 16.0); }

double CaptionHeight(const Picture& picture, double height) {
  if (picture.caption.empty()) return 0;
  return (static_cast<double>(picture.caption.size()) * kCaptionLineSpacing + 0.6) * CaptionFontSize(height);
}

void DrawSegments(cairo_t* cr, const std::vector<Segment>& segments, double width, double height) {
  if (segments.empty() || height <= 0) return;
  Fit fit(segments, width, height);
  cairo_set_line_width(cr, std::max(1.0, std::min(width, height) / 400));
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (const Segment& s : segments) {
    cairo_set_source_rgb(cr, s.colour.red / 255.0, s.colour.green / 255.0, s.colour.blue / 255.0);
    cairo_move_to(cr, fit.X(s.x1), fit.Y(s.y1));
    cairo_line_to(cr, fit.X(s.x2), fit.Y(s.y2));
    cairo_stroke(cr);
  }
}

// Text is drawn as the filled segments of a small built-in font
// (stb_easy_font), so that a picture needs no installed fonts; it knows the
// printable ASCII characters, others show as "?".
void DrawText(cairo_t* cr, const QK_TString& text, double x, double top, double size) {
  std::string printable = text.str();
  for (char& c : printable) {
    if (c < 32 || c > 126) c = '?';
  }
  // Four vertices of four floats (x, y, z, colour) per segment.
  std::vector<float> vertices(printable.size() * kFontQuadsPerCharacter * 16 + 16);
  int quads = stb_easy_font_print(0, 0, printable.data(), nullptr, vertices.data(),
                                  static_cast<int>(vertices.size() * sizeof(float)));
  cairo_save(cr);
  cairo_translate(cr, x, top);
  cairo_scale(cr, size / kFontUnitsPerSize, size / kFontUnitsPerSize);
  for (int q = 0; q < quads; ++q) {
    const float* quad = &vertices[static_cast<std::size_t>(q) * 16];
    cairo_rectangle(cr, quad[0], quad[1], quad[8] - quad[0], quad[9] - quad[1]);
  }
  cairo_fill(cr);
  cairo_restore(cr);
}

void DrawCaption(cairo_t* cr, const std::vector<QK_TString>& caption, double height) {
  double size = CaptionFontSize(height);
  cairo_set_source_rgb(cr, 0, 0, 0);
  double top = height - CaptionHeight(Picture{{}, caption}, height) + size * (kCaptionLineSpacing - 1);
  for (const QK_TString& line : caption) {
    DrawText(cr, line, size, top, size);
    top += size * kCaptionLineSpacing;
  }
}

// The one drawing of every picture, whatever the surface.
void Draw(cairo_t* cr, const Picture& picture, double width, double height) {
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  DrawSegments(cr, picture.segments, width, height - CaptionHeight(picture, height));
  DrawCaption(cr, picture.caption, height);
}

cairo_status_t AppendBytes(void* bytes, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(bytes)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

void AppendJpegBytes(void* bytes, void* data, int length) {
  static_cast<std::string*>(bytes)->append(static_cast<const char*>(data), static_cast<std::size_t>(length));
}

bool Failed(cairo_status_t status, QK_TString* error) {
  if (status == CAIRO_STATUS_SUCCESS) return false;
  *error = QK_TString("the drawing failed: ") + cairo_status_to_string(status);
  return true;
}

bool RenderPdf(const Picture& picture, int width, int height, std::string* bytes, QK_TString* error) {
  Surface surface(cairo_pdf_surface_create_for_stream(AppendBytes, bytes, width, height),
                  cairo_surface_destroy);
  cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE,
                                 Join(picture.caption, kTitleSeparator).c_str());
  {
    Context cr(cairo_create(surface.get()), cairo_destroy);
    Draw(cr.get(), picture, width, height);
    cairo_show_page(cr.get());
    if (Failed(cairo_status(cr.get()), error)) return false;
  }
  cairo_surface_finish(surface.get());
  return !Failed(cairo_surface_status(surface.get()), error);
}

Surface RenderRaster(const Picture& picture, int width, int height) {
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height), cairo_surface_destroy);
  Context cr(cairo_create(surface.get()), cairo_destroy);
  Draw(cr.get(), picture, width, height);
  cairo_surface_flush(surface.get());
  return surface;
}

// Row `y` of an RGB24 surface (one native 32-bit word per pixel) as bytes
// red, green, blue.
void RgbRow(cairo_surface_t* surface, int y, unsigned char* rgb) {
  int width = cairo_image_surface_get_width(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const auto* row = reinterpret_cast<const std::uint32_t*>(
      data + static_cast<std::size_t>(y) * cairo_image_surface_get_stride(surface));
  for (int x = 0; x < width; ++x, rgb += 3) {
    rgb[0] = static_cast<unsigned char>(row[x] >> 16);
    rgb[1] = static_cast<unsigned char>(row[x] >> 8);
    rgb[2] = static_cast<unsigned char>(row[x]);
  }
}

std::vector<unsigned char> RgbPixels(cairo_surface_t* surface) {
  int width = cairo_image_surface_get_width(surface);
  int height = cairo_image_surface_get_height(surface);
  std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) RgbRow(surface, y, &rgb[static_cast<std::size_t>(y) * width * 3]);
  return rgb;
}

void AppendPngBytes(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void FlushNothing(png_structp) {}

// A picture has no transparent pixel, so its PNG is RGB. Line drawings on
// white compress well enough at zlib's fastest level, as runs, without row
// filters, which makes a large preview several times quicker to write than
// with adaptive filtering at the default level. `row` holds one row of RGB.
// libpng reports failures by a long jump, so nothing here needs a destructor.
bool EncodePng(cairo_surface_t* surface, unsigned char* row, std::string* bytes) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  int height = cairo_image_surface_get_height(surface);
  png_set_write_fn(png, bytes, AppendPngBytes, FlushNothing);
  png_set_compression_level(png, Z_BEST_SPEED);
  png_set_compression_strategy(png, Z_RLE);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_IHDR(png, info, static_cast<png_uint_32>(cairo_image_surface_get_width(surface)),
               static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    RgbRow(surface, y, row);
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool RenderImage(const Picture& picture, PictureFormat format, int width, int height, int quality,
                 std::string* bytes, QK_TString* error) {
  Surface surface = RenderRaster(picture, width, height);
  if (Failed(cairo_surface_status(surface.get()), error)) return false;
  if (format == PictureFormat::kPng) {
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * 3);
    if (EncodePng(surface.get(), row.data(), bytes)) return true;
    *error = "the PNG could not be encoded";
    return false;
  }
  std::vector<unsigned char> rgb = RgbPixels(surface.get());
  if (stbi_write_jpg_to_func(AppendJpegBytes, bytes, width, height, 3, rgb.data(),
                             std::clamp(quality, kLowestJpegQuality, 100)) == 0) {
    *error = "the JPEG could not be encoded";
    return false;
  }
  return true;
}

bool SizeAllowed(int width, int height) {
  return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
         static_cast<long>(width) * height <= kMaxImagePixels;
}

}  // namespace

bool WritePicture(const Picture& picture, PictureFormat format, int width, int height, int quality,
                  const QK_TString& path, QK_TString* error) {
  if (format == PictureFormat::kUnsupported) {
    *error = "Picture type not supported (use .pdf, .png, .jpg or .jpeg): " + path;
    return false;
  }
  if (!SizeAllowed(width, height)) {
    *error = QK_TString::Format("Image size %d x %d is out of range", width, height);
    return false;
  }
  std::string bytes;
  QK_TString reason;
  bool drawn = format == PictureFormat::kPdf
                   ? RenderPdf(picture, width, height, &bytes, &reason)
                   : RenderImage(picture, format, width, height, quality, &bytes, &reason);
  if (!drawn || !WriteWholeFile(path, bytes, &reason)) {
    *error = "Image could not be written: " + path + " (" + reason + ")";
    return false;
  }
  return true;
}

bool WriteImage(const Picture& picture, int width, int height, int quality, const QK_TString& path,
                QK_TString* error) {
  PictureFormat format = PictureFormatOf(path);
  if (format != PictureFormat::kPng && format != PictureFormat::kJpeg) {
    *error = "Image type not supported (use .png, .jpg or .jpeg): " + path;
    return false;
  }
  return WritePicture(picture, format, width, height, quality, path, error);
}

}  // namespace FolvaneCAD
