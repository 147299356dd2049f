#include "SplitDesignTicketBuilder.h"

#include <optional>

#include "SplitDesignTicketException.h"
#include "TaskError.h"

namespace CAD {

namespace {

const char kSourceFile[] = "SplitDesignTicketBuilder";
constexpr TicketReader::Presence kMandatory = TicketReader::Presence::kMandatory;
constexpr TicketReader::Presence kOptional = TicketReader::Presence::kOptional;

const TicketFamily kFamily = {kSourceFile, &ThrowTicketException<NonWellformedXMLException2>,
                              &ThrowTicketException<InvalidXPathException2>, false};

}  // namespace

SplitDesignTicketBuilder::SplitDesignTicketBuilder(AT_TTicket& ticket, const QK_TURL& inputFile,
                                                   SplitDesignTicketData& record, TW_TTask& task)
    : reader_(task, ticket, inputFile, kFamily), record_(record) {}

bool SplitDesignTicketBuilder::BuildTicketData() {
  record_.selectDesign = TicketText(reader_, "SELECT_DESIGN", kMandatory);
  ReadDesign();
  const QK_TString script =
      NormaliseCommandScript(reader_.ReadAndLog("COMMAND_SCRIPT", kMandatory, "CommandScript", "commandscript"));
  if (!script.Empty()) record_.commandScript = script;
  record_.printItem = reader_.ReadAndLog("PRINT_ITEM", kMandatory, "PrintItem", "printitem").value;
  ReadDesignPeople(reader_, record_.dbInfo);
  return true;
}

// The design to open: an enterprise project reference, or a path read from
// the key that the server and selection name.
void SplitDesignTicketBuilder::ReadDesign() {
  const bool enterprise = record_.databaseKind == "Enterprise";
  if (enterprise && record_.selectDesign == "project") {
    ReadEnterpriseSelection();
  } else if (enterprise && record_.selectDesign == "path") {
    ReadDesignPath("ENTERPRISE_PATH");
  } else if (record_.databaseKind == "Conventional") {
    ReadDesignPath("STANDARD_PATH");
  } else {
    ReadDesignPath(nullptr);
  }
}

void SplitDesignTicketBuilder::ReadEnterpriseSelection() {
  ReadEnterpriseDesign(reader_, "ENT_DESIGN_NAME", "designname", {record_.projectName, record_.designName, record_.version});
  if (record_.projectName.Empty() || record_.designName.Empty()) {
    ThrowTicketException<BlankProjectAndDesignName2>(
        QK_TString::Format("Project Name:%s, Design Name:%s", record_.projectName.c_str(), record_.designName.c_str()),
        kSourceFile, __LINE__);
  }
  record_.designPath = DatabaseReference(record_.projectName, record_.version, record_.designName);
}

// `key` null: no key names the design, which then reads as "".
void SplitDesignTicketBuilder::ReadDesignPath(const char* key) {
  if (key == nullptr) {
    record_.designPath = QK_TString();
    reader_.Log("designname", record_.designPath);
    return;
  }
  record_.designPath = reader_.ReadAndLog(key, kOptional, "StandardName", "designname").value;
}

}  // namespace CAD
