// The operations of the CAD stand-in's main control and its dispatch
// table: the conventional control and the enterprise control call the same
// operations by different dispatch ids, and a few operations exist on one
// of them only. Every operation is a method.
#pragma once

#include "Automation/FolvaneCADDispatchTable.h"

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

// The main control's rows; "Control" in scenario files.
const DispatchTable& MainControlTable();

}  // namespace FolvaneCAD
