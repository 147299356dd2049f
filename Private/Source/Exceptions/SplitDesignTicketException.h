// The failures of the split-design ticket builder: a ticket that cannot be
// read. The message is each class's only content.
#pragma once

#include "ExceptionScaffold.h"

namespace CAD {

class SplitDesignTicketException : public QK_EException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(SplitDesignTicketException, QK_EException, "SplitDesignTicketException")
};
SHAPEJOB_REGISTER_EXCEPTION(SplitDesignTicketException)


class BlankProjectAndDesignName2 : public SplitDesignTicketException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(BlankProjectAndDesignName2, SplitDesignTicketException, "BlankProjectAndDesignName2")
};
SHAPEJOB_REGISTER_EXCEPTION(BlankProjectAndDesignName2)

class InvalidXPathException2 : public SplitDesignTicketException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(InvalidXPathException2, SplitDesignTicketException, "InvalidXPathException2")
};
SHAPEJOB_REGISTER_EXCEPTION(InvalidXPathException2)

class NonWellformedXMLException2 : public SplitDesignTicketException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(NonWellformedXMLException2, SplitDesignTicketException, "NonWellformedXMLException2")
};
SHAPEJOB_REGISTER_EXCEPTION(NonWellformedXMLException2)


}  // namespace CAD
