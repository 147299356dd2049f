// The shop-card operation: the outputs of an opened design.
#include "DRAVOInterface.h"

namespace CAD {

int DRAVOInterface::GenerateShopCard(ShopCardTicketData&) { NotAvailable("Creating shop cards"); }

}  // namespace CAD
