// The main control's pictures of the open document (see FolvaneCADDrawing.h
// for what they show): image exports, written as PNG or JPEG by the file's
// extension, and outputs (FolvaneCADMainControl.h).
#include "Base/FolvaneCADText.h"
#include "Components/FolvaneCADMainControl.h"
#include "Output/FolvaneCADDrawing.h"

namespace FolvaneCAD {

namespace {

constexpr int kThumbnailSize = 200;
constexpr int kDefaultQuality = 90;
// An output's PDF page is A4 landscape, in points; its images are pixels.
constexpr int kOutputPageWidth = 842;
constexpr int kOutputPageHeight = 595;
constexpr int kOutputImageWidth = 1000;
constexpr int kOutputImageHeight = 750;

QK_TString CurrentPrintItemName(const Document& document) {
  const Design* design = document.CurrentDesign();
  int item = document.currentPrintItem();
  if (design == nullptr || item < 1 || item > static_cast<int>(design->printItems.size())) return "none";
  return design->printItems[item - 1].name;
}

std::vector<QK_TString> OutputCaption(const Document& document, const QK_TString& output, long sampleType) {
  return {"Design: " + BaseName(document.path()), "Output: " + output,
          QK_TString::Format("Sample type: %ld", sampleType),
          "Print item: " + CurrentPrintItemName(document)};
}

}  // namespace

// (kind, path, width, height, then five numbers of which the last is the
// JPEG quality). Every kind draws the same view of the document.
Answer MainControl::ExportImage(const Arguments& args) {
  return ExportPicture(args.Text(1), static_cast<int>(args.Integer(2)), static_cast<int>(args.Integer(3)),
                      static_cast<int>(args.Integer(8)));
}

Answer MainControl::ExportThumbnail(const Arguments& args) {
  return ExportPicture(args.Text(0), kThumbnailSize, kThumbnailSize, kDefaultQuality);
}

Answer MainControl::ExportPicture(const QK_TString& path, int width, int height, int quality) {
  Document* document = DocumentOrFail();
  if (document == nullptr) return Answer::Status(kStatusNoDesign);
  QK_TString local = LocalPath(path.Trim());
  if (local.Empty()) return Fail(VT_I2, kStatusFailed, "No image file given");
  QK_TString error;
  if (!WriteImage(Picture{DrawDocument(*document), {}}, width, height, quality, local, &error)) {
    return Fail(VT_I2, kStatusFailed, error);
  }
  Wrote(local);
  return Answer::Status(kStatusOk);
}

// (output name, sample type, path).
Answer MainControl::WriteOutput(const Arguments& args) {
  Document* document = DocumentOrFail();
  if (document == nullptr) return Answer::Status(kStatusNoDesign);
  QK_TString name = args.Text(0).Trim();
  if (name.Empty()) return Fail(VT_I2, kStatusFailed, "No output name given");
  QK_TString path = LocalPath(args.Text(2).Trim());
  QK_TString error;
  if (path.Empty() && session_->dataRoot.Empty()) {
    return Fail(VT_I2, kStatusFailed, "No data folder is set, so output " + name + " has no destination");
  }
  if (path.Empty() && !spool_.NextFile(session_->dataRoot.folder(), name, &path, &error)) {
    return Fail(VT_I2, kStatusFailed, error);
  }
  PictureFormat format = PictureFormatOf(path);
  bool image = format == PictureFormat::kPng || format == PictureFormat::kJpeg;
  Picture picture{DrawDocument(*document), OutputCaption(*document, name, args.Integer(1))};
  if (!WritePicture(picture, image ? format : PictureFormat::kPdf,
                    image ? kOutputImageWidth : kOutputPageWidth,
                    image ? kOutputImageHeight : kOutputPageHeight, kDefaultQuality, path, &error)) {
    return Fail(VT_I2, kStatusFailed, error);
  }
  Wrote(path);
  return Answer::Status(kStatusOk);
}

}  // namespace FolvaneCAD
