// The shop-card operation: one design opened, the ticket's command scripts
// run at their hooks, its variables set, the design rebuilt on request and
// output once per copy of each output, the rebuilt design saved on request.
// A native design whose outputs name print items is output after it is
// closed, opened again per print item.
#include "DRAVOInterfaceShopCard.h"

#include <xercesc/dom/DOM.hpp>

#include "AfxDisp.h"
#include "DRAVOInterface.h"
#include "DravoException.h"
#include "FileNameParts.h"
#include "ShapejobCodes.h"

namespace CAD {

namespace {

const QK_TString kMultipleOutputsRoot(L"ShopCardMultipleOutputs");
const char kPostOpen[] = "POST_OPEN";
const char kPreOutput[] = "PRE_OUTPUT";
const char kPostOutput[] = "POST_OUTPUT";
// The rebuild status before any rebuild ran.
constexpr std::int16_t kNotRebuilt = -1;

// A save target the CAD application can reach: a "file:" location or a
// network path.
bool IsReachableSaveTarget(const QK_TString& target) {
  return target.StartsWith(kFileScheme) || target.StartsWith("//") || target.StartsWith("\\");
}

// The text of an output's target as a row of the document names it.
QK_TString TargetOf(const OutputsInfo& output) {
  return output.OutputPathName.Empty() ? QK_TString() : output.OutputPathName.LocalName();
}

}  // namespace

int DRAVOInterface::GenerateShopCard(ShopCardTicketData& record) {
  try {
    return RunShopCard(record);
  } catch (COleDispatchException* caught) {
    QK_THROW(DravoRuntimeExceptionFromDispatch(QK_TString("RunShopCard failed"), caught));
  } catch (CException* caught) {
    QK_THROW(DravoRuntimeExceptionFromOle(QK_TString("RunShopCard failed"), caught));
  }
}

int DRAVOInterface::RunShopCard(const ShopCardTicketData& record) {
  QK_TString reference = MakeDesignInfoReference(record);
  if (reference.Empty()) QK_THROW(EmptyDesignNameException(QK_TString("The Design Name is empty")));
  Report(Severity::kInformation, "shapejobs.message.shopcarddesign", QK_TAny(reference));
  try {
    OpenDesign(reference);
  } catch (const DravoError&) {
    reference = record.designNotFoundPath;
    Report(Severity::kInformation, "shapejobs.message.shopcarddesignnotfoundpath", QK_TAny(reference));
    OpenDesign(reference);
  }
  RunShopCardHook(record, kPostOpen, "shapejobs.message.shopcarddopostopendesign");
  SetShopCardVariables(record);
  const std::int16_t rebuildStatus =
      record.rebuildDesign == kRebuildRequested ? RebuildDesign(record) : kNotRebuilt;

  PrintItemNameLists lists;
  PrintItemNameLists namedLists;
  CollectOutputPrintItems(record, lists, namedLists);
  const bool perPrintItem =
      !namedLists.empty() && ExtensionOf(reference).EqualsIgnoreCase(kNativeDesignExtension);
  if (!perPrintItem) {
    ApplyLayerClasses(record);
    RunShopCardHook(record, kPreOutput, "shapejobs.message.shopcardrunpreoutput");
    OutputOpenDesign(record);
    RunShopCardHook(record, kPostOutput, "shapejobs.message.shopcardrunpostoutput");
  }

  int result = 0;
  if (record.hasSave && rebuildStatus == Status::kDone && SaveRebuiltDesign(record) != 0) result = 1;
  Report(Severity::kInformation, "shapejobs.message.shopcardclosingdesign");
  CloseDesign();
  Report(Severity::kInformation, "shapejobs.message.shopcardclosedesign");

  if (perPrintItem) {
    RunShopCardHook(record, kPreOutput, "shapejobs.message.shopcardrunpreoutput");
    OutputPrintItemsOfClosedDesign(record, lists);
    RunShopCardHook(record, kPostOutput, "shapejobs.message.shopcardrunpostoutput");
  }
  return result;
}

void DRAVOInterface::OutputOpenDesign(const ShopCardTicketData& record) {
  if (record.outputs.size() == 1 && record.outputs.front()) {
    // The only output goes to the task's output location; no document.
    const OutputsInfo& output = *record.outputs.front();
    Report(Severity::kInformation, "shapejobs.message.shopcardrunoutput", QK_TAny(output.Name));
    RunOutputCopies(output, ToForwardSlashes(record.outputLocation.LocalName()));
    return;
  }
  for (const auto& output : record.outputs) {
    if (!output) continue;
    Report(Severity::kInformation, "shapejobs.message.shopcardrunoutput", QK_TAny(output->Name));
    if (!output->Name.Empty()) RunOutputCopies(*output, ToForwardSlashes(TargetOf(*output)));
  }
  const XmlDocument document = CreateXmlDocument(kMultipleOutputsRoot);
  for (const auto& output : record.outputs) {
    if (output) AppendOutputRow(*document, *document->getDocumentElement(), *output, TargetOf(*output));
  }
  WriteMultipleOutputsDocument(record, *document);
}

void DRAVOInterface::OutputPrintItemsOfClosedDesign(const ShopCardTicketData& record,
                                                    const PrintItemNameLists& lists) {
  if (record.outputs.size() == 1) {
    std::vector<QK_TString> produced;
    RunShopCardSingleOutput(record, lists, produced);
    // One print item is output at the task's location itself: nothing to list.
    if (produced.empty()) return;
    const XmlDocument document = CreateXmlDocument(kMultipleOutputsRoot);
    for (const QK_TString& file : produced) {
      AppendOutputRow(*document, *document->getDocumentElement(), *record.outputs.front(), file);
    }
    WriteMultipleOutputsDocument(record, *document);
    return;
  }
  PrintItemNameLists produced;
  RunShopCardOutputList(record, lists, produced);
  const XmlDocument document = CreateXmlDocument(kMultipleOutputsRoot);
  for (std::size_t i = 0; i < produced.size() && i < record.outputs.size(); ++i) {
    for (const QK_TString& file : produced[i]) {
      AppendOutputRow(*document, *document->getDocumentElement(), *record.outputs[i], file);
    }
  }
  WriteMultipleOutputsDocument(record, *document);
}

int DRAVOInterface::SaveRebuiltDesign(const ShopCardTicketData& record) {
  if (record.saveName.Empty()) {
    Report(Severity::kWarning, "shapejobs.message.dravorebuildnameempty");
    return 1;
  }
  if (record.savePath.Empty()) {
    Report(Severity::kWarning, "shapejobs.message.dravorebuildpathempty");
    return 1;
  }
  const QK_TString target = record.savePath + "/" + record.saveName;
  if (!IsReachableSaveTarget(target)) {
    Report(Severity::kWarning, "shapejobs.error.invalidrebuildpath", QK_TAny(target));
    return 1;
  }
  QK_TURL url = MakeDesignURL(target);
  if (!url.Extension().EqualsIgnoreCase(kNativeDesignExtension)) ChangeExtension(url, kNativeDesignExtension);
  if (url.LocalName().Empty()) return 0;
  Report(Severity::kInformation, "shapejobs.message.shopcardsaverebuildurl", QK_TAny(url));
  const int result = SaveDesign(url.LocalName()) == Status::kDoneWithRemarks ? 1 : 0;
  SetOption36(0);
  return result;
}

}  // namespace CAD
