// The results of a layout run: the best nest of an orientation, the best
// result of a production run, the delivered manufacturing file and preview
// of a result, and the preview written for each result as it is delivered.
#include <cstdlib>

#include <boost/lexical_cast.hpp>

#include "DRAVOInterface.h"
#include "QK_EException.h"
#include "ShapejobCodes.h"
#include "TW_TTask.h"

namespace CAD {

namespace {

// The input file's name with the separator that joins it to a folder.
const QK_TString kInputFileChild = QK_TString("/") + kInputFileName;

// The preview formats of a layout ticket and what ExportImage makes of them.
struct PreviewFormat {
  const char* name;
  std::int16_t kind;
  const char* extension;
};
const PreviewFormat kPreviewFormats[] = {{"JPEG", 1, ".JPG"}, {"PNG", 2, ".PNG"}};
constexpr std::int16_t kNoPreviewKind = 0;

// The fixed settings of a preview image: size in pixels, then the settings
// before and after the grain that ExportImage takes.
constexpr std::int16_t kPreviewWidth = 4205;
constexpr std::int16_t kPreviewHeight = 1875;
constexpr std::int32_t kPreviewMargin = 10;
constexpr std::int32_t kPreviewColour = 1;
constexpr std::int32_t kPreviewQuality = 100;

double NumberOf(const StringMap& values, const char* key) {
  return boost::lexical_cast<double>(ValueOf(values, key).str());
}

// Cost of a nest: the scrap over the sheet's area per one-up.
double NestScore(const StringMap& values) {
  return NumberOf(values, "ScrapPercent") * NumberOf(values, "SheetLength") * NumberOf(values, "SheetWidth") /
         NumberOf(values, "TotalOneUps");
}

double ScrapScore(const StringMap& values) { return NumberOf(values, "ScrapPercent"); }

// A nest that placed nothing has no score worth comparing (its division
// would give infinity or NaN).
bool HasOneups(const StringMap& values) { return NumberOf(values, "TotalOneUps") != 0.0; }

bool AnyResult(const StringMap&) { return true; }

// The index of the candidate with the smallest score (the earlier on ties),
// its three items copied out; -1 and cleared outputs when there is none.
template <class Score, class Candidate>
int SelectSmallest(const std::vector<std::shared_ptr<StringMap>>& values, const std::vector<DesignInfo>& designs,
                   const std::vector<StringMapList>& customValues, StringMap& bestValues, DesignInfo& bestDesign,
                   StringMapList& bestCustomValues, Score score, Candidate candidate) {
  int best = -1;
  double bestScore = 0.0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] == nullptr || !candidate(*values[i])) continue;
    const double current = score(*values[i]);
    if (best < 0 || bestScore > current) {
      best = static_cast<int>(i);
      bestScore = current;
    }
  }
  bestValues.clear();
  bestDesign = DesignInfo();
  bestCustomValues.clear();
  if (best < 0) return best;
  const auto index = static_cast<std::size_t>(best);
  bestValues = *values[index];
  bestDesign = designs.at(index);
  if (index < customValues.size()) bestCustomValues = customValues[index];
  return best;
}

// The part of `path` from its last "/" on, the "/" included (a path
// without one is a name by itself), cut before its last "_" `cuts` times.
// Only the name is cut: an "_" of a folder is no part of it.
QK_TString NameWithoutParts(const QK_TString& path, int cuts) {
  const std::size_t slash = path.FindLast('/');
  QK_TString name = slash == QK_TString::npos ? QK_TString("/") + path : path.Substring(slash);
  for (int i = 0; i < cuts; ++i) {
    const std::size_t underscore = name.FindLast('_');
    if (underscore != QK_TString::npos) name = name.Substring(0, underscore);
  }
  return name;
}

// The resolved output folder, created when missing, with `name` (from its
// "/" on), or the input file's name when `name` is only the separator.
QK_TURL DeliveredLocation(DRAVOInterface& cad, const QK_TString& folderText, const QK_TString& name) {
  // The layout run names its results before it saves them there.
  const QK_TURL location = cad.ResolveOutputFolder(folderText);
  const QK_TString child = name == "/" ? cad.ResolveLayoutName(kInputFileChild) : name;
  return location.Child(child.Substring(1));
}

}  // namespace

int DRAVOInterface::SelectBestNest(const std::vector<std::shared_ptr<StringMap>>& values,
                                   const std::vector<DesignInfo>& designs,
                                   const std::vector<StringMapList>& customValues, StringMap& bestValues,
                                   DesignInfo& bestDesign, StringMapList& bestCustomValues) {
  return SelectSmallest(values, designs, customValues, bestValues, bestDesign, bestCustomValues, NestScore,
                        HasOneups);
}

void DRAVOInterface::SelectLowestScrapResult(const std::vector<std::shared_ptr<StringMap>>& values,
                                             const std::vector<DesignInfo>& designs,
                                             const std::vector<StringMapList>& customValues,
                                             StringMap& bestValues, DesignInfo& bestDesign,
                                             StringMapList& bestCustomValues) {
  SelectSmallest(values, designs, customValues, bestValues, bestDesign, bestCustomValues, ScrapScore, AnyResult);
}

QK_TString DRAVOInterface::ResolveMFGFilePath(const StringMap& values, const LOTicketParam& ticket) {
  // A production nest's file carries two parts of its own: the run's number and the rotation.
  const QK_TString name = NameWithoutParts(ValueOf(values, "MFGFilePath"), 2);
  return DeliveredLocation(*this, ticket.mfgOutputFolder, name).ToString() + kManufacturingExtension;
}

QK_TString DRAVOInterface::ResolvePreviewFilePath(const StringMap& values, const LOTicketParam& ticket) {
  const QK_TString name = NameWithoutParts(ValueOf(values, "PreviewFilePath"), 1);
  QK_TString extension;
  GetPreviewKind(ticket.previewFileFormat, extension);
  return DeliveredLocation(*this, ticket.previewOutputFolder, name).ToString() + extension;
}

std::int16_t DRAVOInterface::GetPreviewKind(const QK_TString& format, QK_TString& extension) {
  for (const PreviewFormat& known : kPreviewFormats) {
    if (format.EqualsIgnoreCase(known.name)) {
      extension = known.extension;
      return known.kind;
    }
  }
  extension = QK_TString();
  return kNoPreviewKind;
}

std::int16_t DRAVOInterface::ExportLayoutPreview(std::int16_t kind, const QK_TString& path, std::int32_t grain) {
  return ExportImage(kind, path, kPreviewWidth, kPreviewHeight, kPreviewMargin, GetImageSetting60(), grain,
                     kPreviewColour, kPreviewQuality);
}

QK_TURL DRAVOInterface::EntryPreviewLocation(const QK_TString& baseName, const QK_TURL& tryFolder,
                                             const LOTicketParam& ticket) {
  QK_TURL path = ticket.layoutForProduction ? tryFolder.Child(baseName) : MakePreviewOutputPath(ticket, baseName);
  QK_TString extension;
  GetPreviewKind(ticket.previewFileFormat, extension);
  if (!extension.Empty()) ChangeExtension(path, extension);
  return path;
}

int DRAVOInterface::WriteEntryPreview(const QK_TString& baseName, const QK_TURL&, QK_TURL& previewLocation,
                                      const QK_TURL& tryFolder, const LOTicketParam& ticket,
                                      const LayoutTemplateNames& names, StringMap& values,
                                      TW_TTaskOutput& previewContext) {
  if (!ticket.generatePreview) return 0;
  const QK_TURL path = EntryPreviewLocation(baseName, tryFolder, ticket);
  QK_TString extension;
  const std::int16_t kind = GetPreviewKind(ticket.previewFileFormat, extension);

  int warning = 0;
  if (ticket.layoutForProduction) {
    // Only the chosen result of a production run gets its image, at the end.
    if (reporter != nullptr) reporter->RegisterTempFile(path);
  } else {
    Report(Severity::kInformation, "shapejobs.message.previewfilepath", QK_TAny(path));
    if (ExportLayoutPreview(kind, path.LocalName(), std::atoi(names.grainDirection.c_str())) != Status::kDone) {
      // A preview that was not made is no output of the task.
      Report(Severity::kError, "shapejobs.message.previewfailed", QK_TAny(GetErrorString()));
      warning = 1;
    } else {
      previewContext.AddOutputFile(path, QK_TString());
    }
  }
  previewLocation = path;
  values[QK_TString("PreviewFilePath")] = path.ToString();
  return warning;
}

}  // namespace CAD
