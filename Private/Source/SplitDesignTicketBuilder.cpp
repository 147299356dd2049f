#include "SplitDesignTicketBuilder.h"

#include "ShapejobCodes.h"
#include "SplitDesignTicketException.h"

namespace CAD {

static const char kSourceName[] = "SplitDesignTicketBuilder";

const TicketFamily SplitDesignTicketBuilder::kFamily = {kSourceName, &ThrowTicketException<NonWellformedXMLException2>,
                                                        &ThrowTicketException<InvalidXPathException2>, false};

bool SplitDesignTicketBuilder::BuildTicketData() {
  record_.selectDesign = reader_.Text("SELECT_DESIGN", kMandatory);
  ReadDesign();
  ReadCommandScript(reader_, record_.commandScript);
  record_.printItem = reader_.ReadAndLog("PRINT_ITEM", kMandatory, "PrintItem", "printitem").value;
  ReadDesignPeople(reader_, record_.dbInfo);
  return true;
}

// The design to open: an enterprise project reference, or a path read from
// the key that the server and selection name (none: "").
void SplitDesignTicketBuilder::ReadDesign() {
  const bool enterprise = record_.databaseKind == kEnterpriseKind;
  if (enterprise && record_.selectDesign == "project") {
    ReadEnterpriseSelection();
    return;
  }
  const char* key = nullptr;
  if (enterprise && record_.selectDesign == "path") {
    key = "ENTERPRISE_PATH";
  } else if (record_.databaseKind == kConventionalKind) {
    key = "STANDARD_PATH";
  }
  record_.designPath = key != nullptr ? reader_.Read(key, kOptional, "StandardName").value : QK_TString();
  reader_.Log("designname", record_.designPath);
}

void SplitDesignTicketBuilder::ReadEnterpriseSelection() {
  ReadEnterpriseDesign(reader_, "ENT_DESIGN_NAME", "designname", {record_.projectName, record_.designName, record_.version});
  if (record_.projectName.Empty() || record_.designName.Empty()) {
    ThrowTicketException<BlankProjectAndDesignName2>(
        QK_TString::Format("Project Name:%s, Design Name:%s", record_.projectName.c_str(), record_.designName.c_str()),
        kSourceName, __LINE__);
  }
  record_.designPath = DatabaseReference(record_.projectName, record_.version, record_.designName);
}

}  // namespace CAD
