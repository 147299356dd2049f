// The layout operation: designs nested on sheets by the layout object.
#include "DRAVOInterface.h"

namespace CAD {

int DRAVOInterface::GenerateLayout(StringMapList&, LOTicketParam&) { NotAvailable("Running layouts"); }

}  // namespace CAD
