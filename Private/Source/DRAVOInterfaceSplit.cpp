// The split operation: one design split into designs of its own.
#include "DRAVOInterface.h"

namespace CAD {

int DRAVOInterface::SplitDesign(SplitDesignTicketData&) { NotAvailable("Splitting designs"); }

}  // namespace CAD
