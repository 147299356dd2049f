// The CAD side's failures: the family rooted in DravoException. The drivers
// throw them when the CAD application refuses a call (DravoError carries the
// operation's fixed text as message and the application's own error text as
// data); the CAD operations throw them for invalid tickets and failed steps.
// No leaf derives from another, so a handler for a leaf catches that leaf
// alone.
#pragma once

#include "ExceptionScaffold.h"

class CException;
class COleDispatchException;

namespace CAD {

class DravoException : public QK_EException {
  SHAPEJOB_EXCEPTION_CLASS(DravoException, QK_EException, "DravoException")
};
SHAPEJOB_REGISTER_EXCEPTION(DravoException)


class BoardCodeEmptyException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(BoardCodeEmptyException, DravoException, "BoardCodeEmptyException")
};
SHAPEJOB_REGISTER_EXCEPTION(BoardCodeEmptyException)

class DravoError : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(DravoError, DravoException, "DravoError")
};
SHAPEJOB_REGISTER_EXCEPTION(DravoError)

class DravoRuntimeException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(DravoRuntimeException, DravoException, "DravoRuntimeException")
};
SHAPEJOB_REGISTER_EXCEPTION(DravoRuntimeException)

class DesignNotOpenException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(DesignNotOpenException, DravoException, "DesignNotOpenException")
};
SHAPEJOB_REGISTER_EXCEPTION(DesignNotOpenException)

class EmptyDesignNameException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(EmptyDesignNameException, DravoException, "EmptyDesignNameException")
};
SHAPEJOB_REGISTER_EXCEPTION(EmptyDesignNameException)

class EmptyFormatClassException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(EmptyFormatClassException, DravoException, "EmptyFormatClassException")
};
SHAPEJOB_REGISTER_EXCEPTION(EmptyFormatClassException)

class EmptyMFGTemplateNameException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(EmptyMFGTemplateNameException, DravoException, "EmptyMFGTemplateNameException")
};
SHAPEJOB_REGISTER_EXCEPTION(EmptyMFGTemplateNameException)

class EmptyMandatoryParameterException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(EmptyMandatoryParameterException, DravoException, "EmptyMandatoryParameterException")
};
SHAPEJOB_REGISTER_EXCEPTION(EmptyMandatoryParameterException)

class InvalidBoardCode : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(InvalidBoardCode, DravoException, "InvalidBoardCode")
};
SHAPEJOB_REGISTER_EXCEPTION(InvalidBoardCode)

class InvalidBoardCodeDescription : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(InvalidBoardCodeDescription, DravoException, "InvalidBoardCodeDescription")
};
SHAPEJOB_REGISTER_EXCEPTION(InvalidBoardCodeDescription)

class InvalidExpressionException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(InvalidExpressionException, DravoException, "InvalidExpressionException")
};
SHAPEJOB_REGISTER_EXCEPTION(InvalidExpressionException)

class InvalidGraindirException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(InvalidGraindirException, DravoException, "InvalidGraindirException")
};
SHAPEJOB_REGISTER_EXCEPTION(InvalidGraindirException)

class InvalidGraindirectionException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(InvalidGraindirectionException, DravoException, "InvalidGraindirectionException")
};
SHAPEJOB_REGISTER_EXCEPTION(InvalidGraindirectionException)

class InvalidMandatoryParameterValueExceptionHandler : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(InvalidMandatoryParameterValueExceptionHandler, DravoException, "InvalidMandatoryParameterValueExceptionHandler")
};
SHAPEJOB_REGISTER_EXCEPTION(InvalidMandatoryParameterValueExceptionHandler)

class InvalidNestingTypeExceptionHandler : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(InvalidNestingTypeExceptionHandler, DravoException, "InvalidNestingTypeExceptionHandler")
};
SHAPEJOB_REGISTER_EXCEPTION(InvalidNestingTypeExceptionHandler)

class InvalidNodeException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(InvalidNodeException, DravoException, "InvalidNodeException")
};
SHAPEJOB_REGISTER_EXCEPTION(InvalidNodeException)

class InvalidPrintsideException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(InvalidPrintsideException, DravoException, "InvalidPrintsideException")
};
SHAPEJOB_REGISTER_EXCEPTION(InvalidPrintsideException)

class InvalidUnitException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(InvalidUnitException, DravoException, "InvalidUnitException")
};
SHAPEJOB_REGISTER_EXCEPTION(InvalidUnitException)

class InvalidXMLException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(InvalidXMLException, DravoException, "InvalidXMLException")
};
SHAPEJOB_REGISTER_EXCEPTION(InvalidXMLException)

class LexicalCastExceptionHandler : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(LexicalCastExceptionHandler, DravoException, "LexicalCastExceptionHandler")
};
SHAPEJOB_REGISTER_EXCEPTION(LexicalCastExceptionHandler)

class LoginFailed : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(LoginFailed, DravoException, "LoginFailed")
};
SHAPEJOB_REGISTER_EXCEPTION(LoginFailed)

class NOMFGGenerateException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(NOMFGGenerateException, DravoException, "NOMFGGenerateException")
};
SHAPEJOB_REGISTER_EXCEPTION(NOMFGGenerateException)

class NestFailedException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(NestFailedException, DravoException, "NestFailedException")
};
SHAPEJOB_REGISTER_EXCEPTION(NestFailedException)

class NoDesignInfoExportedException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(NoDesignInfoExportedException, DravoException, "NoDesignInfoExportedException")
};
SHAPEJOB_REGISTER_EXCEPTION(NoDesignInfoExportedException)

class NoLayoutFoundError : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(NoLayoutFoundError, DravoException, "NoLayoutFoundError")
};
SHAPEJOB_REGISTER_EXCEPTION(NoLayoutFoundError)

class OneupAddException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(OneupAddException, DravoException, "OneupAddException")
};
SHAPEJOB_REGISTER_EXCEPTION(OneupAddException)

class OneupExceedMaxException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(OneupExceedMaxException, DravoException, "OneupExceedMaxException")
};
SHAPEJOB_REGISTER_EXCEPTION(OneupExceedMaxException)

class PositioningFailedException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(PositioningFailedException, DravoException, "PositioningFailedException")
};
SHAPEJOB_REGISTER_EXCEPTION(PositioningFailedException)

class PrintItemException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(PrintItemException, DravoException, "PrintItemException")
};
SHAPEJOB_REGISTER_EXCEPTION(PrintItemException)

class PrintItemExceptionHandler : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(PrintItemExceptionHandler, DravoException, "PrintItemExceptionHandler")
};
SHAPEJOB_REGISTER_EXCEPTION(PrintItemExceptionHandler)

class RotationFailedException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(RotationFailedException, DravoException, "RotationFailedException")
};
SHAPEJOB_REGISTER_EXCEPTION(RotationFailedException)

class SaveDesignFailed : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(SaveDesignFailed, DravoException, "SaveDesignFailed")
};
SHAPEJOB_REGISTER_EXCEPTION(SaveDesignFailed)

class SetNestDataFailedException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(SetNestDataFailedException, DravoException, "SetNestDataFailedException")
};
SHAPEJOB_REGISTER_EXCEPTION(SetNestDataFailedException)

class SetSheetSizeException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(SetSheetSizeException, DravoException, "SetSheetSizeException")
};
SHAPEJOB_REGISTER_EXCEPTION(SetSheetSizeException)

class ShrinkSheetException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(ShrinkSheetException, DravoException, "ShrinkSheetException")
};
SHAPEJOB_REGISTER_EXCEPTION(ShrinkSheetException)

class StandardNotFoundException : public DravoException {
  SHAPEJOB_EXCEPTION_CLASS(StandardNotFoundException, DravoException, "StandardNotFoundException")
};
SHAPEJOB_REGISTER_EXCEPTION(StandardNotFoundException)


// An automation failure raised by the automation layer, as the program's
// own exception: `message` is the call site's text, the data the failure's
// text ("source - description" of a dispatch exception, "unknown error"
// when it has no description). The framework exception is deleted.
DravoRuntimeException DravoRuntimeExceptionFromDispatch(const QK_TString& message,
                                                        COleDispatchException* caught);
// The same for any other framework exception: the data is the system's text
// of its result code, or "MFC Exception: code %x" when there is none.
DravoRuntimeException DravoRuntimeExceptionFromOle(const QK_TString& message, CException* caught);

}  // namespace CAD
