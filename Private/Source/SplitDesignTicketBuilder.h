// Fills the split-design record from a "splitdesign" ticket: the design to
// open (an enterprise project reference or a path), the post command
// script, the print items to split out and the design's database facts.
#pragma once

#include "AT_TTicket.h"
#include "QK_TURL.h"
#include "ShapejobTicketData.h"
#include "TW_TTask.h"
#include "XUtility.h"

namespace CAD {

class SplitDesignTicketBuilder {
 public:
  SplitDesignTicketBuilder(AT_TTicket& ticket, const QK_TURL& inputFile, SplitDesignTicketData& record, TW_TTask& task)
      : reader_(task, ticket, inputFile, kFamily), record_(record) {}

  // Reads every parameter of the ticket into the record; true when done.
  // A ticket that cannot be read throws (the split-design ticket family,
  // QK_EException, or TaskError after reporting).
  bool BuildTicketData();

 private:
  void ReadDesign();
  void ReadEnterpriseSelection();

  static const TicketFamily kFamily;

  TicketReader reader_;
  SplitDesignTicketData& record_;
};

}  // namespace CAD
