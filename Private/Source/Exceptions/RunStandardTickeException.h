// The failures of the run-standard ticket builder: a ticket that cannot be
// read. The message is each class's only content.
#pragma once

#include "ExceptionScaffold.h"

namespace CAD {

SHAPEJOB_MESSAGE_EXCEPTION(RunStandardTickeException, QK_EException)

SHAPEJOB_MESSAGE_EXCEPTION(BlankProjectAndDesignName, RunStandardTickeException)
SHAPEJOB_MESSAGE_EXCEPTION(InvalidXpathException, RunStandardTickeException)
SHAPEJOB_MESSAGE_EXCEPTION(NonWellformedXMLException, RunStandardTickeException)
SHAPEJOB_MESSAGE_EXCEPTION(StdVariablesEmptyException, RunStandardTickeException)
SHAPEJOB_MESSAGE_EXCEPTION(StdVariablesMismatchException, RunStandardTickeException)
SHAPEJOB_MESSAGE_EXCEPTION(XpathVariableResolveException, RunStandardTickeException)

}  // namespace CAD
