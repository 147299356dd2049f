// The main control's pictures of the open document (see FolvaneCADDrawing.h
// for what they show), written as PNG or JPEG by the file's extension.
#include "Components/FolvaneCADMainControl.h"
#include "Output/FolvaneCADDrawing.h"
#include "Output/FolvaneCADText.h"

namespace FolvaneCAD {

namespace {

constexpr int kThumbnailSize = 200;
constexpr int kOutputWidth = 1000;
constexpr int kOutputHeight = 750;
constexpr int kDefaultQuality = 90;

}  // namespace

// (kind, path, width, height, then five numbers of which the last is the
// JPEG quality). Every kind draws the same view of the document.
Answer MainControl::ExportImage(const Arguments& args) {
  return WritePicture(args.Text(1), static_cast<int>(args.Integer(2)), static_cast<int>(args.Integer(3)),
                      static_cast<int>(args.Integer(8)));
}

Answer MainControl::ExportThumbnail(const Arguments& args) {
  return WritePicture(args.Text(0), kThumbnailSize, kThumbnailSize, kDefaultQuality);
}

// (output name, sample type, path): the stand-in's only outputs are
// pictures, so the path must name a PNG or JPEG file.
Answer MainControl::WriteOutput(const Arguments& args) {
  return WritePicture(args.Text(2), kOutputWidth, kOutputHeight, kDefaultQuality);
}

Answer MainControl::WritePicture(const QK_TString& path, int width, int height, int quality) {
  Document* document = DocumentOrFail();
  if (document == nullptr) return Answer::Status(kStatusNoDesign);
  QK_TString local = LocalPath(path.Trim());
  if (local.Empty()) return Fail(VT_I2, kStatusFailed, "No image file given");
  QK_TString error;
  if (!WriteImage(DrawDocument(*document), width, height, quality, local, &error)) {
    return Fail(VT_I2, kStatusFailed, error);
  }
  return Answer::Status(kStatusOk);
}

}  // namespace FolvaneCAD
