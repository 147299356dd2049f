// The failures of the shop-card (and design-information) ticket builder: a ticket that cannot be
// read. The message is each class's only content.
#pragma once

#include "ExceptionScaffold.h"

namespace CAD {

SHAPEJOB_MESSAGE_EXCEPTION(ShopCardTicketException, QK_EException)

SHAPEJOB_MESSAGE_EXCEPTION(BadArgumentsException, ShopCardTicketException)
SHAPEJOB_MESSAGE_EXCEPTION(InvalidShopCardTicketException, ShopCardTicketException)
SHAPEJOB_MESSAGE_EXCEPTION(NonWellFormedXMLException, ShopCardTicketException)
SHAPEJOB_MESSAGE_EXCEPTION(ShopCardInvalidXpathException, ShopCardTicketException)
SHAPEJOB_MESSAGE_EXCEPTION(ShopCardNonWellformedXMLException, ShopCardTicketException)
SHAPEJOB_MESSAGE_EXCEPTION(XpathVarResolveException, ShopCardTicketException)

}  // namespace CAD
