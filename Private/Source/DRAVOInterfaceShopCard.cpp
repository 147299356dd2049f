// The shop-card operation: one design opened, the ticket's command scripts
// run at their hooks, its variables set, the design rebuilt on request and
// output once per copy of each output, the rebuilt design saved on request.
// A native design whose outputs name print items is output after it is
// closed, opened again per print item.
#include "DRAVOInterfaceShopCard.h"

#include <xercesc/dom/DOM.hpp>

#include "AfxDisp.h"
#include "DRAVOInterfaceShopCardRun.h"
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
    return ShopCardRun(*this, record).Run();
  } catch (COleDispatchException* caught) {
    QK_THROW(DravoRuntimeExceptionFromDispatch(QK_TString("RunShopCard failed"), caught));
  } catch (CException* caught) {
    QK_THROW(DravoRuntimeExceptionFromOle(QK_TString("RunShopCard failed"), caught));
  }
}

int ShopCardRun::Run() {
  QK_TString reference = cad.MakeDesignInfoReference(record);
  if (reference.Empty()) QK_THROW(EmptyDesignNameException(QK_TString("The Design Name is empty")));
  cad.Report(Severity::kInformation, "shapejobs.message.shopcarddesign", QK_TAny(reference));
  try {
    cad.OpenDesign(reference);
  } catch (const DravoError&) {
    reference = record.designNotFoundPath;
    cad.Report(Severity::kInformation, "shapejobs.message.shopcarddesignnotfoundpath", QK_TAny(reference));
    cad.OpenDesign(reference);
  }
  RunHook(kPostOpen, "shapejobs.message.shopcarddopostopendesign");
  cad.SetShopCardVariables(record);
  const std::int16_t rebuildStatus =
      record.rebuildDesign == kRebuildRequested ? cad.RebuildDesign(record) : kNotRebuilt;

  DRAVOInterface::PrintItemNameLists lists;
  DRAVOInterface::PrintItemNameLists namedLists;
  DRAVOInterface::CollectOutputPrintItems(record, lists, namedLists);
  const bool perPrintItem =
      !namedLists.empty() && ExtensionOf(reference).EqualsIgnoreCase(kNativeDesignExtension);
  if (!perPrintItem) {
    cad.ApplyLayerClasses(record);
    RunHook(kPreOutput, "shapejobs.message.shopcardrunpreoutput");
    OutputOpenDesign();
    RunHook(kPostOutput, "shapejobs.message.shopcardrunpostoutput");
  }

  int result = 0;
  if (record.hasSave && rebuildStatus == Status::kDone && SaveRebuiltDesign() != 0) result = 1;
  cad.Report(Severity::kInformation, "shapejobs.message.shopcardclosingdesign");
  cad.CloseDesign();
  cad.Report(Severity::kInformation, "shapejobs.message.shopcardclosedesign");

  if (perPrintItem) {
    RunHook(kPreOutput, "shapejobs.message.shopcardrunpreoutput");
    OutputPrintItemsOfClosedDesign(lists);
    RunHook(kPostOutput, "shapejobs.message.shopcardrunpostoutput");
  }
  return result;
}

void ShopCardRun::OutputOpenDesign() {
  if (record.outputs.size() == 1 && record.outputs.front()) {
    // The only output goes to the task's output location; no document.
    const OutputsInfo& output = *record.outputs.front();
    cad.Report(Severity::kInformation, "shapejobs.message.shopcardrunoutput", QK_TAny(output.Name));
    RunOutputCopies(output, DRAVOInterface::ToForwardSlashes(record.outputLocation.LocalName()));
    return;
  }
  // Each row names the file its output wrote.
  const XmlDocument document = CreateXmlDocument(kMultipleOutputsRoot);
  for (const auto& output : record.outputs) {
    if (!output) continue;
    cad.Report(Severity::kInformation, "shapejobs.message.shopcardrunoutput", QK_TAny(output->Name));
    QK_TString target = TargetOf(*output);
    // An output of no copies writes nothing, and so replaces nothing.
    if (!output->Name.Empty() && output->Copies > 0) {
      target = FreeTarget(target);
      RunOutputCopies(*output, DRAVOInterface::ToForwardSlashes(target));
    }
    DRAVOInterface::AppendOutputRow(*document, *document->getDocumentElement(), *output, target);
  }
  cad.WriteMultipleOutputsDocument(record, *document);
}

void ShopCardRun::OutputPrintItemsOfClosedDesign(const DRAVOInterface::PrintItemNameLists& lists) {
  if (record.outputs.size() == 1) {
    std::vector<QK_TString> produced;
    cad.RunShopCardSingleOutput(record, lists, produced);
    // One print item is output at the task's location itself: nothing to list.
    if (produced.empty()) return;
    const XmlDocument document = CreateXmlDocument(kMultipleOutputsRoot);
    for (const QK_TString& file : produced) {
      DRAVOInterface::AppendOutputRow(*document, *document->getDocumentElement(), *record.outputs.front(), file);
    }
    cad.WriteMultipleOutputsDocument(record, *document);
    return;
  }
  DRAVOInterface::PrintItemNameLists produced;
  cad.RunShopCardOutputList(record, lists, produced);
  const XmlDocument document = CreateXmlDocument(kMultipleOutputsRoot);
  for (std::size_t i = 0; i < produced.size() && i < record.outputs.size(); ++i) {
    for (const QK_TString& file : produced[i]) {
      DRAVOInterface::AppendOutputRow(*document, *document->getDocumentElement(), *record.outputs[i], file);
    }
  }
  cad.WriteMultipleOutputsDocument(record, *document);
}

int ShopCardRun::SaveRebuiltDesign() {
  if (record.saveName.Empty()) {
    cad.Report(Severity::kWarning, "shapejobs.message.dravorebuildnameempty");
    return 1;
  }
  if (record.savePath.Empty()) {
    cad.Report(Severity::kWarning, "shapejobs.message.dravorebuildpathempty");
    return 1;
  }
  const QK_TString target = record.savePath + "/" + record.saveName;
  if (!IsReachableSaveTarget(target)) {
    cad.Report(Severity::kWarning, "shapejobs.error.invalidrebuildpath", QK_TAny(target));
    return 1;
  }
  QK_TURL url = cad.MakeDesignURL(target);
  if (!url.Extension().EqualsIgnoreCase(kNativeDesignExtension)) DRAVOInterface::ChangeExtension(url, kNativeDesignExtension);
  if (url.LocalName().Empty()) return 0;
  cad.Report(Severity::kInformation, "shapejobs.message.shopcardsaverebuildurl", QK_TAny(url));
  const int result = cad.SaveDesign(url.LocalName()) == Status::kDoneWithRemarks ? 1 : 0;
  cad.SetOption36(0);
  return result;
}

}  // namespace CAD
