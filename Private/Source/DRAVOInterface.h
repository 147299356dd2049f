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
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "QK_TAny.h"
#include "QK_TString.h"
#include "QK_TURL.h"
#include "ShapejobTicketData.h"

class TW_TTask;

namespace CAD {

// Document plots: plot name and the file URL of its image.
using PlotList = std::vector<std::pair<QK_TString, QK_TString>>;

// The 16-bit statuses of the CAD application that the drivers tell apart.
// What a status other than kDone means depends on the call; each is named
// for the calls that answer it.
namespace Status {
// The call did what it was asked.
constexpr std::int16_t kDone = 0;
// Done, with remarks in the error text: a design saved with information, a
// style standard whose check condition was violated, menu values or a
// document plot accepted as they are.
constexpr std::int16_t kDoneWithRemarks = 1;
// A standard's condition check or finish found a condition violated: the
// run goes on, with a warning.
constexpr std::int16_t kStandardWarning = 2;
// The value given is not one the application knows: an invalid board code
// (or board code and description).
constexpr std::int16_t kInvalidValue = 4;
// The design the call works on is not there: no design is open for the
// style workspace, or the design could not be saved.
constexpr std::int16_t kDesignUnavailable = 10;
}  // namespace Status

// The unit code of the open design (GetUnit); nothing else is a unit.
namespace UnitCode {
constexpr std::int16_t kMillimetres = 1, kInches = 2;
}  // namespace UnitCode

// The value of a numeric-variable read that marks failure: the design has
// no numeric variable of that name.
constexpr double kNoNumericValue = -2.0;

// The kind of a menu of a parametric standard. Only these two take values
// from variables; the items of any other kind are left alone.
namespace MenuKind {
// Text items: a variable's value is put as text, an item without one gets
// its default text back.
constexpr std::int16_t kText = 2;
// Whole-number items: a variable's value is put as its leading whole
// number; each item has a document plot of its own.
constexpr std::int16_t kWholeNumber = 3;
}  // namespace MenuKind

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
  // Writes the open standard's document plots into `folder`; 1 when a
  // warning was reported.
  virtual int GenerateDocPlots(const QK_TString& designName, const QK_TURL& folder, PlotList& plots,
                               std::int16_t width, std::int16_t height) = 0;
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

  // The task operations: each does the work of one task type on this
  // driver and returns 0, or another value for a warning. Failures are
  // exceptions of the DravoException family (or TaskError after a message).
  virtual int GenerateDesignFromStandard(RunStandardTicketData& record);
  virtual int GenerateDesignInfo(ShopCardTicketData& record, QK_TString& text, QK_TURL& outputLocation);
  virtual int GenerateDesignInfoWithVariables(ShopCardTicketData& record, StringMapList& exportedDesigns,
                                              QK_TString& text, QK_TURL& outputLocation);
  virtual int GenerateShopCard(ShopCardTicketData& record);
  virtual int SplitDesign(SplitDesignTicketData& record);
  virtual int GenerateLayout(StringMapList& entries, LOTicketParam& record);

  // `name` with the characters that file names cannot hold ("\/:?"<>*|)
  // replaced by underscores.
  static QK_TString SanitizeFileName(const QK_TString& name);

 protected:
  // Throws for a task operation that this build does not have yet, naming
  // what is missing ("<what> is not available in this build"): the ticket
  // ends as failed instead of pretending to work.
  [[noreturn]] static void NotAvailable(const char* what);

  // Messages go to the reporter when there is one.
  void Report(int severity, const char* key);
  void Report(int severity, const char* key, const QK_TAny& value);
  void Report(int severity, const char* key, const QK_TAny& first, const QK_TAny& second);

  TW_TTask* reporter;
};

}  // namespace CAD
