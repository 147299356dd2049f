// The ticket builder calls and the workers.
//
// These are not available in this build yet: each says so with a clear
// exception, which ends the ticket as failed, instead of pretending to work.
#include "Shapejob.h"

namespace CAD {

namespace {

[[noreturn]] void NotAvailable(const char* what) {
  QK_THROW(QK_EException(QK_TString::Format("%s is not available in this build", what)));
}

}  // namespace

void Task::BuildShopCardTicket(AT_TTicket&, const QK_TURL&, ShopCardTicketData&, StringMapList&,
                               const QK_TString&) {
  NotAvailable("The shop-card ticket builder");
}

void Task::BuildRunStandardTicket(AT_TTicket&, const QK_TURL&, RunStandardTicketData&) {
  NotAvailable("The run-standard ticket builder");
}

void Task::BuildSplitDesignTicket(AT_TTicket&, const QK_TURL&, SplitDesignTicketData&) {
  NotAvailable("The split-design ticket builder");
}

void Task::BuildLayoutTicket(AT_TTicket&, const QK_TURL&, StringMapList&, LOTicketParam&) {
  NotAvailable("The layout ticket builder");
}

int Task::ProcessShopCard(ShopCardTicketData&, QK_TURL&, double, double) {
  NotAvailable("Creating shop cards");
}

int Task::ProcessDesignInfo(ShopCardTicketData&, StringMapList&, QK_TURL&, double, double) {
  NotAvailable("Exporting design information");
}

int Task::ProcessRunStandard(RunStandardTicketData&, QK_TURL&, double, double) {
  NotAvailable("Running standards");
}

int Task::ProcessSplitDesign(SplitDesignTicketData&, QK_TURL&, double, double) {
  NotAvailable("Splitting designs");
}

int Task::ProcessLayout(StringMapList&, LOTicketParam&, double, double) { NotAvailable("Running layouts"); }

}  // namespace CAD
