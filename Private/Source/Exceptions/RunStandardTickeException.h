// The failures of the run-standard ticket builder: a ticket that cannot be
// read. The message is each class's only content.
#pragma once

#include "ExceptionScaffold.h"

namespace CAD {

class RunStandardTickeException : public QK_EException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(RunStandardTickeException, QK_EException, "RunStandardTickeException")
};
SHAPEJOB_REGISTER_EXCEPTION(RunStandardTickeException)


class BlankProjectAndDesignName : public RunStandardTickeException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(BlankProjectAndDesignName, RunStandardTickeException, "BlankProjectAndDesignName")
};
SHAPEJOB_REGISTER_EXCEPTION(BlankProjectAndDesignName)

class InvalidXpathException : public RunStandardTickeException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(InvalidXpathException, RunStandardTickeException, "InvalidXpathException")
};
SHAPEJOB_REGISTER_EXCEPTION(InvalidXpathException)

class NonWellformedXMLException : public RunStandardTickeException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(NonWellformedXMLException, RunStandardTickeException, "NonWellformedXMLException")
};
SHAPEJOB_REGISTER_EXCEPTION(NonWellformedXMLException)

class StdVariablesEmptyException : public RunStandardTickeException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(StdVariablesEmptyException, RunStandardTickeException, "StdVariablesEmptyException")
};
SHAPEJOB_REGISTER_EXCEPTION(StdVariablesEmptyException)

class StdVariablesMismatchException : public RunStandardTickeException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(StdVariablesMismatchException, RunStandardTickeException, "StdVariablesMismatchException")
};
SHAPEJOB_REGISTER_EXCEPTION(StdVariablesMismatchException)

class XpathVariableResolveException : public RunStandardTickeException {
  SHAPEJOB_MESSAGE_EXCEPTION_CLASS(XpathVariableResolveException, RunStandardTickeException, "XpathVariableResolveException")
};
SHAPEJOB_REGISTER_EXCEPTION(XpathVariableResolveException)


}  // namespace CAD
