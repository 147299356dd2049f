// The operations of the CAD stand-in's main control and the two dispatch-id
// maps that reach them: the conventional control and the enterprise control
// call the same operations by different dispatch ids, and a few operations
// exist on one of them only.
#pragma once

#include "OleAuto.h"
#include "QK_TString.h"

namespace FolvaneCAD {

enum class Operation {
  kErrorText,
  kVersion,
  kStart,
  kLogin,
  kSessionStart,
  kSetDefaultsLocation,
  kDisconnect,
  kConnect,
  kOpenDesign,
  kCloseDesign,
  kSaveDesign,
  kDocumentXml,
  kDocumentPath,
  kRedraw,
  kRebuild,
  kSetLayer,
  kWriteOutput,
  kSetBoardCode,
  kSetBoardCodeAndDescription,
  kBoardCode,
  kBoardDescription,
  kIndustryCode,
  kUnit,
  kSetUnit,
  kSetGrain,
  kSetPrintSide,
  kSetOption14,
  kSetOption18,
  kSetNamedOption,
  kSetStyleWorkspace,
  kRunStyleStandard,
  kSetNumericVariable,
  kAddNumericVariable,
  kSetTextVariable,
  kAddTextVariable,
  kReadNumericVariable,
  kReadTextVariable,
  kGetNumericVariable,
  kGetTextVariable,
  kEvaluateText,
  kEvaluateNumber,
  kExpressionError,
  kRunCommand,
  kPrepareDesign,
  kCreatePrintItems,
  kPrintItemCount,
  kPrintItemName,
  kCheckPrintItem,
  kSelectPrintItem,
  kDeletePrintItem,
  kRemovePrintItem,
  kExportImage,
  kExportThumbnail,
  kImageSetting,
  kLayoutObject,
  kDesignRecord,
};

// One operation with its dispatch ids (-1: not on that control) and its
// parameters, one letter each: s BSTR, i I2, l I4, r R8, b BOOL, v VARIANT
// holding an integer, S out BSTR, R out R8. All are methods.
struct OperationRow {
  Operation operation;
  const char* name;  // as a scenario file names it
  DISPID conventionalId;
  DISPID enterpriseId;
  const char* conventionalParameters;
  const char* enterpriseParameters;
  VARTYPE result;
};

enum class Flavour { kConventional, kEnterprise };

// The row that `id` reaches on a control of `flavour`, or null.
const OperationRow* FindOperation(Flavour flavour, DISPID id);
// The row of the operation named so (without regard to case), or null.
const OperationRow* FindOperationByName(const QK_TString& name);
// The parameters of the row on a control of `flavour`.
const char* ParametersOf(const OperationRow& row, Flavour flavour);

}  // namespace FolvaneCAD
