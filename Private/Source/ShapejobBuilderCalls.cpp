// The builder calls: each refuses an input that is not a regular file,
// runs its task type's ticket builder over the input and turns the
// builder's failures into a message followed by a bare TaskError.
#include "LOTicketBuilder.h"
#include "LOTickeException.h"
#include "RunStandardTickeException.h"
#include "RunStandardTicketBuilder.h"
#include "Shapejob.h"
#include "ShopCardTicketBuilder.h"
#include "ShopCardTicketException.h"
#include "SplitDesignTicketBuilder.h"
#include "SplitDesignTicketException.h"
#include "TaskError.h"
#include "XUtilityXml.h"

namespace CAD {

namespace {

// A build that reports false ends in the call's base-library row.
void RequireBuilt(bool built) {
  if (!built) QK_THROW(QK_EException(QK_TString("Exception :: Ticket values not set.")));
}

// Refuses an input that is not a regular file, or whose name holds a NUL
// character, before its builder reads anything of it: a pipe would block
// the read, a device feed it without end, and a name cut at a NUL names
// another file than the one its extension describes.
void RefuseIrregularInput(Task& task, const QK_TURL& inputFile) {
  const std::optional<QK_TString> problem = IrregularInputProblem(inputFile);
  if (!problem) return;
  task.AddMessage(Severity::kError, "shapejobs.error.CouldNotGetFileInfo",
                  QK_TAny(inputFile), QK_TAny(*problem));
  QK_THROW(TaskError());
}

}  // namespace

QK_TString Task::DatabaseKind() const {
  return QK_TString(IsEnterpriseServer(currentServer) ? kEnterpriseKind : kConventionalKind);
}

void Task::BuildLayoutTicket(AT_TTicket& ticket, const QK_TURL& inputFile, StringMapList& entries,
                             LOTicketParam& record) {
  RefuseIrregularInput(*this, inputFile);
  record.inputFile = inputFile;
  record.databaseKind = DatabaseKind();
  try {
    LOTicketBuilder builder(ticket, inputFile, entries, record, *this);
    RequireBuilt(builder.BuildTicketData());
  } catch (const LONonWellformedXMLException& e) {
    FailAfter(e, "shapejobs.error.NonWellFormedXML", QK_TAny(inputFile), QK_TAny(e.QK_Message()));
  } catch (const LOInvalidXpathException& e) {
    FailAfter(e, "shapejobs.message.xpathexception", QK_TAny(e.QK_Message()));
  } catch (const InvalidValueException& e) {
    Log(e);  // the builder has sent its own message
    QK_THROW(TaskError());
  } catch (const QK_EException& e) {
    FailAfter(e, "shapejobs.error.CouldNotGetFileInfo", QK_TAny(inputFile), QK_TAny(e.QK_Message()));
  }
}

void Task::BuildRunStandardTicket(AT_TTicket& ticket, const QK_TURL& inputFile, RunStandardTicketData& record) {
  RefuseIrregularInput(*this, inputFile);
  record.databaseKind = DatabaseKind();
  try {
    RunStandardTicketBuilder builder(ticket, inputFile, record, *this);
    RequireBuilt(builder.BuildTicketData());
  } catch (const NonWellformedXMLException& e) {
    FailAfter(e, "shapejobs.error.NonWellFormedXML", QK_TAny(inputFile), QK_TAny(e.QK_Message()));
  } catch (const InvalidXpathException& e) {
    FailAfter(e, "shapejobs.message.xpathexception", QK_TAny(e.QK_Message()));
  } catch (const BlankProjectAndDesignName& e) {
    FailAfter(e, "shapejobs.message.projectanddesignmandatory", QK_TAny(e.QK_Message()));
  } catch (const StdVariablesMismatchException& e) {
    FailAfter(e, "shapejobs.message.variablesmismatch", QK_TAny(e.QK_Message()));
  } catch (const XpathVariableResolveException& e) {
    FailAfter(e, "shapejobs.message.xpathvariablesresolveerror", QK_TAny(e.QK_Message()));
  } catch (const StdVariablesEmptyException& e) {
    FailAfter(e, "shapejobs.message.xpathstdvariableempty", QK_TAny(e.QK_Message()));
  } catch (const QK_EException& e) {
    FailAfter(e, "shapejobs.error.CouldNotGetFileInfo", QK_TAny(inputFile), QK_TAny(e.QK_Message()));
  }
}

void Task::BuildShopCardTicket(AT_TTicket& ticket, const QK_TURL& inputFile, ShopCardTicketData& record,
                               StringMapList& exportedDesigns, const QK_TString& kind) {
  RefuseIrregularInput(*this, inputFile);
  try {
    ShopCardTicketBuilder builder(ticket, inputFile, record, *this);
    builder.BuildTicketData(kind, exportedDesigns);
  } catch (const InvalidShopCardTicketException& e) {
    FailAfter(e, "shapejobs.error.InvalidXML", QK_TAny(inputFile), QK_TAny(e.QK_Message()));
  } catch (const BadArgumentsException& e) {
    FailAfter(e, "shapejobs.error.BadArgumentsException", QK_TAny(e.QK_Message()));
  }
}

void Task::BuildSplitDesignTicket(AT_TTicket& ticket, const QK_TURL& inputFile, SplitDesignTicketData& record) {
  RefuseIrregularInput(*this, inputFile);
  record.databaseKind = DatabaseKind();
  try {
    SplitDesignTicketBuilder builder(ticket, inputFile, record, *this);
    RequireBuilt(builder.BuildTicketData());
  } catch (const NonWellformedXMLException2& e) {
    FailAfter(e, "shapejobs.error.NonWellFormedXML", QK_TAny(inputFile), QK_TAny(e.QK_Message()));
  } catch (const InvalidXPathException2& e) {
    FailAfter(e, "shapejobs.message.xpathexception", QK_TAny(e.QK_Message()));
  } catch (const BlankProjectAndDesignName2& e) {
    FailAfter(e, "shapejobs.message.projectanddesignmandatory", QK_TAny(e.QK_Message()));
  } catch (const QK_EException& e) {
    FailAfter(e, "shapejobs.error.CouldNotGetFileInfo", QK_TAny(inputFile), QK_TAny(e.QK_Message()));
  }
}

}  // namespace CAD
