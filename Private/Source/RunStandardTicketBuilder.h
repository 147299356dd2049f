// Fills the run-standard record from a "runstandard" ticket: the standard to
// open, board code and description, units, grain direction, print side,
// post command script, the standard's variables and the new design's
// database facts.
#pragma once

#include "AT_TTicket.h"
#include "QK_TString.h"
#include "QK_TURL.h"
#include "ShapejobTicketData.h"
#include "TW_TTask.h"
#include "XUtility.h"

namespace CAD {

class RunStandardTicketBuilder {
 public:
  RunStandardTicketBuilder(AT_TTicket& ticket, const QK_TURL& inputFile, RunStandardTicketData& record, TW_TTask& task)
      : reader_(task, ticket, inputFile, kFamily), record_(record) {}

  // Reads every parameter of the ticket into the record; true when done.
  // A ticket that cannot be read throws (the run-standard ticket family,
  // QK_EException, or TaskError after reporting).
  bool BuildTicketData();

 private:
  void ReadStandard();
  void ReadEnterpriseSelection();
  void ReadStandardByName(const char* key);
  void ReadVariables();
  void ReadVariablesFromList();
  void ReadVariablesByXPath(const QK_TString& names, const QK_TString& values);

  static const TicketFamily kFamily;

  TicketReader reader_;
  RunStandardTicketData& record_;
};

}  // namespace CAD
