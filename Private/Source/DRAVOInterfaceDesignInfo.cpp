// The design-information operations: the facts of a design exported as a
// document, with or without the ticket's custom variables.
#include "DRAVOInterface.h"

namespace CAD {

int DRAVOInterface::GenerateDesignInfo(ShopCardTicketData&, QK_TString&, QK_TURL&) {
  NotAvailable("Exporting design information");
}

int DRAVOInterface::GenerateDesignInfoWithVariables(ShopCardTicketData&, StringMapList&, QK_TString&,
                                                    QK_TURL&) {
  NotAvailable("Exporting design information");
}

}  // namespace CAD
