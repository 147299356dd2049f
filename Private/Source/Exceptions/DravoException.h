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

SHAPEJOB_EXCEPTION(DravoException, QK_EException)

SHAPEJOB_EXCEPTION(BoardCodeEmptyException, DravoException)
SHAPEJOB_EXCEPTION(DravoError, DravoException)
SHAPEJOB_EXCEPTION(DravoRuntimeException, DravoException)
SHAPEJOB_EXCEPTION(DesignNotOpenException, DravoException)
SHAPEJOB_EXCEPTION(EmptyDesignNameException, DravoException)
SHAPEJOB_EXCEPTION(EmptyFormatClassException, DravoException)
SHAPEJOB_EXCEPTION(EmptyMFGTemplateNameException, DravoException)
SHAPEJOB_EXCEPTION(EmptyMandatoryParameterException, DravoException)
SHAPEJOB_EXCEPTION(InvalidBoardCode, DravoException)
SHAPEJOB_EXCEPTION(InvalidBoardCodeDescription, DravoException)
SHAPEJOB_EXCEPTION(InvalidExpressionException, DravoException)
SHAPEJOB_EXCEPTION(InvalidGraindirException, DravoException)
SHAPEJOB_EXCEPTION(InvalidGraindirectionException, DravoException)
SHAPEJOB_EXCEPTION(InvalidMandatoryParameterValueExceptionHandler, DravoException)
SHAPEJOB_EXCEPTION(InvalidNestingTypeExceptionHandler, DravoException)
SHAPEJOB_EXCEPTION(InvalidNodeException, DravoException)
SHAPEJOB_EXCEPTION(InvalidPrintsideException, DravoException)
SHAPEJOB_EXCEPTION(InvalidUnitException, DravoException)
SHAPEJOB_EXCEPTION(InvalidXMLException, DravoException)
SHAPEJOB_EXCEPTION(LexicalCastExceptionHandler, DravoException)
SHAPEJOB_EXCEPTION(LoginFailed, DravoException)
SHAPEJOB_EXCEPTION(NOMFGGenerateException, DravoException)
SHAPEJOB_EXCEPTION(NestFailedException, DravoException)
SHAPEJOB_EXCEPTION(NoDesignInfoExportedException, DravoException)
SHAPEJOB_EXCEPTION(NoLayoutFoundError, DravoException)
SHAPEJOB_EXCEPTION(OneupAddException, DravoException)
SHAPEJOB_EXCEPTION(OneupExceedMaxException, DravoException)
SHAPEJOB_EXCEPTION(PositioningFailedException, DravoException)
SHAPEJOB_EXCEPTION(PrintItemException, DravoException)
SHAPEJOB_EXCEPTION(PrintItemExceptionHandler, DravoException)
SHAPEJOB_EXCEPTION(RotationFailedException, DravoException)
SHAPEJOB_EXCEPTION(SaveDesignFailed, DravoException)
SHAPEJOB_EXCEPTION(SetNestDataFailedException, DravoException)
SHAPEJOB_EXCEPTION(SetSheetSizeException, DravoException)
SHAPEJOB_EXCEPTION(ShrinkSheetException, DravoException)
SHAPEJOB_EXCEPTION(StandardNotFoundException, DravoException)

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
