#include "Components/FolvaneCADMainControlTable.h"

namespace FolvaneCAD {

namespace {

using O = Operation;
using R = Result;

}  // namespace

// Dispatch ids are wire values: fixed for each kind of control.
const DispatchTable& MainControlTable() {
  static const DispatchTable table("Control", {
    Row(O::kErrorText, "ErrorText", kMethod, 31, 25, "S", "S", R::kStatus),
    Row(O::kVersion, "Version", kMethod, 51, 45, "S", "S", R::kStatus),
    Row(O::kStart, "Start", kMethod, 79, 71, "i", "i", R::kNothing),
    Row(O::kLogin, "Login", kMethod, kAbsent, 1, "", "sssii", R::kStatus),
    Row(O::kSessionStart, "SessionStart", kMethod, kAbsent, 107, "", "l", R::kStatus),
    Row(O::kSetDefaultsLocation, "SetDefaultsLocation", kMethod, 116, kAbsent, "s", "", R::kStatus),
    Row(O::kDisconnect, "Disconnect", kMethod, 30, kAbsent, "", "", R::kStatus),
    Row(O::kConnect, "Connect", kMethod, 29, kAbsent, "sss", "", R::kStatus),
    Row(O::kOpenDesign, "OpenDesign", kMethod, 2, 2, "si", "s", R::kStatus),
    Row(O::kCloseDesign, "CloseDesign", kMethod, 11, 11, "", "", R::kStatus),
    WritesFile(Row(O::kSaveDesign, "SaveDesign", kMethod, 41, 35, "si", "sis", R::kStatus)),
    Row(O::kDocumentXml, "DocumentXml", kMethod, 120, 106, "S", "S", R::kStatus),
    Row(O::kDocumentPath, "DocumentPath", kMethod, 13, 13, "S", "S", R::kStatus),
    Row(O::kRedraw, "Redraw", kMethod, 3, 3, "", "", R::kStatus),
    Row(O::kRebuild, "Rebuild", kMethod, 43, 37, "i", "i", R::kStatus),
    Row(O::kSetLayer, "SetLayer", kMethod, 8, 8, "li", "li", R::kStatus),
    WritesFile(Row(O::kWriteOutput, "WriteOutput", kMethod, 42, 36, "sis", "sis", R::kStatus)),
    Row(O::kSetBoardCode, "SetBoardCode", kMethod, 38, 32, "s", "s", R::kStatus),
    Row(O::kSetBoardCodeAndDescription, "SetBoardCodeAndDescription", kMethod, 117, 108, "ss", "ss",
        R::kStatus),
    Row(O::kBoardCode, "BoardCode", kMethod, 20, 16, "", "", R::kText),
    Row(O::kBoardDescription, "BoardDescription", kMethod, 118, 109, "", "", R::kText),
    Row(O::kIndustryCode, "IndustryCode", kMethod, 21, 17, "", "", R::kStatus),
    Row(O::kUnit, "Unit", kMethod, 25, 21, "", "", R::kStatus),
    Row(O::kSetUnit, "SetUnit", kMethod, 26, 22, "i", "i", R::kNothing),
    Row(O::kSetGrain, "SetGrain", kMethod, 22, 18, "i", "i", R::kNothing),
    Row(O::kSetPrintSide, "SetPrintSide", kMethod, 24, 20, "i", "i", R::kNothing),
    Row(O::kSetOption14, "SetOption14", kMethod, 14, 14, "i", "i", R::kNothing),
    Row(O::kSetOption18, "SetOption18", kMethod, 18, kAbsent, "i", "", R::kNothing),
    Row(O::kSetNamedOption, "SetNamedOption", kMethod, 107, 96, "sll", "sll", R::kStatus),
    Row(O::kSetStyleWorkspace, "SetStyleWorkspace", kMethod, 33, 27, "s", "s", R::kStatus),
    Row(O::kRunStyleStandard, "RunStyleStandard", kMethod, 32, 26, "i", "i", R::kStatus),
    Row(O::kSetNumericVariable, "SetNumericVariable", kMethod, 36, 30, "sr", "sr", R::kStatus),
    Row(O::kAddNumericVariable, "AddNumericVariable", kMethod, 45, 39, "sr", "sr", R::kStatus),
    Row(O::kSetTextVariable, "SetTextVariable", kMethod, 34, 28, "ss", "ss", R::kStatus),
    Row(O::kAddTextVariable, "AddTextVariable", kMethod, 44, 38, "ss", "ss", R::kStatus),
    Row(O::kReadNumericVariable, "ReadNumericVariable", kMethod, 6, 6, "sR", "sR", R::kStatus),
    Row(O::kReadTextVariable, "ReadTextVariable", kMethod, 7, 7, "sS", "sS", R::kStatus),
    Row(O::kGetNumericVariable, "GetNumericVariable", kMethod, 70, 62, "s", "s", R::kNumber),
    Row(O::kGetTextVariable, "GetTextVariable", kMethod, 69, 61, "s", "s", R::kText),
    Row(O::kEvaluateText, "EvaluateText", kMethod, 88, 77, "s", "s", R::kText),
    Row(O::kEvaluateNumber, "EvaluateNumber", kMethod, 89, 78, "s", "s", R::kNumber),
    Row(O::kExpressionError, "ExpressionError", kMethod, 12, 12, "", "", R::kStatus),
    Row(O::kRunCommand, "RunCommand", kMethod, 64, 57, "s", "s", R::kStatus),
    Row(O::kPrepareDesign, "PrepareDesign", kMethod, 48, 42, "lb", "lb", R::kStatus),
    Row(O::kCreatePrintItems, "CreatePrintItems", kMethod, 49, 43, "lb", "lb", R::kStatus),
    Row(O::kPrintItemCount, "PrintItemCount", kMethod, 76, 68, "l", "l", R::kCount),
    Row(O::kPrintItemName, "PrintItemName", kMethod, 77, 69, "ll", "ll", R::kText),
    Row(O::kCheckPrintItem, "CheckPrintItem", kMethod, 103, 92, "lll", "lll", R::kStatus),
    Row(O::kSelectPrintItem, "SelectPrintItem", kMethod, 57, 50, "lli", "lli", R::kStatus),
    Row(O::kDeletePrintItem, "DeletePrintItem", kMethod, 100, 89, "l", "l", R::kStatus),
    Row(O::kRemovePrintItem, "RemovePrintItem", kMethod, 99, 88, "l", "l", R::kStatus),
    WritesFile(Row(O::kExportImage, "ExportImage", kMethod, 61, 54, "isiivvvvv", "isiivvvvv", R::kStatus)),
    WritesFile(Row(O::kExportThumbnail, "ExportThumbnail", kMethod, 90, 79, "s", "s", R::kStatus)),
    Row(O::kImageSetting, "ImageSetting", kMethod, 23, 19, "", "", R::kStatus),
    Row(O::kLayoutObject, "LayoutObject", kMethod, 87, 76, "", "", R::kObject),
    Row(O::kDesignRecord, "DesignRecord", kMethod, 52, kAbsent, "", "", R::kObject),
  });
  return table;
}

}  // namespace FolvaneCAD
