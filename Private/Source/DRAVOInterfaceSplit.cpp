// The split operation: a native design that holds several print items
// saved as a design that keeps only the print item the ticket names.
#include "DRAVOInterface.h"
#include "DRAVOInterfaceShopCard.h"
#include "DravoException.h"
#include "FileNameParts.h"
#include "ShapejobCodes.h"
#include "TaskError.h"

namespace CAD {

namespace {

const QK_TString kNativeExtensionWord(L"KPX");

// The text after the last "." (the whole text when there is none).
QK_TString ExtensionWord(const QK_TString& name) {
  const QK_TString extension = ExtensionOf(name);
  return extension.Empty() ? name : extension.Substring(1);
}

// The file the split design is saved as: the output path itself, or the
// output name in that folder when the ticket gives one.
QK_TString SplitTarget(const SplitDesignTicketData& record) {
  if (record.outputFileName.Empty()) return record.outputPath;
  const QK_TString folder = DRAVOInterface::ToForwardSlashes(record.outputPath);
  return folder.EndsWith("/") ? folder + record.outputFileName : folder + "/" + record.outputFileName;
}

}  // namespace

int DRAVOInterface::SplitDesign(SplitDesignTicketData& record) {
  const QK_TString& design = record.designPath;
  if (design.Empty()) QK_THROW(EmptyDesignNameException(QK_TString("The Design Name is Empty")));
  if (!ExtensionWord(design).EqualsIgnoreCase(kNativeExtensionWord)) {
    Report(Severity::kError, "shapejobs.error.invalidfiletype", QK_TAny(design));
    QK_THROW(TaskError());
  }
  try {
    return KeepSplitPrintItem(record);
  } catch (const PrintItemExceptionHandler&) {
    QK_THROW(TaskError());  // reported where it was found
  } catch (const DravoError&) {
    Report(Severity::kError, "shapejobs.message.designpathnotfound", QK_TAny(design));
    QK_THROW(TaskError());
  }
}

int DRAVOInterface::KeepSplitPrintItem(const SplitDesignTicketData& record) {
  int result = 0;
  Report(Severity::kInformation, "shapejobs.message.designname", QK_TAny(record.designPath));
  OpenDesign(OpenSplitDesign(record.designPath, result));
  const std::int32_t count = GetPrintItemCount(PrintItemKind::kPrintItem);
  if (record.printItem.Empty()) {
    Report(Severity::kError, "shapejobs.error.noprintitemprovided");
    QK_THROW(PrintItemExceptionHandler());
  }
  std::vector<QK_TString> otherNames;
  std::vector<std::int32_t> otherIndexes;
  MatchSplitPrintItem(otherNames, otherIndexes, count, record.printItem);
  for (std::int32_t index : otherIndexes) {
    if (DeletePrintItem(index) != Status::kDone) {
      Report(Severity::kError, "shapejobs.error.deleteprintitemfailed");
      QK_THROW(DravoError());
    }
  }
  if (!record.commandScript.Empty()) {
    Report(Severity::kInformation, "shapejobs.message.runcommandscript", QK_TAny(record.commandScript));
    if (RunCommand(record.commandScript) != Status::kDone) {
      Report(Severity::kWarning, "shapejobs.message.dravoerrorstring", QK_TAny(GetErrorString()));
    }
  }
  const QK_TString target = SplitTarget(record);
  Report(Severity::kInformation, "shapejobs.message.outputdesignpath", QK_TAny(target));
  if (record.databaseKind == kConventionalKind && SetDesignPeople(record.dbInfo) == 1) result = 1;
  SetOption72(1);
  SetOption36(0);
  if (SaveOutputDesign(target, *record.delivered) != 0) result = 1;
  CloseDesign();
  return result;
}

void DRAVOInterface::MatchSplitPrintItem(std::vector<QK_TString>& otherNames,
                                         std::vector<std::int32_t>& otherIndexes, std::int32_t printItemCount,
                                         const QK_TString& wantedName) {
  std::int32_t kept = 0;
  for (std::int32_t index = 1; index <= printItemCount; ++index) {
    const QK_TString name = GetPrintItemName(PrintItemKind::kPrintItem, index);
    if (name.EqualsIgnoreCase(wantedName)) {
      kept = index;
    } else {
      otherNames.insert(otherNames.begin(), name);
      otherIndexes.insert(otherIndexes.begin(), index);
    }
  }
  if (kept == 0) {
    Report(Severity::kError, "shapejobs.error.noprintitemmatch", QK_TAny(wantedName));
    QK_THROW(PrintItemExceptionHandler());
  }
  for (std::int32_t part = GetPrintItemCount(PrintItemKind::kPart); part >= 1; --part) {
    if (CheckPrintItem(kept, PrintItemKind::kPartOfItem, part) == kPartOfNoItem) {
      RemovePrintItem(part);
    } else {
      SetLayer(LayerIndex::kAll, kLayerOn);
    }
  }
}

}  // namespace CAD
