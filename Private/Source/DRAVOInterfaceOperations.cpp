// The task operations of the CAD interface.
//
// They are not available in this build yet: each says so with a clear
// exception, which ends the ticket as failed, instead of pretending to work.
#include "DRAVOInterface.h"

#include "QK_EException.h"

namespace CAD {

namespace {

[[noreturn]] void NotAvailable(const char* what) {
  QK_THROW(QK_EException(QK_TString::Format("%s is not available in this build", what)));
}

}  // namespace

int DRAVOInterface::GenerateDesignFromStandard(RunStandardTicketData&) {
  NotAvailable("Generating a design from a standard");
}

int DRAVOInterface::GenerateDesignInfo(ShopCardTicketData&, QK_TString&, QK_TURL&) {
  NotAvailable("Exporting design information");
}

int DRAVOInterface::GenerateDesignInfoWithVariables(ShopCardTicketData&, StringMapList&, QK_TString&, QK_TURL&) {
  NotAvailable("Exporting design information");
}

int DRAVOInterface::GenerateShopCard(ShopCardTicketData&) { NotAvailable("Creating shop cards"); }

int DRAVOInterface::SplitDesign(SplitDesignTicketData&) { NotAvailable("Splitting designs"); }

int DRAVOInterface::GenerateLayout(StringMapList&, LOTicketParam&) { NotAvailable("Running layouts"); }

}  // namespace CAD
