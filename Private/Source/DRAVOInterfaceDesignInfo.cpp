// The design-information operations: the CAD application's description of
// a design, extended by an "Extra" element with its menus, custom
// variables, embedded designs, thumbnail, print items and document plots,
// written as an XML document; with a list of designs, one document per
// design gathered in a "Results" document.
#include "DRAVOInterfaceDesignInfo.h"

#include <map>
#include <memory>
#include <xercesc/dom/DOM.hpp>

#include "DravoException.h"
#include "FileNameParts.h"
#include "ShapejobCodes.h"
#include "TW_TTask.h"
#include "XUtilityText.h"
#include "XUtilityXml.h"

namespace CAD {

namespace {

// Thumbnail sizes in pixels: a blank size or one outside the range is the
// default.
constexpr std::int16_t kDefaultSize = 200;
constexpr int kMinimumSize = 10;
constexpr int kMaximumSize = 30000;

// The JPEG quality of each quality word; a blank word is "High", any other
// word the default.
struct QualityWord {
  const char* word;
  std::uint32_t code;
};
const QualityWord kQualities[] = {{"High", 100}, {"Medium", 50}, {"Low", 0}};
const QK_TString kBlankQualityWord(L"High");
constexpr std::uint32_t kDefaultQuality = 100;

// The status of a thumbnail not exported (yet).
constexpr std::int16_t kNotExported = -1;

// The messages of one thumbnail size.
struct SizeKeys {
  const char* blank;
  const char* value;
  const char* outOfRange;
};
const SizeKeys kWidthKeys{"shapejobs.warning.blankwidthvalue", "shapejobs.width.value",
                          "shapejobs.warning.widthincorrectrangevalue"};
const SizeKeys kHeightKeys{"shapejobs.warning.blankheightvalue", "shapejobs.height.value",
                           "shapejobs.warning.heightincorrectrangevalue"};

// An exported design's variables are its keys "Variable<number>".
const QK_TString kVariableKey(L"Variable");
constexpr std::size_t kMaximumVariableDigits = 9;

bool IsKind(const QK_TString& kind, const char* wanted) { return kind.EqualsIgnoreCase(wanted); }

// The number of a "Variable<number>" key, or 0 for any other key.
unsigned long VariableNumber(const QK_TString& key) {
  if (!key.StartsWith(kVariableKey)) return 0;
  const QK_TString digits = key.Substring(kVariableKey.Length());
  if (digits.Empty() || digits.Length() > kMaximumVariableDigits) return 0;
  for (char c : digits.str()) {
    if (c < '0' || c > '9') return 0;
  }
  return std::stoul(digits.str());
}

// The variables of an exported design, in the order of their numbers: each
// a list of attribute names and values, of which "name", "type" and
// "expression" (in any case) make the variable.
CustomVariableList DesignVariables(const StringMap& design) {
  std::map<unsigned long, QK_TString> numbered;
  for (const auto& [key, value] : design) {
    const unsigned long number = VariableNumber(key);
    if (number > 0) numbered.emplace(number, value);
  }
  CustomVariableList variables;
  for (const auto& entry : numbered) {
    const std::vector<QK_TString> fields = SplitVariableFields(entry.second);
    auto variable = std::make_shared<CustomVariable>();
    for (std::size_t k = 0; k + 1 < fields.size(); k += 2) {
      if (fields[k].EqualsIgnoreCase("Name")) variable->name = fields[k + 1];
      if (fields[k].EqualsIgnoreCase("type")) variable->type = fields[k + 1];
      if (fields[k].EqualsIgnoreCase("expression")) variable->expression = fields[k + 1];
    }
    variables.push_back(std::move(variable));
  }
  return variables;
}

}  // namespace

// One export: its output contexts and warning flag, the files it wrote,
// and the steps of one design's pass.
class DesignInfoExport {
 public:
  DesignInfoExport(DRAVOInterface& cad, const ShopCardTicketData& record, const QK_TURL& output)
      : cad_(cad), record_(record), output_(output) {}

  int ExportDesign(QK_TString& text);
  int ExportDesigns(const StringMapList& designs, QK_TString& text);

 private:
  // What one design's pass gathers for its document.
  struct Pass {
    QK_TString reference;
    QK_TURL documentFile;  // the CAD application's description of the design
    QK_TString kind;       // "KPX", "MFG", "DESIGN" or ""
    QK_TURL thumbnail;
    std::int16_t thumbnailStatus = kNotExported;
    std::int16_t width = kDefaultSize;
    std::int16_t height = kDefaultSize;
    std::int16_t unit = 0;
    QK_TString parameterSet;
    DRAVOInterface::PrintItemList printItems;
    StringMapList customValues;
    DRAVOInterface::EmbeddedDesigns embeddedDesigns;
    DRAVOInterface::MenuList menus;
    DRAVOInterface::ParameterGroups parameters;
    PlotList plots;
  };
  // What differs between the designs of a list.
  struct DesignSettings {
    QK_TString width;
    QK_TString height;
    QK_TString quality;
    QK_TString printItemPrefix;
    std::int32_t index;
  };

  void OpenDesign(Pass& pass, const QK_TString& script, QK_TString& text);
  void RunScript(const QK_TString& script);
  void ExportImages(Pass& pass, const DesignSettings& settings);
  std::int16_t ReadSize(const QK_TString& text, const SizeKeys& keys);
  std::uint32_t ReadQuality(const QK_TString& text);
  void ReadUnit(Pass& pass);
  void CollectAndClose(Pass& pass, const CustomVariableList& variables, const QK_TString& designName);
  StringMapList EvaluateCustomVariables(const Pass& pass, const CustomVariableList& variables);
  XmlDocument BuildDocument(const Pass& pass, bool partOfResults);
  void KeepThumbnails(const Pass& pass);
  // `image` itself, or the name it takes when an earlier input of the
  // ticket delivered that file.
  QK_TURL FreeImage(const QK_TURL& image) const { return record_.delivered->FreeLocation(image, cad_.reporter); }
  void Register();

  void Report(int severity, const char* key) { cad_.Report(severity, key); }
  void Report(int severity, const char* key, const QK_TAny& value) { cad_.Report(severity, key, value); }
  void Report(int severity, const char* key, const QK_TAny& first, const QK_TAny& second) {
    cad_.Report(severity, key, first, second);
  }

  DRAVOInterface& cad_;
  const ShopCardTicketData& record_;
  const QK_TURL& output_;
  std::int32_t warning_ = 0;
  // The images written, registered at the end (and removed when a list's
  // document cannot be completed).
  std::vector<QK_TURL> thumbnails_;
  PlotList plots_;
};

int DesignInfoExport::ExportDesign(QK_TString& text) {
  Pass pass;
  pass.reference = cad_.MakeDesignInfoReference(record_);
  if (pass.reference.Empty()) QK_THROW(EmptyDesignNameException(QK_TString("The Design Name is empty")));
  OpenDesign(pass, record_.commandScript, text);

  pass.thumbnail = output_;
  DRAVOInterface::ChangeExtension(pass.thumbnail, ".JPG");
  pass.thumbnail = FreeImage(pass.thumbnail);
  // The print items' images are named after the output file, beside it.
  ExportImages(pass, {record_.thumbnailWidth, record_.thumbnailHeight, record_.thumbnailQuality,
                      StemOf(output_.FileName()), kNoDesignIndex});
  ReadUnit(pass);
  CollectAndClose(pass, record_.customVariables, record_.designName);

  const XmlDocument document = BuildDocument(pass, false);
  WriteXmlDocument(*document, output_);
  KeepThumbnails(pass);
  plots_ = pass.plots;
  Register();
  return warning_;
}

int DesignInfoExport::ExportDesigns(const StringMapList& designs, QK_TString& text) {
  if (designs.empty()) QK_THROW(NoDesignInfoExportedException());
  std::uint32_t appended = 0;
  for (std::size_t i = 0; i < designs.size(); ++i) {
    const StringMap& design = designs[i];
    Pass pass;
    if (!design.empty()) pass.reference = cad_.MakeDesignReference(design);
    if (pass.reference.Empty()) {
      Report(Severity::kInformation, "shapejobs.message.designpathnotfound", QK_TAny(pass.reference));
      warning_ = 1;
      continue;
    }
    const QK_TString script =
        NormaliseCommandScript({ValueOf(design, "CommandScript", record_.commandScript), false});
    OpenDesign(pass, script, text);

    const QK_TString designName = ValueOf(design, "Name", QK_TString());
    const QK_TString base = DRAVOInterface::SanitizeFileName(StemOf(designName));
    const auto index = static_cast<std::int32_t>(i + 1);
    pass.thumbnail = output_;
    pass.thumbnail.SetFileName(
        QK_TString::Format("%s_%s_%d", base.c_str(), "Thumbnail", static_cast<int>(index)));
    DRAVOInterface::ChangeExtension(pass.thumbnail, ".JPG");
    pass.thumbnail = FreeImage(pass.thumbnail);
    ExportImages(pass, {ValueOf(design, "width", record_.thumbnailWidth),
                        ValueOf(design, "height", record_.thumbnailHeight),
                        ValueOf(design, "quality", record_.thumbnailQuality),
                        QK_TString::Format("%s_%s", base.c_str(), "PrintItem"), index});
    ReadUnit(pass);
    CustomVariableList variables = DesignVariables(design);
    DRAVOInterface::MergeCustomVariables(record_, variables);
    KeepThumbnails(pass);
    CollectAndClose(pass, variables, designName);
    plots_.insert(plots_.end(), pass.plots.begin(), pass.plots.end());

    const QK_TURL documentFile = cad_.TemporaryFile(".xml", false);
    const XmlDocument document = BuildDocument(pass, true);
    WriteXmlDocument(*document, documentFile);
    DRAVOInterface::AppendToResultsDocument(output_, documentFile, appended);
  }
  if (appended == 0) QK_THROW(NoDesignInfoExportedException());
  Register();
  return warning_;
}

// Opens the design, runs its script and writes the CAD application's
// description of it, which also tells the kind of a design whose name
// does not.
void DesignInfoExport::OpenDesign(Pass& pass, const QK_TString& script, QK_TString& text) {
  Report(Severity::kInformation, "shapejobs.message.shopcarddesign", QK_TAny(pass.reference));
  cad_.OpenDesign(pass.reference);
  RunScript(script);
  Report(Severity::kInformation, "shapejobs.info.GeneratingDesignInfo");
  cad_.GetDocROMDXml(text);
  pass.documentFile = cad_.TemporaryFile(".xml", false);
  cad_.WriteXMLText(text, pass.documentFile);

  const QK_TString extension = ExtensionOf(pass.reference).Substring(1);
  pass.kind = IsKind(extension, "MFG") || IsKind(extension, "KPX")
                  ? extension.ToUpper()
                  : DRAVOInterface::GetDocumentKind(pass.documentFile);
}

// A failing script is a warning: the export goes on.
void DesignInfoExport::RunScript(const QK_TString& script) {
  if (script.Empty()) return;
  Report(Severity::kInformation, "shapejobs.message.runcommandscript", QK_TAny(script));
  if (cad_.RunCommand(script) != Status::kDone) {
    warning_ = 1;
    Report(Severity::kWarning, "shapejobs.message.dravoerrorstring", QK_TAny(cad_.GetErrorString()));
  }
}

// The print items, the size of the images, the thumbnail and the print
// items' thumbnails, as the ticket asks.
void DesignInfoExport::ExportImages(Pass& pass, const DesignSettings& settings) {
  const bool design = IsKind(pass.kind, "KPX");
  if (!record_.exportThumbnail && design) pass.printItems = cad_.ExportPrintItems(true);
  if (record_.exportThumbnail || record_.exportDocPlots) {
    pass.width = ReadSize(settings.width, kWidthKeys);
    pass.height = ReadSize(settings.height, kHeightKeys);
  }
  if (!record_.exportThumbnail) return;
  const std::uint32_t quality = ReadQuality(settings.quality);
  Report(Severity::kInformation, "shapejobs.message.creatingthumbnail");
  const QK_TString path = pass.thumbnail.LocalName();
  pass.thumbnailStatus = ExportThumbnailImage(cad_, path, pass.width, pass.height, quality);
  if (pass.thumbnailStatus != Status::kDone) {
    warning_ = 1;
    Report(Severity::kWarning, "shapejobs.message.exportthumbnailfailed", QK_TAny(cad_.GetErrorString()),
           QK_TAny(path));
  }
  if (design) {
    pass.printItems = cad_.CreatePrintItemThumbnails(output_, pass.width, pass.height, warning_,
                                                     settings.printItemPrefix, settings.index, quality,
                                                     *record_.delivered);
  }
}

// A size in pixels; a text without a number leaves the export with the
// standard library's failure.
std::int16_t DesignInfoExport::ReadSize(const QK_TString& text, const SizeKeys& keys) {
  if (text.Trim().Empty()) {
    Report(Severity::kWarning, keys.blank, QK_TAny(text));
    return kDefaultSize;
  }
  const int value = std::stoi(text.str());
  Report(Severity::kInformation, keys.value, QK_TAny(text));
  if (value < kMinimumSize || value > kMaximumSize) {
    Report(Severity::kWarning, keys.outOfRange, QK_TAny(QK_TString::Format("%d", value)));
    return kDefaultSize;
  }
  return static_cast<std::int16_t>(value);
}

std::uint32_t DesignInfoExport::ReadQuality(const QK_TString& text) {
  QK_TString word = text;
  if (text.Trim().Empty()) {
    Report(Severity::kWarning, "shapejobs.warning.blankqualityvalue", QK_TAny(text));
    word = kBlankQualityWord;
  } else {
    Report(Severity::kInformation, "shapejobs.quality.value", QK_TAny(text));
  }
  for (const QualityWord& quality : kQualities) {
    if (word.EqualsIgnoreCase(quality.word)) return quality.code;
  }
  Report(Severity::kWarning, "shapejobs.warning.invalidquality", QK_TAny(word));
  return kDefaultQuality;
}

// The design's unit and the parameter set its standard is opened with for
// the document plots.
void DesignInfoExport::ReadUnit(Pass& pass) {
  pass.unit = cad_.GetUnit();
  QK_TString unitWord;
  if (pass.unit == UnitCode::kMillimetres) unitWord = "millimeters";
  if (pass.unit == UnitCode::kInches) unitWord = "inches";
  pass.parameterSet =
      cad_.EvaluateStringExpression("#GRAIN$") + " - " + unitWord + " - " + "Single design parameters";
}

// Custom variables, embedded designs, document plots and menus, as the
// ticket asks; then the design is closed.
void DesignInfoExport::CollectAndClose(Pass& pass, const CustomVariableList& variables,
                                       const QK_TString& designName) {
  if (record_.exportCustomVariables) pass.customValues = EvaluateCustomVariables(pass, variables);
  if (IsKind(pass.kind, "MFG")) {
    Report(Severity::kInformation, "shapejobs.info.embeddeddesigninfo");
    pass.embeddedDesigns = cad_.ReadEmbeddedDesigns();
  }
  // The standards component reads a design of the database from a local copy.
  if ((record_.exportMenuVariables || record_.exportDocPlots) &&
      (IsKind(pass.kind, "KPX") || IsKind(pass.kind, "DESIGN"))) {
    cad_.SaveReferencedDesignLocally(pass.reference, warning_);
  }
  if (record_.exportDocPlots) {
    Report(Severity::kInformation, "shapejobs.message.openstandard", QK_TAny(pass.reference));
    cad_.OpenStandard(pass.reference, kDesignStandardOption, pass.unit, QK_TString(), pass.parameterSet);
    Report(Severity::kInformation, "shapejobs.message.creatingdocplots");
    if (cad_.GenerateDocPlots(designName, output_, pass.plots, pass.width, pass.height, *record_.delivered) != 0) {
      warning_ = 1;
    }
  }
  if (record_.exportMenuVariables) {
    pass.parameters = cad_.ReadDesignParameters(pass.reference, cad_.TemporaryFile(".xml", false), pass.menus,
                                                pass.kind, warning_);
  }
  Report(Severity::kInformation, "shapejobs.message.shopcardclosingdesign");
  cad_.CloseDesign();
}

// A variable that cannot be evaluated ends the export, reported.
StringMapList DesignInfoExport::EvaluateCustomVariables(const Pass& pass,
                                                        const CustomVariableList& variables) {
  StringMapList values;
  cad_.EvaluateCustomVariables(values, variables, warning_, pass.kind);
  return values;
}

// The description of the design with "Extra" as its root's last child.
XmlDocument DesignInfoExport::BuildDocument(const Pass& pass, bool partOfResults) {
  XmlDocument document = DRAVOInterface::ParseXMLFile(pass.documentFile);
  xercesc::DOMElement* extra = document->createElement(u"Extra");
  if (record_.exportMenuVariables)
    DRAVOInterface::AppendMenusElement(*document, *extra, pass.parameters, pass.menus);
  if (record_.exportCustomVariables) {
    if (partOfResults) {
      cad_.AppendCustomElementWithCleanup(*document, *extra, pass.customValues, thumbnails_, plots_, output_);
    } else {
      DRAVOInterface::AppendCustomElement(*document, *extra, pass.customValues);
    }
  }
  if (IsKind(pass.kind, "MFG"))
    DRAVOInterface::AppendEmbeddedDesignsElement(*document, *extra, pass.embeddedDesigns);
  if (record_.exportThumbnail) {
    DRAVOInterface::AppendThumbnailElement(*document, *extra, pass.thumbnail, pass.thumbnailStatus);
  }
  if (IsKind(pass.kind, "KPX") && !pass.printItems.empty()) {
    DRAVOInterface::AppendPrintItemsElement(*document, *extra, pass.printItems);
  }
  if (record_.exportDocPlots) DRAVOInterface::AppendDocplotsElement(*document, *extra, pass.plots);
  document->getDocumentElement()->appendChild(extra);
  return document;
}

// Only an image whose export answered Status::kDone is kept.
void DesignInfoExport::KeepThumbnails(const Pass& pass) {
  if (pass.thumbnailStatus == Status::kDone) thumbnails_.push_back(pass.thumbnail);
  for (const DRAVOInterface::PrintItemInfo& item : pass.printItems) {
    if (item.exported) thumbnails_.push_back(item.address);
  }
}

// The document and the images written are delivered; the document goes on
// "Warning" or "XML" by the warning flag, the images on "Thumbnail".
void DesignInfoExport::Register() {
  DeliveredLocations& delivered = *record_.delivered;
  delivered.Add(output_);
  for (const QK_TURL& thumbnail : thumbnails_) delivered.Add(thumbnail);
  for (const auto& plot : plots_) delivered.Add(QK_TURL::FromString(plot.second));
  TW_TTask* task = cad_.reporter;
  if (task == nullptr) return;
  TW_TTaskOutput result(warning_ != 0 ? "Warning" : "XML");
  result.AddOutputFile(output_, QK_TString());
  task->AddTaskOutputContext(result);
  TW_TTaskOutput images("Thumbnail");
  if (record_.exportThumbnail) {
    for (const QK_TURL& thumbnail : thumbnails_) images.AddOutputFile(thumbnail, QK_TString());
  }
  if (record_.exportDocPlots) {
    for (const auto& plot : plots_) images.AddOutputFile(QK_TURL::FromString(plot.second), QK_TString());
  }
  if (!images.Files().empty()) task->AddTaskOutputContext(images);
}

int DRAVOInterface::GenerateDesignInfo(ShopCardTicketData& record, QK_TString& text,
                                       QK_TURL& outputLocation) {
  return DesignInfoExport(*this, record, outputLocation).ExportDesign(text);
}

int DRAVOInterface::GenerateDesignInfoWithVariables(ShopCardTicketData& record,
                                                    StringMapList& exportedDesigns, QK_TString& text,
                                                    QK_TURL& outputLocation) {
  return DesignInfoExport(*this, record, outputLocation).ExportDesigns(exportedDesigns, text);
}

}  // namespace CAD
