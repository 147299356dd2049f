// The failures of the shop-card (and design-information) ticket builder: a ticket that cannot be
// read. The message is each class's only content.
#pragma once

#include "ExceptionScaffold.h"

namespace CAD {

class ShopCardTicketException : public QK_EException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(ShopCardTicketException, QK_EException, "ShopCardTicketException")
};
SHAPEJOB_REGISTER_EXCEPTION(ShopCardTicketException)


class BadArgumentsException : public ShopCardTicketException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(BadArgumentsException, ShopCardTicketException, "BadArgumentsException")
};
SHAPEJOB_REGISTER_EXCEPTION(BadArgumentsException)

class InvalidShopCardTicketException : public ShopCardTicketException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(InvalidShopCardTicketException, ShopCardTicketException, "InvalidShopCardTicketException")
};
SHAPEJOB_REGISTER_EXCEPTION(InvalidShopCardTicketException)

class NonWellFormedXMLException : public ShopCardTicketException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(NonWellFormedXMLException, ShopCardTicketException, "NonWellFormedXMLException")
};
SHAPEJOB_REGISTER_EXCEPTION(NonWellFormedXMLException)

class ShopCardInvalidXpathException : public ShopCardTicketException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(ShopCardInvalidXpathException, ShopCardTicketException, "ShopCardInvalidXpathException")
};
SHAPEJOB_REGISTER_EXCEPTION(ShopCardInvalidXpathException)

class ShopCardNonWellformedXMLException : public ShopCardTicketException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(ShopCardNonWellformedXMLException, ShopCardTicketException, "ShopCardNonWellformedXMLException")
};
SHAPEJOB_REGISTER_EXCEPTION(ShopCardNonWellformedXMLException)

class XpathVarResolveException : public ShopCardTicketException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(XpathVarResolveException, ShopCardTicketException, "XpathVarResolveException")
};
SHAPEJOB_REGISTER_EXCEPTION(XpathVarResolveException)


}  // namespace CAD
