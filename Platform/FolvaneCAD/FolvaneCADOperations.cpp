#include "FolvaneCADOperations.h"

#include <map>

namespace FolvaneCAD {

namespace {

using O = Operation;

// Dispatch ids are wire values: fixed for each kind of control.
const OperationRow kRows[] = {
    {O::kErrorText, "ErrorText", 31, 25, "S", "S", VT_I2},
    {O::kVersion, "Version", 51, 45, "S", "S", VT_I2},
    {O::kStart, "Start", 79, 71, "i", "i", VT_EMPTY},
    {O::kLogin, "Login", -1, 1, "", "sssii", VT_I2},
    {O::kSessionStart, "SessionStart", -1, 107, "", "l", VT_I2},
    {O::kSetDefaultsLocation, "SetDefaultsLocation", 116, -1, "s", "", VT_I2},
    {O::kDisconnect, "Disconnect", 30, -1, "", "", VT_I2},
    {O::kConnect, "Connect", 29, -1, "sss", "", VT_I2},
    {O::kOpenDesign, "OpenDesign", 2, 2, "si", "s", VT_I2},
    {O::kCloseDesign, "CloseDesign", 11, 11, "", "", VT_I2},
    {O::kSaveDesign, "SaveDesign", 41, 35, "si", "sis", VT_I2},
    {O::kDocumentXml, "DocumentXml", 120, 106, "S", "S", VT_I2},
    {O::kDocumentPath, "DocumentPath", 13, 13, "S", "S", VT_I2},
    {O::kRedraw, "Redraw", 3, 3, "", "", VT_I2},
    {O::kRebuild, "Rebuild", 43, 37, "i", "i", VT_I2},
    {O::kSetLayer, "SetLayer", 8, 8, "li", "li", VT_I2},
    {O::kWriteOutput, "WriteOutput", 42, 36, "sis", "sis", VT_I2},
    {O::kSetBoardCode, "SetBoardCode", 38, 32, "s", "s", VT_I2},
    {O::kSetBoardCodeAndDescription, "SetBoardCodeAndDescription", 117, 108, "ss", "ss", VT_I2},
    {O::kBoardCode, "BoardCode", 20, 16, "", "", VT_BSTR},
    {O::kBoardDescription, "BoardDescription", 118, 109, "", "", VT_BSTR},
    {O::kIndustryCode, "IndustryCode", 21, 17, "", "", VT_I2},
    {O::kUnit, "Unit", 25, 21, "", "", VT_I2},
    {O::kSetUnit, "SetUnit", 26, 22, "i", "i", VT_EMPTY},
    {O::kSetGrain, "SetGrain", 22, 18, "i", "i", VT_EMPTY},
    {O::kSetPrintSide, "SetPrintSide", 24, 20, "i", "i", VT_EMPTY},
    {O::kSetOption14, "SetOption14", 14, 14, "i", "i", VT_EMPTY},
    {O::kSetOption18, "SetOption18", 18, -1, "i", "", VT_EMPTY},
    {O::kSetNamedOption, "SetNamedOption", 107, 96, "sll", "sll", VT_I2},
    {O::kSetStyleWorkspace, "SetStyleWorkspace", 33, 27, "s", "s", VT_I2},
    {O::kRunStyleStandard, "RunStyleStandard", 32, 26, "i", "i", VT_I2},
    {O::kSetNumericVariable, "SetNumericVariable", 36, 30, "sr", "sr", VT_I2},
    {O::kAddNumericVariable, "AddNumericVariable", 45, 39, "sr", "sr", VT_I2},
    {O::kSetTextVariable, "SetTextVariable", 34, 28, "ss", "ss", VT_I2},
    {O::kAddTextVariable, "AddTextVariable", 44, 38, "ss", "ss", VT_I2},
    {O::kReadNumericVariable, "ReadNumericVariable", 6, 6, "sR", "sR", VT_I2},
    {O::kReadTextVariable, "ReadTextVariable", 7, 7, "sS", "sS", VT_I2},
    {O::kGetNumericVariable, "GetNumericVariable", 70, 62, "s", "s", VT_R8},
    {O::kGetTextVariable, "GetTextVariable", 69, 61, "s", "s", VT_BSTR},
    {O::kEvaluateText, "EvaluateText", 88, 77, "s", "s", VT_BSTR},
    {O::kEvaluateNumber, "EvaluateNumber", 89, 78, "s", "s", VT_R8},
    {O::kExpressionError, "ExpressionError", 12, 12, "", "", VT_I2},
    {O::kRunCommand, "RunCommand", 64, 57, "s", "s", VT_I2},
    {O::kPrepareDesign, "PrepareDesign", 48, 42, "lb", "lb", VT_I2},
    {O::kCreatePrintItems, "CreatePrintItems", 49, 43, "lb", "lb", VT_I2},
    {O::kPrintItemCount, "PrintItemCount", 76, 68, "l", "l", VT_I4},
    {O::kPrintItemName, "PrintItemName", 77, 69, "ll", "ll", VT_BSTR},
    {O::kCheckPrintItem, "CheckPrintItem", 103, 92, "lll", "lll", VT_I2},
    {O::kSelectPrintItem, "SelectPrintItem", 57, 50, "lli", "lli", VT_I2},
    {O::kDeletePrintItem, "DeletePrintItem", 100, 89, "l", "l", VT_I2},
    {O::kRemovePrintItem, "RemovePrintItem", 99, 88, "l", "l", VT_I2},
    {O::kExportImage, "ExportImage", 61, 54, "isiivvvvv", "isiivvvvv", VT_I2},
    {O::kExportThumbnail, "ExportThumbnail", 90, 79, "s", "s", VT_I2},
    {O::kImageSetting, "ImageSetting", 23, 19, "", "", VT_I2},
    {O::kLayoutObject, "LayoutObject", 87, 76, "", "", VT_DISPATCH},
    {O::kDesignRecord, "DesignRecord", 52, -1, "", "", VT_DISPATCH},
};

using DispatchMap = std::map<DISPID, const OperationRow*>;

DispatchMap BuildMap(Flavour flavour) {
  DispatchMap map;
  for (const OperationRow& row : kRows) {
    DISPID id = flavour == Flavour::kConventional ? row.conventionalId : row.enterpriseId;
    if (id >= 0) map.emplace(id, &row);
  }
  return map;
}

}  // namespace

const OperationRow* FindOperation(Flavour flavour, DISPID id) {
  static const DispatchMap conventional = BuildMap(Flavour::kConventional);
  static const DispatchMap enterprise = BuildMap(Flavour::kEnterprise);
  const DispatchMap& map = flavour == Flavour::kConventional ? conventional : enterprise;
  auto found = map.find(id);
  return found == map.end() ? nullptr : found->second;
}

const OperationRow* FindOperationByName(const QK_TString& name) {
  for (const OperationRow& row : kRows) {
    if (name.EqualsIgnoreCase(row.name)) return &row;
  }
  return nullptr;
}

const char* ParametersOf(const OperationRow& row, Flavour flavour) {
  return flavour == Flavour::kConventional ? row.conventionalParameters : row.enterpriseParameters;
}

}  // namespace FolvaneCAD
