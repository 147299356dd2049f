// The output step of a chosen layout (its manufacturing file opened, saved
// where the results go and exported as the preview) and the identifying
// part of a layout's error entry.
#include <cstdlib>

#include "DRAVOInterface.h"
#include "ShapejobCodes.h"

namespace CAD {

namespace {

// The local file of a location text. The URL form is decoded: a folder with
// blanks or other escaped characters is named as the file system names it.
QK_TString LocalFileOf(const QK_TString& location) { return QK_TURL::FromString(location).LocalName(); }

// The path as the CAD application's save takes it, with "\" separators.
QK_TString SavePathOf(const QK_TString& location) { return LocalFileOf(location).ReplaceChars('/', '\\'); }

}  // namespace

int DRAVOInterface::GenerateLayoutPreview(const StringMap& values, const LOTicketParam& ticket) {
  const QK_TString mfg = ResolveMFGFilePath(values, ticket);
  return SaveChosenLayout(values, ticket, mfg,
                          ticket.generatePreview ? ResolvePreviewFilePath(values, ticket) : QK_TString());
}

int DRAVOInterface::SaveChosenLayout(const StringMap& values, const LOTicketParam& ticket,
                                     const QK_TString& mfgLocation, const QK_TString& previewLocation) {
  int warning = 0;
  const QK_TString& mfgFile = ValueOf(values, "MFGFilePath");
  Report(Severity::kInformation, "shapejobs.message.opendesign", QK_TAny(mfgFile));
  OpenDesign(LocalFileOf(mfgFile));
  if (ticket.databaseKind == kConventionalKind && SetDesignPeople(ticket.dbInfo) == 1) warning = 1;
  SetOption72(1);
  SetOption36(0);

  const QK_TString outputPath = SavePathOf(mfgLocation);
  Report(Severity::kInformation, "shapejobs.message.opendesign", QK_TAny(outputPath));
  if (SaveDesign(outputPath) == Status::kDoneWithRemarks) warning = 1;

  if (!previewLocation.Empty()) {
    QK_TString extension;
    const std::int16_t kind = GetPreviewKind(ticket.previewFileFormat, extension);
    const QK_TString& preview = previewLocation;
    Report(Severity::kInformation, "shapejobs.message.previewfilepath", QK_TAny(preview));
    const int grain = std::atoi(ValueOf(values, "GrainDirection").c_str());
    if (ExportLayoutPreview(kind, LocalFileOf(preview), grain) != Status::kDone) {
      Report(Severity::kError, "shapejobs.message.previewfailed", QK_TAny(preview));
      // A preview that was not made is a warning, as for each delivered result.
      warning = 1;
    }
  }
  Report(Severity::kInformation, "shapejobs.message.loclosingdesign");
  CloseDesign();
  return warning;
}

void DRAVOInterface::MakeErrorEntry(const QK_TString& formatClass, const QK_TString& mfgTemplate,
                                    std::int16_t grainCode, std::uint32_t nestingType, StringMap& entry) {
  entry.emplace(QK_TString("FormatClass"), formatClass);
  entry.emplace(QK_TString("MFGTemplate"), mfgTemplate);
  entry.emplace(QK_TString("GrainDirection"), QK_TString::Format("%d", static_cast<int>(grainCode)));
  entry.emplace(QK_TString("NestingType"), QK_TString::Format("%u", static_cast<unsigned>(nestingType)));
}

}  // namespace CAD
