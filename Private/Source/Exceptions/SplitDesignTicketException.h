// The failures of the split-design ticket builder: a ticket that cannot be
// read. The message is each class's only content.
#pragma once

#include "ExceptionScaffold.h"

namespace CAD {

SHAPEJOB_MESSAGE_EXCEPTION(SplitDesignTicketException, QK_EException)

SHAPEJOB_MESSAGE_EXCEPTION(BlankProjectAndDesignName2, SplitDesignTicketException)
SHAPEJOB_MESSAGE_EXCEPTION(InvalidXPathException2, SplitDesignTicketException)
SHAPEJOB_MESSAGE_EXCEPTION(NonWellformedXMLException2, SplitDesignTicketException)

}  // namespace CAD
