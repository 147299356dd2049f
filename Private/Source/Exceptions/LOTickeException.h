// The failures of the layout ticket builder: a ticket that cannot be
// read. The message is each class's only content.
#pragma once

#include "ExceptionScaffold.h"

namespace CAD {

SHAPEJOB_MESSAGE_EXCEPTION(LOTickeException, QK_EException)

SHAPEJOB_MESSAGE_EXCEPTION(InvalidValueException, LOTickeException)
SHAPEJOB_MESSAGE_EXCEPTION(LOInvalidXpathException, LOTickeException)
SHAPEJOB_MESSAGE_EXCEPTION(LONonWellformedXMLException, LOTickeException)
SHAPEJOB_MESSAGE_EXCEPTION(LOXpathVarResolveException, LOTickeException)

}  // namespace CAD
