// The run-standard operation: a design generated from a parametric standard.
#include "DRAVOInterface.h"

namespace CAD {

int DRAVOInterface::GenerateDesignFromStandard(RunStandardTicketData&) {
  NotAvailable("Generating a design from a standard");
}

}  // namespace CAD
