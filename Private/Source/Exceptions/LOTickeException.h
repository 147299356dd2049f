// The failures of the layout ticket builder: a ticket that cannot be
// read. The message is each class's only content.
#pragma once

#include "ExceptionScaffold.h"

namespace CAD {

class LOTickeException : public QK_EException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(LOTickeException, QK_EException, "LOTickeException")
};
SHAPEJOB_REGISTER_EXCEPTION(LOTickeException)


class InvalidValueException : public LOTickeException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(InvalidValueException, LOTickeException, "InvalidValueException")
};
SHAPEJOB_REGISTER_EXCEPTION(InvalidValueException)

class LOInvalidXpathException : public LOTickeException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(LOInvalidXpathException, LOTickeException, "LOInvalidXpathException")
};
SHAPEJOB_REGISTER_EXCEPTION(LOInvalidXpathException)

class LONonWellformedXMLException : public LOTickeException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(LONonWellformedXMLException, LOTickeException, "LONonWellformedXMLException")
};
SHAPEJOB_REGISTER_EXCEPTION(LONonWellformedXMLException)

class LOXpathVarResolveException : public LOTickeException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(LOXpathVarResolveException, LOTickeException, "LOXpathVarResolveException")
};
SHAPEJOB_REGISTER_EXCEPTION(LOXpathVarResolveException)


}  // namespace CAD
