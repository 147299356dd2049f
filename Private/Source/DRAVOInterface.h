// The abstract interface to the CAD application.
//
// A driver implements the virtual operations as automation calls on the CAD
// application's controls: DRAVOWrapper for a conventional CAD server,
// EDRAVOWrapper for an enterprise one. The task owns one driver for the
// server it is connected to; the task operations reach the CAD application
// only through these operations.
//
// Operations that return a status hand the CAD application's 16-bit result
// to the caller (0 is success); the others throw a class of the
// DravoException family, whose data is the application's own error text.
//
// Besides the virtual operations the class holds the task operations
// (GenerateLayout, GenerateShopCard, ...) and the steps they share, each
// with its contract. The working state of one call lives in a method object
// of its operation's files, a friend of this class: DesignInfoExport
// (DRAVOInterfaceDesignInfo.h), LayoutRun (DRAVOInterfaceLayoutRun.h) and
// ShopCardRun (DRAVOInterfaceShopCardRun.h). The codes of the calls are in
// DRAVOInterfaceCodes.h.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include <xercesc/util/XercesDefs.hpp>

#include "DRAVOInterfaceCodes.h"
#include "DRAVOInterfaceLayoutRecords.h"
#include "QK_TAny.h"
#include "QK_TString.h"
#include "QK_TURL.h"
#include "ShapejobTicketData.h"
#include "XUtilityXml.h"

class TW_TTask;
class TW_TTaskOutput;

XERCES_CPP_NAMESPACE_BEGIN
class DOMDocument;
class DOMElement;  // Design information.
XERCES_CPP_NAMESPACE_END

namespace CAD {

// Document plots: plot name and the file URL of its image.
using PlotList = std::vector<std::pair<QK_TString, QK_TString>>;

class DRAVOInterface {
 public:
  // `reporter` (not owned, may be null) receives the operations' messages.
  explicit DRAVOInterface(TW_TTask* reporter) : reporter(reporter) {}
  virtual ~DRAVOInterface();
  DRAVOInterface(const DRAVOInterface&) = delete;
  DRAVOInterface& operator=(const DRAVOInterface&) = delete;

  // Last error texts of the main control, the standards component and the
  // layout object.
  virtual QK_TString GetErrorString() = 0;
  virtual QK_TString GetStandardErrorString() = 0;
  virtual QK_TString GetLayoutErrorString() = 0;

  // Conventional servers only; the defaults do nothing.
  virtual void SetDefaultsLocation(const QK_TString& folder);
  virtual void SwitchDataSource(const QK_TString& dataSourceName);
  virtual void InitConnection(const QK_TString& dataSourceName);

  virtual void OpenDesign(const QK_TString& design) = 0;
  // Status::kDone saved, Status::kDoneWithRemarks saved with remarks
  // (reported as a warning).
  virtual std::int16_t SaveDesign(const QK_TString& path) = 0;
  virtual void GetDocROMDXml(QK_TString& xml) = 0;
  virtual void StartControl() = 0;
  virtual QK_TString GetVersion() = 0;
  virtual std::int16_t InvokeMethod13() = 0;
  // Index 0 is every layer, -1 the last one; on is 1 or 0.
  virtual std::int16_t SetLayer(std::int32_t index, std::int16_t on) = 0;
  virtual std::int16_t Rebuild() = 0;
  // One shop-card output of the open design.
  virtual std::int16_t InvokeMethod16(const QK_TString& outputName, std::int16_t sampleType,
                                      const QK_TString& outputPath) = 0;
  virtual void CloseDesign() = 0;
  virtual void SetBoardCode(const QK_TString& boardCode) = 0;
  virtual std::int16_t SetNumericVariable(const QK_TString& name, double value) = 0;
  virtual std::int16_t AddNumericVariable(const QK_TString& name, double value) = 0;
  virtual std::int16_t SetStringVariable(const QK_TString& name, const QK_TString& value) = 0;
  virtual std::int16_t AddStringVariable(const QK_TString& name, const QK_TString& value) = 0;
  virtual std::int16_t ReadNumericVariable(const QK_TString& name, double& value) = 0;
  virtual std::int16_t ReadStringVariable(const QK_TString& name, QK_TString& value) = 0;
  virtual std::int16_t RunCommand(const QK_TString& command) = 0;
  virtual void SetStyleWorkspace(const QK_TString& workspace) = 0;
  virtual std::int16_t RunStyleStandard(std::int16_t flag) = 0;
  virtual void SetOption28(std::int16_t value) = 0;
  // A UnitCode.
  virtual void SetOption29(std::int16_t unit) = 0;
  virtual void SetBoardCodeAndDescription(const QK_TString& boardCode, const QK_TString& description) = 0;
  virtual void SetPrintSide(std::int16_t printSide) = 0;
  virtual void StartStandardControl() = 0;
  virtual void OpenStandard(const QK_TString& standard, std::int16_t option, std::int16_t unit,
                            const QK_TString& text, const QK_TString& parameterSet) = 0;
  // Runs the open standard with the variables; 1 when it ended with a warning.
  virtual int RunStandard(const VariableList& variables) = 0;
  virtual void SaveStandardDesign(const QK_TString& path) = 0;
  virtual void SetOption36(std::int16_t value) = 0;

  // The reference of a design from the keys "Name", "Path", "Project" and
  // "Version": a path with the name appended, or "@project:version:name" /
  // "@project:name" for a design of the enterprise database.
  virtual QK_TString MakeDesignReference(const StringMap& design);
  // The same rule over a shop-card record; falls back to designNotFoundPath.
  virtual QK_TString MakeDesignInfoReference(const ShopCardTicketData& record);

  // The layout object, held between GetLayoutObject and ReleaseLayoutObject.
  virtual void GetLayoutObject() = 0;
  virtual std::int16_t SetSheetSize(double a, double b, double c, double d, double e, double f) = 0;
  // The one-up index; below 1 means failure.
  virtual std::int32_t AddOneup(const QK_TString& designReference) = 0;
  virtual std::int16_t SetNestData(std::int32_t nestingType, double gapX, double gapY, std::int16_t flag) = 0;
  virtual std::int32_t QueryOneup43(std::int32_t oneup) = 0;
  virtual std::int32_t QueryOneup44(std::int32_t oneup) = 0;
  virtual std::int16_t PlaceOneupGrid(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) = 0;
  virtual std::int32_t GetLayoutValue46(std::int32_t value) = 0;
  virtual std::int32_t GetLayoutValue47(std::int32_t value) = 0;
  virtual std::int16_t PlaceOneupGridAlt(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) = 0;
  virtual std::int16_t PositionOneups(std::int16_t mode) = 0;
  virtual std::int16_t SetLayoutOption(std::int16_t option, std::int16_t value) = 0;
  virtual std::int16_t InvokeLayoutMethod51(std::int32_t a, std::int32_t b, double c, double d, double e,
                                            std::int32_t f) = 0;

  virtual QK_TString EvaluateStringExpression(const QK_TString& expression) = 0;
  virtual double EvaluateNumericExpression(const QK_TString& expression) = 0;
  virtual std::int16_t PreparePrintItems(std::int32_t number, bool flag) = 0;
  virtual std::int16_t GetExpressionError() = 0;
  virtual void ResetLayout() = 0;
  virtual std::int16_t SetRotation(double angle) = 0;
  virtual void ReleaseLayoutObject() = 0;

  virtual std::int16_t ExportImage(std::int16_t kind, const QK_TString& path, std::int16_t a, std::int16_t b,
                                   std::int32_t c, std::int32_t d, std::int32_t e, std::int32_t f,
                                   std::int32_t g) = 0;
  virtual std::int16_t GetImageSetting60() = 0;
  // 1 corrugated, 2 folding carton.
  virtual std::int16_t GetIndustryCode() = 0;
  virtual std::int16_t GetText62(QK_TString& text) = 0;
  // The open design's board code and board description.
  virtual QK_TString GetText63() = 0;
  virtual QK_TString GetText64() = 0;
  virtual double GetNumericVariable(const QK_TString& name) = 0;
  virtual QK_TString GetStringVariable(const QK_TString& name) = 0;
  virtual QK_TString GetVariableValue(const QK_TString& name) = 0;
  virtual std::int16_t GetMenuXml(const QK_TString& path, std::int16_t a, std::int16_t b, std::int16_t c,
                                  std::int16_t d) = 0;
  // A UnitCode.
  virtual std::int16_t GetUnit() = 0;
  virtual std::int16_t ExportThumbnail(const QK_TString& path) = 0;
  // Writes the open standard's document plots into `folder`, each named
  // clear of the files an earlier input of the ticket `delivered`; 1 when
  // a warning was reported.
  virtual int GenerateDocPlots(const QK_TString& designName, const QK_TURL& folder, PlotList& plots,
                               std::int16_t width, std::int16_t height, const DeliveredLocations& delivered) = 0;
  virtual void SetOption72(std::int16_t value) = 0;
  virtual std::int16_t DeletePrintItem(std::int32_t index) = 0;
  virtual std::int16_t CheckPrintItem(std::int32_t number, std::int32_t kind, std::int32_t index) = 0;
  virtual std::int16_t RemovePrintItem(std::int32_t index) = 0;
  virtual std::int16_t CreatePrintItems(std::int32_t kind, bool flag) = 0;
  virtual std::int32_t GetPrintItemCount(std::int32_t kind) = 0;
  virtual std::int16_t SelectPrintItem(std::int32_t number, std::int32_t index, std::int16_t flag) = 0;
  virtual std::int16_t InvokeMethod79(const QK_TString& text, std::int32_t a, std::int32_t b) = 0;
  virtual QK_TString GetPrintItemName(std::int32_t kind, std::int32_t index) = 0;

  // Design database (conventional servers; the enterprise driver answers
  // empty texts and 0 and holds nothing).
  virtual QK_TString FindPerson(const QK_TString& firstName, const QK_TString& lastName) = 0;
  virtual QK_TString FindCompany(const QK_TString& name, const QK_TString& code) = 0;
  virtual std::int16_t SetDesignCustomer(std::int32_t id, std::int32_t second) = 0;
  virtual std::int16_t SetDesignOwner(std::int32_t id, std::int32_t second) = 0;
  virtual std::int16_t SetDesignDesigner(std::int32_t id, std::int32_t second) = 0;
  virtual std::int16_t SetDesignSalesperson(std::int32_t id, std::int32_t second) = 0;
  virtual void OpenDesignRecord() = 0;
  virtual void ReleaseDesignRecord() = 0;
  virtual void InitPerson() = 0;
  virtual void ReleasePerson() = 0;
  virtual void InitCompany() = 0;
  virtual void ReleaseCompany() = 0;

  // Design information.

  // A print item of the open design as the design information lists it.
  struct PrintItemInfo {
    QK_TString name;
    QK_TURL address;        // its thumbnail image; empty until one is made
    bool exported = false;  // the thumbnail's export answered Status::kDone
    QK_TString id;          // its number, from 1, as text
    std::map<QK_TString, QK_TString> layers;  // layer number text to layer name
  };
  using PrintItemList = std::vector<PrintItemInfo>;
  // The menus of a design's standard: name and kind ("Variable" or
  // "Style Choice").
  using MenuList = std::vector<std::pair<QK_TString, QK_TString>>;
  // Per menu, index for index with the MenuList, its parameters: one map of
  // name to value text each, in document order.
  using ParameterGroups = std::vector<StringMapList>;
  // The designs laid out in a manufacturing file: name to its values.
  using EmbeddedDesigns = std::map<QK_TString, StringMap>;

  // Writers of the design document's sections and the shop card's rows:
  // each appends one element to `parent`. A DOM failure (a name that is no
  // XML name) passes to the caller.
  static void AppendCustomElement(xercesc::DOMDocument& document, xercesc::DOMElement& parent,
                                  const StringMapList& values);
  // AppendCustomElement for a document that is part of a results file: on a
  // failure the plots, the thumbnails and the results file are removed,
  // the failure is reported and TaskError thrown.
  void AppendCustomElementWithCleanup(xercesc::DOMDocument& document, xercesc::DOMElement& parent,
                                      const StringMapList& values, const std::vector<QK_TURL>& thumbnails,
                                      const PlotList& plots, const QK_TURL& results);
  static void AppendDesignElement(xercesc::DOMDocument& document, xercesc::DOMElement& parent,
                                  const DesignInfo& design);
  // Nothing when there are no plots.
  static void AppendDocplotsElement(xercesc::DOMDocument& document, xercesc::DOMElement& parent,
                                    const PlotList& plots);
  static void AppendMenusElement(xercesc::DOMDocument& document, xercesc::DOMElement& parent,
                                 const ParameterGroups& groups, const MenuList& menus);
  // One "Output" row: its copies when `path` is empty, else the path.
  static void AppendOutputRow(xercesc::DOMDocument& document, xercesc::DOMElement& parent,
                              const OutputsInfo& output, const QK_TString& path);
  // The thumbnail's path, left empty when its export answered `status` other
  // than Status::kDone.
  static void AppendThumbnailElement(xercesc::DOMDocument& document, xercesc::DOMElement& parent,
                                     const QK_TURL& thumbnail, std::int16_t status);
  static void AppendEmbeddedDesignsElement(xercesc::DOMDocument& document, xercesc::DOMElement& parent,
                                           const EmbeddedDesigns& designs);
  static void AppendPrintItemsElement(xercesc::DOMDocument& document, xercesc::DOMElement& parent,
                                      const PrintItemList& items);
  // Appends a copy of the root of the document file `document` to the
  // "Results" document at `results`. `appended` counts the documents of one
  // export: the first starts a new "Results" document, the others add to
  // the file. Returns the count.
  static std::uint32_t AppendToResultsDocument(const QK_TURL& results, const QK_TURL& document,
                                               std::uint32_t& appended);
  // A design of the database ("@...") saved as a temporary local file,
  // whose path replaces `design`; other designs are left alone.
  void SaveReferencedDesignLocally(QK_TString& design, std::int32_t& warningFlag);
  // Appends the record's custom variables whose names `variables` lacks
  // (ignoring case); the design's own keep their places in front.
  static void MergeCustomVariables(const ShopCardTicketData& record, CustomVariableList& variables);
  // The menus of the design's standard and the values of their variables,
  // read through the menu XML written to `menuFile`. Only a design ("KPX"
  // or "DESIGN" `kind`) has any.
  ParameterGroups ReadDesignParameters(const QK_TString& design, const QK_TURL& menuFile, MenuList& menus,
                                       const QK_TString& kind, std::int32_t& warningFlag);
  // The designs laid out in the open manufacturing file.
  EmbeddedDesigns ReadEmbeddedDesigns();
  // The print items of the open design with their layers.
  PrintItemList ExportPrintItems(bool report);
  // ExportPrintItems with one JPEG thumbnail per print item, named
  // "<baseName>_<item>.JPG" (or "<baseName>_<item>_<designIndex>.JPG"
  // unless designIndex is -1) in the folder of `base`, or the name it takes
  // when an earlier input of the ticket `delivered` that file.
  PrintItemList CreatePrintItemThumbnails(const QK_TURL& base, std::int16_t width, std::int16_t height,
                                          std::int32_t& warningFlag, const QK_TString& baseName,
                                          std::int32_t designIndex, std::uint32_t quality,
                                          const DeliveredLocations& delivered);
  // The passes of the two design-information operations.
  friend class DesignInfoExport;

  // Shop card.

  // The shop-card operation's own steps (DRAVOInterfaceShopCardRun.h).
  friend class ShopCardRun;
  // Per output of a shop card, its print-item names (upper case).
  using PrintItemNameLists = std::vector<std::vector<QK_TString>>;

  // The "PRE_REBUILD" hook, Rebuild, the "POST_REBUILD" hook; returns the
  // status of Rebuild (Status::kDone rebuilt).
  std::int16_t RebuildDesign(const ShopCardTicketData& record);
  // Sets the record's variables on the open design ("$" names as text),
  // adding those it lacks; a refusal is reported and the next one tried.
  void SetShopCardVariables(const ShopCardTicketData& record);
  // Switches on the layers of the record's layerClasses: "ALL", "LAST", or
  // a comma list of layer numbers (all others off).
  void ApplyLayerClasses(const ShopCardTicketData& record);
  // Appends to `lists` one list per output and to `namedLists` each of
  // those that is not empty.
  static void CollectOutputPrintItems(const ShopCardTicketData& record, PrintItemNameLists& lists,
                                      PrintItemNameLists& namedLists);
  // The pieces of `text` between the delimiters, trimmed, empty ones left out.
  static std::vector<QK_TString> SplitText(const QK_TString& text, char delimiter);
  // One output of the open design to `path` (empty: the output's own
  // destination). A refused output closes the design and throws DravoError.
  void OutputDesign(const OutputsInfo& output, const QK_TString& path);
  // Writes the "ShopCardMultipleOutputs" document to the record's output
  // location, given the extension ".xml" when it lacks it.
  void WriteMultipleOutputsDocument(const ShopCardTicketData& record, xercesc::DOMDocument& document);
  static void EnsureXmlExtension(QK_TString& path);
  // Makes the print item `index` (from 1) the one the next output shows.
  void SelectPrintItemForOutput(const std::int32_t& index);
  // The end of a print-item search: no match after the last of `count`
  // reports the name and throws TaskError.
  void CheckPrintItemMatched(const bool& found, const std::int32_t& index, const std::int32_t& count,
                             const QK_TString& printItemName);
  // The output location of one print item: `printItemName` put before the
  // extension of the file name. `outputLocation` gets "/" separators.
  static QK_TString MakePrintItemOutputName(QK_TString& outputLocation, const QK_TString& printItemName);
  // One output per print item of the design, or per listed print item, each
  // opened afresh; `produced` gets the local path of each file written.
  void OutputAllPrintItems(const ShopCardTicketData& record, const QK_TString& designReference,
                           const OutputsInfo& output, std::vector<QK_TString>& produced);
  void OutputListedPrintItems(const ShopCardTicketData& record, const std::vector<QK_TString>& printItemNames,
                              const QK_TString& designReference, const OutputsInfo& output,
                              std::vector<QK_TString>& produced);
  // Every output of the record with the design closed; `produced` gets one
  // list of written files per output.
  void RunShopCardOutputList(const ShopCardTicketData& record, const PrintItemNameLists& printItemLists,
                             PrintItemNameLists& produced);
  // The record's only output at its output location.
  void RunShopCardSingleOutput(const ShopCardTicketData& record, const PrintItemNameLists& printItemLists,
                               std::vector<QK_TString>& produced);

  // Split design.

  // Finds the print item `wantedName` (ignoring case; the last match is
  // kept) and removes the parts of the open design that belong to no kept
  // item. `otherNames` and `otherIndexes` get the other print items, the
  // highest index first. No match: PrintItemExceptionHandler.
  void MatchSplitPrintItem(std::vector<QK_TString>& otherNames, std::vector<std::int32_t>& otherIndexes,
                           std::int32_t printItemCount, const QK_TString& wantedName);
  // SplitDesign's steps after its checks of the design's name.
  int KeepSplitPrintItem(const SplitDesignTicketData& record);

  // The task operations: each does the work of one task type on this
  // driver and returns 0, or another value for a warning. Failures are
  // exceptions of the DravoException family (or TaskError after a message).
  // They are virtual only so that tests can stand in for them; a driver
  // does not override them. Each family has files of its own:
  // DRAVOInterfaceStandard.cpp, DRAVOInterfaceDesignInfo*.cpp,
  // DRAVOInterfaceShopCard*.cpp, DRAVOInterfaceSplit.cpp and
  // DRAVOInterfaceLayout*.cpp.
  //
  // A design from the record's standard, saved at its outputPath; a
  // record whose styleCatalog selects the style catalogue goes to
  // GenerateDesignFromStyle.
  virtual int GenerateDesignFromStandard(RunStandardTicketData& record);
  virtual int GenerateDesignInfo(ShopCardTicketData& record, QK_TString& text, QK_TURL& outputLocation);
  virtual int GenerateDesignInfoWithVariables(ShopCardTicketData& record, StringMapList& exportedDesigns,
                                              QK_TString& text, QK_TURL& outputLocation);
  virtual int GenerateShopCard(ShopCardTicketData& record);
  virtual int SplitDesign(SplitDesignTicketData& record);
  virtual int GenerateLayout(StringMapList& entries, LOTicketParam& record);

  // A design from the style-catalogue entry that the record's designName
  // names, saved at its outputPath.
  int GenerateDesignFromStyle(RunStandardTicketData& record);

  // `name` with the characters that file names cannot hold ("\/:?"<>*|)
  // replaced by underscores.
  static QK_TString SanitizeFileName(const QK_TString& name);

  // ---- paths, locations and output names ----

  // The text without a leading "file:"; nothing else is converted.
  static QK_TString LocalPathFromFileURL(const QK_TString& text);
  // Gives `url` the `extension` (with its dot): a known design-file
  // extension is replaced, any other is kept and the wanted one appended,
  // unless the url has it already (ignoring case).
  static void ChangeExtension(QK_TURL& url, const QK_TString& extension);
  // The part after the last "/" or "\" (the whole text when there is none).
  static QK_TString FileNameOfPath(const QK_TString& path);
  static QK_TString ToForwardSlashes(const QK_TString& text);
  // Makes `text` a "file:" location: network paths ("//") and drive paths
  // become their URL text, other texts are put after "file://"; a text
  // that is one already stays as it is.
  static void ToFileURL(QK_TString& text);
  // The location of a design or output folder given as a "file:" text or a
  // network path; anything else is reported as an invalid design URL and
  // ends the task (TaskError).
  QK_TURL MakeDesignURL(const QK_TString& text);
  // The local path of `path` placed on the host of `reference` (a URL
  // text); a network path keeps its own host, a drive path loses its drive.
  static QK_TString ToHostLocalPath(const QK_TString& path, const QK_TString& reference);
  // Creates the folder and every missing parent; a folder made meanwhile by
  // someone else is no failure (QK_ECouldNotCreateDirectory otherwise, with
  // the system's reason and the folder's path).
  static void CreateFolderTree(const QK_TURL& folder);
  // The layout's manufacturing file (".MFG") in its resolved output
  // folder, created when missing; `outputName` receives the resolved name.
  QK_TURL MakeMFGOutputPath(const LOTicketParam& record, QK_TString& outputName);
  // The task's names in `text` resolved; a name without a value reports
  // "shapejobs.message.couldnotresolve" and throws QK_EException with
  // `failure` (a format naming the text).
  QK_TString ResolveLayoutName(const QK_TString& text, const char* failure = "Veltrop: %s failed to resolved:");
  // An output folder text resolved, made a location (as MakeDesignURL) and
  // created when missing.
  QK_TURL ResolveOutputFolder(const QK_TString& folderText);
  // `fileName` in the layout's resolved preview folder, created when missing.
  QK_TURL MakePreviewOutputPath(const LOTicketParam& record, const QK_TString& fileName);
  // Writes the command that gives the layout the current time (seconds
  // since 1970) into a temporary file and returns the file's URL text.
  QK_TString WriteTimeScript();

  // ---- expressions ----

  // Evaluates each custom variable on the open document of `inputKind`
  // ("KPX" or "DESIGN" for a design, "MFG" for a layout, where
  // "@Design:<n>:<expression>" evaluates in embedded design n). Appends
  // one map of name to value text per variable evaluated or tried; faulty
  // variables are reported as warnings and set `errorFlag`.
  void EvaluateExpression(StringMapList& result, const CustomVariableList& variables, std::int32_t& errorFlag,
                          const QK_TString& inputKind);
  // EvaluateExpression for the operations that export custom variables:
  // an embedded design's number that is not whole is reported as
  // "shapejobs.message.lexicalcastexception" "Invalid value", an expression
  // the document does not take as "shapejobs.message.invalidexpression"
  // with its text; either then throws DravoError without text, which the
  // operation handles as any failure of the CAD application.
  void EvaluateCustomVariables(StringMapList& result, const CustomVariableList& variables,
                               std::int32_t& errorFlag, const QK_TString& inputKind);

  // ---- opening designs ----

  // The local file of a design to split: a database design ("@...") is
  // opened and saved to a temporary file (left open; `warningFlag` 1 when
  // the save had remarks), a "file:" text loses its scheme.
  QK_TString OpenSplitDesign(const QK_TString& reference, std::int32_t& warningFlag);
  // The local file, industry and facts of a design to lay out; a database
  // design is saved into a temporary folder of its own under its name.
  void OpenLayoutDesign(const QK_TString& reference, std::int16_t& industryCode, QK_TString& localPath,
                        DesignInfo& designInfo, const QK_TString& units, std::int32_t& warningFlag);
  // The facts of the design file at `path`: board, industry, unit (the
  // design is switched to the ticket's `units`), blank area, sizes and the
  // values of its menu variables.
  DesignInfo ReadDesignInfo(const QK_TString& path, const QK_TString& designName, const QK_TString& units);

  // SaveDesign of the open design at the local `path` of an operation's
  // output, which `delivered` then holds when the save wrote it; 1 when the
  // save had remarks, else 0.
  int SaveOutputDesign(const QK_TString& path, DeliveredLocations& delivered);

  // ---- the design record ----

  // Puts the record's people and description into the open design's
  // database record; 1 when one was not found or not taken, else 0.
  std::int32_t SetDesignPeople(const DBInfo& info);

  // ---- layout nesting ----

  // True while the CAD application is at version 20.0.1 or later: nests are
  // also tried turned by 180 degrees, and the placing takes the alternative
  // grid, rotation and positioning. Process-wide; each layout operation
  // sets it anew from the version it reads.
  inline static bool layoutVersionFlag = false;

  // The keyword of a nesting-type code ("1" "StraightNest" to "5"
  // "ReverseSecondColAlign"); any other text comes back unchanged.
  static QK_TString GetNestingTypeCode(const QK_TString& code);

  // The sheet, margins, gutters, allocation strategy, fill and shrink
  // choices of a template entry into `record`: the entry's value, or when it
  // is empty the open template's layout variable in the ticket's unit.
  // Refused values are reported and thrown (EmptyMandatoryParameterException,
  // LexicalCastExceptionHandler).
  void ApplyLayoutParameters(LayoutNestingInfo& record, const StringMap& entry, const LOTicketParam& ticket);
  // The sheet sizes alone, again before each nest.
  void ApplySheetSize(LayoutNestingInfo& record, const StringMap& entry, const LOTicketParam& ticket);
  // The numeric expression's value converted to the ticket's unit ("Inch"
  // or "mm"), or as read when `keepUnit`.
  double ConvertUnit(bool keepUnit, const LOTicketParam& ticket, const QK_TString& expression);

  // The orientations to nest for a grain word and the ticket's cross-grain
  // choice; a word not allowed reports and throws InvalidGraindirException.
  void GetGrainOrientations(std::set<std::int16_t>& orientations, const QK_TString& grainWord,
                            const QK_TString& crossGrain);
  // Cuts the entry's "Print Item" out of the design into a temporary design
  // that becomes the record's designPath; `warning` 1 when the save had
  // remarks. An absent print item: PrintItemExceptionHandler.
  void PreparePrintItemDesign(const StringMap& entry, LayoutNestingInfo& record, const QK_TString& designReference,
                              std::int32_t& warning);
  // Sets the record up for the next nest of the fill search; false when the
  // nest prepared now is the last one.
  bool StepNestingSearch(LayoutNestingInfo& record, NestingSearchState& state, bool fillFirst);
  // Places the one-ups of one nest on the held layout object; each failing
  // step throws its placing exception.
  void PlacePrintItem(LayoutNestingInfo& record, const DesignInfo& design, const LOTicketParam& ticket);
  // The nesting code with rows and columns exchanged when the record says so.
  static int GetEffectiveNestingCode(const LayoutNestingInfo& record);
  // The gutters in the order SetNestData takes them; true when swapped.
  static bool GetNestGutters(const LayoutNestingInfo& record, double& first, double& second);
  void PlaceOneupRowsAndColumns(LayoutNestingInfo& record, std::int32_t oneup, std::int32_t printItem);
  // The sheet from the placed block's manufacturing size and the shrink
  // options.
  void ApplyManufacturingSheetSize(LayoutNestingInfo& record);
  // The reference AddOneup takes for the record's design.
  static QK_TString GetOneupDesignReference(const LayoutNestingInfo& record, const LOTicketParam& ticket);

  // One nest of one nesting type and rotation: names its manufacturing
  // file, checks the code, sets the swap flags and runs the nest pass on
  // the design that the entry names. Throws InvalidNestingTypeExceptionHandler
  // and InvalidMandatoryParameterValueExceptionHandler.
  void RunNesting(LayoutNestingInfo& record, const QK_TString& baseName, QK_TURL& mfgLocation,
                  const LOTicketParam& ticket, bool namePerRotation, const QK_TURL& tryFolder, double rotation,
                  int& nestingCodeOut, const QK_TString& nestingTypeCode, const LayoutTemplateNames& names,
                  std::int16_t orientationCode, std::int32_t designCode, QK_TString& nestingTypeSwapText,
                  QK_TString& gutterSwapText, const QK_TString& ticketDesignPath, const DesignInfo& namedDesignInfo,
                  const DesignInfo& pathDesignInfo, QK_TString timeScript, int& passResult);
  // Start sheet, placing, sheet fit, scripts and save of one nest; a
  // NestPassResult.
  int RunNestPass(LayoutNestingInfo& record, const LOTicketParam& ticket, std::int16_t orientationCode,
                  const DesignInfo& design, QK_TString timeScript);
  // Opens the manufacturing template: a database reference, a "file:" URL
  // or a path.
  void SetMFGTemplate(const QK_TString& reference);
  // Grows the sheet towards the minimum and clamps it to the limits, placing
  // again until the sheet stays as it is (at most kMaximumSheetFitPasses).
  void FitNestingSheetSize(LayoutNestingInfo& record, const DesignInfo& design, const LOTicketParam& ticket,
                           double previousX, double previousY);
  static constexpr int kMaximumSheetFitPasses = 100;
  // Reports the final sheet; false when it lies outside the allowed range.
  bool FitClippingSheetSize(const LayoutNestingInfo& record);
  // The facts of the finished layout into `values` (keys already present
  // keep their values).
  void CollectLayoutValues(StringMap& values, const QK_TURL& mfg, const StringMap& entry,
                           const LayoutNestingInfo& record, const LayoutTemplateNames& names, QK_TString gutterSwap,
                           QK_TString nestingTypeSwap);

  // ---- layout results and report ----

  // The nest with the smallest ScrapPercent x SheetLength x SheetWidth /
  // TotalOneUps (the earlier on ties); a nest without one-ups is none. Its
  // value map, design information and custom values (none when the list is
  // shorter) are copied out; returns its index, or -1 with the outputs
  // cleared. A map without one of the numbers throws boost::bad_lexical_cast.
  static int SelectBestNest(const std::vector<std::shared_ptr<StringMap>>& values,
                            const std::vector<DesignInfo>& designs, const std::vector<StringMapList>& customValues,
                            StringMap& bestValues, DesignInfo& bestDesign, StringMapList& bestCustomValues);
  // The same choice by the smallest ScrapPercent alone.
  static void SelectLowestScrapResult(const std::vector<std::shared_ptr<StringMap>>& values,
                                      const std::vector<DesignInfo>& designs,
                                      const std::vector<StringMapList>& customValues, StringMap& bestValues,
                                      DesignInfo& bestDesign, StringMapList& bestCustomValues);
  // The delivered manufacturing file of a result ("file:" text ending
  // ".MFG"): the name of its "MFGFilePath" without the two trailing "_"
  // parts, or the input file's name when nothing else is left, in the
  // resolved mfgOutputFolder (created when missing).
  QK_TString ResolveMFGFilePath(const StringMap& values, const LOTicketParam& ticket);
  // The delivered preview of a result: its "PreviewFilePath" without the
  // last "_" part in the resolved previewOutputFolder, with the extension of
  // previewFileFormat.
  QK_TString ResolvePreviewFilePath(const StringMap& values, const LOTicketParam& ticket);
  // The image kind ExportImage takes for a previewFileFormat ("JPEG" or
  // "PNG", any case) and the extension it gets; 0 and "" for any other.
  static std::int16_t GetPreviewKind(const QK_TString& format, QK_TString& extension);
  // Exports the open layout as the preview image at the local `path`; the
  // CAD application's status.
  std::int16_t ExportLayoutPreview(std::int16_t kind, const QK_TString& path, std::int32_t grain);
  // The preview of one result, when the ticket asks for previews: named
  // `baseName` in the preview folder, exported, reported and added to
  // `previewContext`; in production named in `tryFolder` and only
  // registered as a temporary file (the chosen result's preview comes at
  // the end). The location goes to `previewLocation` and "PreviewFilePath".
  // Returns 1 when the export failed (nothing is added then), else 0.
  int WriteEntryPreview(const QK_TString& baseName, const QK_TURL& mfgLocation, QK_TURL& previewLocation,
                        const QK_TURL& tryFolder, const LOTicketParam& ticket, const LayoutTemplateNames& names,
                        StringMap& values, TW_TTaskOutput& previewContext);
  // Opens the result's manufacturing file, sets the database people on a
  // conventional server, saves it at ResolveMFGFilePath and exports the
  // preview at ResolvePreviewFilePath when asked; 1 when the save had
  // remarks, the people were not all taken or the preview failed, else 0.
  int GenerateLayoutPreview(const StringMap& values, const LOTicketParam& ticket);
  // The same at the given locations ("file:" texts; no preview when
  // `previewLocation` is empty).
  int SaveChosenLayout(const StringMap& values, const LOTicketParam& ticket, const QK_TString& mfgLocation,
                       const QK_TString& previewLocation);
  // Where WriteEntryPreview puts the preview of the result `baseName`.
  QK_TURL EntryPreviewLocation(const QK_TString& baseName, const QK_TURL& tryFolder, const LOTicketParam& ticket);
  // The identifying keys of an error entry ("FormatClass", "MFGTemplate",
  // "GrainDirection", "NestingType"); keys already present keep their values.
  static void MakeErrorEntry(const QK_TString& formatClass, const QK_TString& mfgTemplate, std::int16_t grainCode,
                             std::uint32_t nestingType, StringMap& entry);

  // The web port of the preview address from the configuration server
  // (QK_SERVER): https when its switch is "1", then that scheme's port;
  // http and "9000" for whatever the configuration does not give.
  static void GetWebServerPort(bool& https, QK_TString& port);
  // The "LOReport" document of a layout run at `location`: preview address,
  // task, time, the separate design, the counted errors, one "Result" per
  // result map (with its design and custom values) and the input. True once
  // written; a file that cannot be written throws QK_ECouldNotWriteFile
  // and leaves no report behind.
  bool WriteLayoutReport(const std::vector<std::shared_ptr<StringMap>>& results, const QK_TURL& location,
                         const LOTicketParam& ticket, const DesignInfo& separateDesign,
                         const std::vector<DesignInfo>& resultDesigns,
                         const std::vector<StringMapList>& resultCustomValues,
                         const std::vector<std::shared_ptr<StringMap>>& errors, std::uint32_t errorCount);

  // The layout operation's own steps (DRAVOInterfaceLayoutRun.h).
  friend class LayoutRun;

  // ---- documents ----

  // Writes the XML declaration and `xml` to `target`, reporting whether it
  // is written or overwritten; a file that cannot be written whole throws
  // QK_ECouldNotWriteFile and leaves no file behind.
  void WriteXMLText(const QK_TString& xml, const QK_TURL& target);
  // The DOM of the XML file; parse errors are exceptions. The XML library
  // stays started while the document lives.
  static XmlDocument ParseXMLFile(const QK_TURL& file);
  // "DESIGN" or "MFG" by the first such element of the document file,
  // else "".
  static QK_TString GetDocumentKind(const QK_TURL& file);

 protected:
  // A fresh temporary file with `extension` from the task, registered for
  // removal with the task's files when `registered`. Without a task there
  // is none: QK_EException.
  QK_TURL TemporaryFile(const char* extension, bool registered);

  // Messages go to the reporter when there is one.
  void Report(int severity, const char* key);
  void Report(int severity, const char* key, const QK_TAny& value);
  void Report(int severity, const char* key, const QK_TAny& first, const QK_TAny& second);

  TW_TTask* reporter;

 private:
  // Steps of the run-standard operations.
  // The industry word of the parameter set: from the grain, else asked of
  // the standard itself.
  QK_TString IndustryOfStandard(const RunStandardTicketData& record);
  int RunStyle(RunStandardTicketData& record);
  void SetBoard(const RunStandardTicketData& record);
  // 1 when the script failed (a warning), else 0; no script is no failure.
  int RunPostCommandScript(const QK_TString& script);
  // The design record (conventional servers), the save at outputPath and
  // the close; 1 when one of them ended with a warning.
  int SaveAndCloseDesign(const RunStandardTicketData& record);
};

}  // namespace CAD
