// The shop-card operation's own steps for one ticket record, as one method
// object: DRAVOInterface::GenerateShopCard makes one and runs it, and the
// driver's print-item output members make one for the steps they share.
// The steps reach the CAD application through the driver's operations.
#pragma once

#include <cstdint>
#include <vector>

#include "DRAVOInterface.h"

namespace CAD {

class ShopCardRun {
 public:
  ShopCardRun(DRAVOInterface& cad, const ShopCardTicketData& record) : cad(cad), record(record) {}

  // Opens the design (or the record's designNotFoundPath), runs the hooks,
  // sets the variables, rebuilds on request, makes the outputs, saves the
  // rebuilt design on request and closes it: 0, or 1 for a warning.
  int Run();

  // Runs the record's command script of `phase` (one of the five hook
  // phases) after message 0 `key`; a refused script is only reported.
  void RunHook(const char* phase, const char* key);
  // The print items of the design, opened for the count and closed.
  std::int32_t CountPrintItems(const QK_TString& designReference);
  // No print item: reported, TaskError.
  void RequirePrintItems(std::int32_t count);
  // Opens the design and sets the variables; rebuilds it when asked.
  void OpenForOutput(const QK_TString& designReference);
  // The local `path` an output names itself, or the name it takes when an
  // earlier input of the ticket delivered that file.
  QK_TString FreeTarget(const QK_TString& path) const;
  // The output `path` once per copy; a path written is delivered.
  void RunOutputCopies(const OutputsInfo& output, const QK_TString& path);
  // The selected print item output to the output's own location (named
  // for the print item), then the design closed.
  void OutputSelectedPrintItem(const OutputsInfo& output, const QK_TString& printItemName,
                               std::vector<QK_TString>& produced);
  // The design with the record's layers, output to the output's location.
  void OutputWholeDesign(const QK_TString& designReference, const OutputsInfo& output,
                         std::vector<QK_TString>& produced);

 private:
  // The outputs of the open design (all but a native design's print items);
  // several outputs, or none, are listed in the document of outputs.
  void OutputOpenDesign();
  // The outputs of a native design's print items, made with it closed.
  void OutputPrintItemsOfClosedDesign(const DRAVOInterface::PrintItemNameLists& lists);
  // Saves the rebuilt design under the record's save name and path; 1 for a
  // warning (no name, no path, a target out of reach, a save with remarks).
  int SaveRebuiltDesign();

  DRAVOInterface& cad;
  const ShopCardTicketData& record;
};

}  // namespace CAD
