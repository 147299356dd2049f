// Shop-card outputs made with the design closed: each output, or each print
// item an output names, gets the design opened afresh, prepared (variables,
// rebuild) and output, then closed again. The files written are handed
// back as local paths, one list per output, for the document of outputs.
#include <algorithm>

#include "DRAVOInterface.h"
#include "DRAVOInterfaceShopCard.h"
#include "DRAVOInterfaceShopCardRun.h"
#include "FileNameParts.h"
#include "QK_EException.h"
#include "ShapejobCodes.h"
#include "TaskError.h"

namespace CAD {

namespace {

bool NamesEveryPrintItem(const std::vector<QK_TString>& names) {
  return std::find(names.begin(), names.end(), kAllPrintItemsWord) != names.end();
}

}  // namespace

QK_TString DRAVOInterface::MakePrintItemOutputName(QK_TString& outputLocation,
                                                   const QK_TString& printItemName) {
  outputLocation = ToForwardSlashes(outputLocation);
  const QK_TString item = SanitizeFileName(printItemName);
  // Only a "." of the file name starts its extension, not one of a folder.
  const QK_TString extension = ExtensionOf(FileNameOfPath(outputLocation));
  const QK_TString stem = outputLocation.Substring(0, outputLocation.Length() - extension.Length());
  return QK_TString::Format("%s_%s%s", stem.c_str(), item.c_str(), extension.c_str());
}

std::int32_t ShopCardRun::CountPrintItems(const QK_TString& designReference) {
  cad.OpenDesign(designReference);
  const std::int32_t count = cad.GetPrintItemCount(PrintItemKind::kPrintItem);
  cad.CloseDesign();
  return count;
}

void ShopCardRun::RequirePrintItems(std::int32_t count) {
  if (count >= 1) return;
  cad.Report(Severity::kError, "shapejobs.error.noprintitemfound");
  QK_THROW(TaskError());
}

void ShopCardRun::OpenForOutput(const QK_TString& designReference) {
  cad.OpenDesign(designReference);
  cad.SetShopCardVariables(record);
  if (record.rebuildDesign == kRebuildRequested) cad.RebuildDesign(record);
}

QK_TString ShopCardRun::FreeTarget(const QK_TString& path) const {
  if (path.Empty()) return path;
  const QK_TURL named = QK_TURL::FromLocalPath(path);
  const QK_TURL free = record.delivered->FreeLocation(named, cad.reporter);
  return free == named ? path : free.LocalName();
}

void ShopCardRun::RunOutputCopies(const OutputsInfo& output, const QK_TString& path) {
  for (std::uint16_t copy = 0; copy < output.Copies; ++copy) cad.OutputDesign(output, path);
  // A refused copy throws: the file is written once a copy is made.
  if (output.Copies > 0 && !path.Empty()) record.delivered->Add(QK_TURL::FromLocalPath(path));
}

void ShopCardRun::OutputSelectedPrintItem(const OutputsInfo& output, const QK_TString& printItemName,
                                          std::vector<QK_TString>& produced) {
  if (output.OutputPathName.Empty()) {
    cad.Report(Severity::kError, "shapejobs.error.pathnotprovided", QK_TAny(output.Name));
    QK_THROW(TaskError());
  }
  QK_TString location = output.OutputPathName.LocalName();
  const QK_TString path = FreeTarget(DRAVOInterface::MakePrintItemOutputName(location, printItemName));
  RunOutputCopies(output, path);
  produced.push_back(DRAVOInterface::ToHostLocalPath(path, output.OutputPathName.ToString()));
  cad.CloseDesign();
}

void DRAVOInterface::OutputAllPrintItems(const ShopCardTicketData& record, const QK_TString& designReference,
                                         const OutputsInfo& output, std::vector<QK_TString>& produced) {
  ShopCardRun steps(*this, record);
  const std::int32_t count = steps.CountPrintItems(designReference);
  steps.RequirePrintItems(count);
  for (std::int32_t index = 1; index <= count; ++index) {
    steps.OpenForOutput(designReference);
    const QK_TString name = GetPrintItemName(PrintItemKind::kPrintItem, index);
    SelectPrintItemForOutput(index);
    steps.OutputSelectedPrintItem(output, name, produced);
  }
}

void DRAVOInterface::OutputListedPrintItems(const ShopCardTicketData& record,
                                            const std::vector<QK_TString>& printItemNames,
                                            const QK_TString& designReference, const OutputsInfo& output,
                                            std::vector<QK_TString>& produced) {
  ShopCardRun steps(*this, record);
  const std::int32_t count = steps.CountPrintItems(designReference);
  for (const QK_TString& wanted : printItemNames) {
    steps.RequirePrintItems(count);
    bool found = false;
    for (std::int32_t index = 1; index <= count; ++index) {
      steps.OpenForOutput(designReference);
      const QK_TString name = GetPrintItemName(PrintItemKind::kPrintItem, index);
      if (name.EqualsIgnoreCase(wanted)) {
        found = true;
        SelectPrintItemForOutput(index);
        steps.OutputSelectedPrintItem(output, name, produced);
      } else {
        CloseDesign();
      }
      CheckPrintItemMatched(found, index, count, wanted);
    }
  }
}

void DRAVOInterface::RunShopCardOutputList(const ShopCardTicketData& record,
                                           const PrintItemNameLists& printItemLists,
                                           PrintItemNameLists& produced) {
  ShopCardRun steps(*this, record);
  const QK_TString reference = MakeDesignInfoReference(record);
  steps.CountPrintItems(reference);
  for (std::size_t k = 0; k < record.outputs.size(); ++k) {
    // Every output gets its list, also one that makes nothing, so that the
    // lists stay in step with the outputs.
    std::vector<QK_TString> made;
    if (const OutputsInfo* output = record.outputs[k].get()) {
      Report(Severity::kInformation, "shapejobs.message.shopcardrunoutput", QK_TAny(output->Name));
      const std::vector<QK_TString> names =
          k < printItemLists.size() ? printItemLists[k] : std::vector<QK_TString>();
      if (output->Name.Empty() || output->Copies == 0) {
        // Nothing to make.
      } else if (names.empty()) {
        steps.OutputWholeDesign(reference, *output, made);
      } else if (NamesEveryPrintItem(names)) {
        OutputAllPrintItems(record, reference, *output, made);
      } else {
        OutputListedPrintItems(record, names, reference, *output, made);
      }
    }
    produced.push_back(std::move(made));
  }
}

void ShopCardRun::OutputWholeDesign(const QK_TString& designReference, const OutputsInfo& output,
                                    std::vector<QK_TString>& produced) {
  OpenForOutput(designReference);
  cad.ApplyLayerClasses(record);
  if (output.OutputPathName.Empty()) {
    cad.Report(Severity::kError, "shapejobs.error.pathnotprovided", QK_TAny(output.Name));
    QK_THROW(TaskError());
  }
  const QK_TString path = FreeTarget(DRAVOInterface::ToForwardSlashes(output.OutputPathName.LocalName()));
  RunOutputCopies(output, path);
  produced.push_back(DRAVOInterface::ToHostLocalPath(path, output.OutputPathName.ToString()));
  cad.CloseDesign();
}

void DRAVOInterface::RunShopCardSingleOutput(const ShopCardTicketData& record,
                                             const PrintItemNameLists& printItemLists,
                                             std::vector<QK_TString>& produced) {
  if (record.outputs.empty() || !record.outputs.front() || printItemLists.empty()) {
    QK_THROW(QK_EException(QK_TString("A shop card without an output has no output to run")));
  }
  const OutputsInfo& output = *record.outputs.front();
  Report(Severity::kInformation, "shapejobs.message.shopcardrunoutput", QK_TAny(output.Name));
  // No copies: nothing is made, and no file is listed.
  if (output.Copies == 0) return;
  const std::vector<QK_TString>& names = printItemLists.front();
  ShopCardRun steps(*this, record);
  const QK_TString reference = MakeDesignInfoReference(record);
  const std::int32_t count = steps.CountPrintItems(reference);
  const QK_TString path = ToForwardSlashes(record.outputLocation.LocalName());
  if (names.empty()) {
    steps.OpenForOutput(reference);
    ApplyLayerClasses(record);
    steps.RunOutputCopies(output, path);
    CloseDesign();
  } else if (NamesEveryPrintItem(names)) {
    OutputAllPrintItems(record, reference, output, produced);
  } else if (names.size() > 1) {
    OutputListedPrintItems(record, names, reference, output, produced);
  } else {
    // One print item, output at the ticket's own location like a whole design.
    steps.RequirePrintItems(count);
    bool found = false;
    for (std::int32_t index = 1; index <= count; ++index) {
      steps.OpenForOutput(reference);
      if (GetPrintItemName(PrintItemKind::kPrintItem, index).EqualsIgnoreCase(names.front())) {
        found = true;
        SelectPrintItemForOutput(index);
        steps.RunOutputCopies(output, path);
      }
      CloseDesign();
      CheckPrintItemMatched(found, index, count, names.front());
    }
  }
}

}  // namespace CAD
