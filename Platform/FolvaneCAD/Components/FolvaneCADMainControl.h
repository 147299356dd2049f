// The main control of the CAD stand-in: one implementation behind both the
// conventional and the enterprise ProgID, which differ in their dispatch ids
// (FolvaneCADMainControlTable) and in the enterprise login. The control
// turns automation arguments into calls on the model (Model/) and the
// writers (Output/), and their outcome into statuses and error texts.
//
// Statuses: 0 done; 1 saved with remarks (save) or "layer not part of the
// print item" (check); 2 failed (bad argument, missing file, unknown name);
// 3 not logged in; 4 unknown board code; 10 no design open, or the save
// failed.
// Operations that answer no status signal failure in their value: 0 for
// counts and codes, -2.0 for numbers, an empty text.
//
// Last error text: every failing call sets it, and so do a save with
// remarks and a forced scenario answer; successful calls leave it as it is,
// so it can be read again after other calls.
//
// An enterprise control answers only Login, Version, Start and ErrorText
// until a login succeeded; other calls fail with status 3 and the error text
// "Not logged in".
//
// LayoutObject hands out a new layout object (FolvaneCADLayoutObject.h)
// each time; it shares the control's session (Model/FolvaneCADSession.h),
// so it nests on whatever manufacturing file is open at the moment. On a
// manufacturing file SetGrain sets the layout's orientation (1 vertical,
// 2 horizontal) instead of a design's grain, RunCommand sets layout
// variables, and PrepareDesign makes design n answer first in expressions
// until ExpressionError is read (Model/FolvaneCADDocument.h).
//
// Outputs (WriteOutput: output name, sample type, path): each call writes
// one file of the open document as it stands (the layers switched on, the
// current print item; see Output/FolvaneCADDrawing.h): a one-page PDF, A4
// landscape, whose caption names the design, the output, the sample type
// and the current print item; a PNG or JPEG picture with that caption when
// the path ends so. An empty path is the output's own destination, a new
// spool file under the data folder (Output/FolvaneCADSpool.h). 2 for an
// empty output name, an empty path without a data folder, or a file that
// cannot be written.
//
// Styles: SetStyleWorkspace opens a fresh design from an entry of the data
// root's style catalogue (Model/FolvaneCADStyleCatalogue.h): the entry's
// standard with a variable per item at its default, in the grain and unit
// last sent (they are kept while no design is open); 10 for an unknown
// entry, 2 when it cannot be read. RunStyleStandard runs the standard's
// checks over the design's variables: 0, 1 when a warning condition fails,
// 2 when a value or an error condition fails; then the outline is evaluated
// again.
//
// The design database (conventional): Connect opens an ODBC connection to
// the data source it is given (status 2 with the driver's words when that
// fails); the design record writes the ids of the open design's customer,
// owner, designer and salesperson into the design as the attributes
// customerId, ownerId, designerId and salespersonId.
#pragma once

#include <map>
#include <memory>
#include <optional>

#include "Automation/FolvaneCADStandInObject.h"
#include "Components/FolvaneCADMainControlTable.h"
#include "Model/FolvaneCADDataRoot.h"
#include "Model/FolvaneCADDatabaseConnection.h"
#include "Model/FolvaneCADDocument.h"
#include "Model/FolvaneCADSession.h"
#include "Model/FolvaneCADStandard.h"
#include "Output/FolvaneCADSpool.h"

namespace FolvaneCAD {

constexpr short kStatusOk = 0;
constexpr short kStatusRemarks = 1;
constexpr short kStatusFailed = 2;
constexpr short kStatusNotLoggedIn = 3;
constexpr short kStatusUnknownBoard = 4;
constexpr short kStatusNoDesign = 10;

class MainControl : public StandInObject {
 public:
  explicit MainControl(Flavour flavour);

  // The design record's write: the id as attribute `attribute` of the open
  // design. 0 done; 2 no database connected; 10 no design open.
  short SetRecordId(const char* attribute, long id);
  // The design record's errors are the control's.
  void SetLastError(const QK_TString& text) override { lastError_ = text; }

 protected:
  Answer Perform(const DispatchRow& row, const Arguments& args) override;
  std::optional<Answer> Refusal(const DispatchRow& row) override;

 private:
  ~MainControl() override = default;

  Answer Perform(Operation operation, const Arguments& args);
  bool NeedsLogin(Operation operation) const;

  // Sets the last error text and answers the failure value of `type`.
  Answer Fail(VARTYPE type, short status, const QK_TString& text);
  // The open document, or null after setting the last error text.
  Document* DocumentOrFail();
  // The design that design operations act on, or null after setting the
  // last error text.
  Design* DesignOrFail();

  // Session and settings (FolvaneCADMainControl.cpp).
  Answer ErrorText(const Arguments& args);
  Answer Version(const Arguments& args);
  Answer Start(const Arguments& args);
  Answer Login(const Arguments& args);
  Answer SetDefaultsLocation(const Arguments& args);
  Answer Connect(const Arguments& args);
  Answer Disconnect();
  Answer DesignRecord();
  Answer NewLayoutObject();
  Answer ExpressionError();
  Answer SetOption(DISPID option, const Arguments& args);
  Answer SetNamedOption(const Arguments& args);

  // The document and its facts (FolvaneCADMainControlDocument.cpp).
  Answer OpenDesign(const Arguments& args);
  Answer CloseDesign();
  Answer SaveDesign(const Arguments& args);
  Answer DocumentXml(const Arguments& args);
  Answer DocumentPath(const Arguments& args);
  Answer Touch();
  Answer SetBoardCode(const Arguments& args, bool withDescription);
  Answer BoardText(bool description);
  Answer IndustryCode();
  Answer UnitCode();
  Answer SetUnit(const Arguments& args);
  Answer SetGrain(const Arguments& args);
  Answer SetPrintSide(const Arguments& args);
  Answer SetStyleWorkspace(const Arguments& args);
  Answer RunStyleStandard();
  // The style run's checks over the design's variables (RunStyleStandard).
  Answer CheckStyle(Design* design);

  // Variables, expressions and commands (FolvaneCADMainControlVariables.cpp).
  Answer SetVariable(const Arguments& args, bool numeric, bool create);
  Answer ReadVariable(const Arguments& args, bool numeric);
  Answer GetVariable(const Arguments& args, bool numeric);
  Answer EvaluateExpression(const Arguments& args, bool numeric);
  Answer RunCommand(const Arguments& args);
  Answer PrepareDesign(const Arguments& args);

  // Layers and print items (FolvaneCADMainControlPrintItems.cpp).
  Answer SetLayer(const Arguments& args);
  Answer CreatePrintItems(const Arguments& args);
  Answer PrintItemCount(const Arguments& args);
  Answer PrintItemName(const Arguments& args);
  Answer CheckPrintItem(const Arguments& args);
  Answer SelectPrintItem(const Arguments& args);
  Answer DeletePrintItem(const Arguments& args);
  Answer RemovePrintItem(const Arguments& args);

  // Pictures (FolvaneCADMainControlImages.cpp).
  Answer ExportImage(const Arguments& args);
  Answer ExportThumbnail(const Arguments& args);
  Answer WriteOutput(const Arguments& args);
  Answer ExportPicture(const QK_TString& path, int width, int height, int quality);

  QK_TString lastError_;
  bool loggedIn_ = false;
  short startMode_ = 0;
  QK_TString dataSource_;
  std::unique_ptr<DatabaseConnection> database_;
  std::map<DISPID, long> options_;
  std::map<QK_TString, std::pair<long, long>> namedOptions_;
  // The open document and the data folder, shared with the layout objects.
  std::shared_ptr<Session> session_;
  // Where outputs without a file go.
  Spool spool_;
  // The standard of the style whose design is open, or null.
  std::unique_ptr<Standard> styleStandard_;
  // The grain and unit codes last sent, for the next style design.
  std::optional<int> lastGrain_;
  std::optional<Unit> lastUnit_;
  bool lastEvaluationFailed_ = false;
};

}  // namespace FolvaneCAD
