// The ticket builder of the create-shop-card and export-design-information
// task types: fills a ShopCardTicketData record from the ticket's parameters
// and from the task input, which is either the design file itself or an XML
// ticket naming the design (or, for an export, listing several designs).
#pragma once

#include <xercesc/util/XercesDefs.hpp>

#include "AT_TTicket.h"
#include "QK_TString.h"
#include "QK_TURL.h"
#include "ShapejobTicketData.h"
#include "TW_TTask.h"
#include "XUtility.h"

XERCES_CPP_NAMESPACE_BEGIN
class DOMElement;
XERCES_CPP_NAMESPACE_END

namespace CAD {

class ShopCardTicketBuilder {
 public:
  // The two kinds of build.
  static constexpr const char* kBuildShopCard = "buildShopCard";
  static constexpr const char* kExportCadDesign = "exportCadDesign";
  // The source name that the builder's failures record.
  static constexpr const char* kSourceName = "ShopCardTicketBuilder";

  ShopCardTicketBuilder(AT_TTicket& ticket, const QK_TURL& inputFile, ShopCardTicketData& record, TW_TTask& task);

  // Fills the record for `kind`. An export whose XML ticket lists two or
  // more designs replaces `exportedDesigns` with them (one attribute map per
  // design) and leaves the record's design fields empty. Failures throw;
  // the result is always true.
  bool BuildTicketData(const QK_TString& kind, StringMapList& exportedDesigns);

 private:
  // Ticket parameters.
  void ReadExportSwitches();
  void ReadThumbnailValues();
  void ReadExportCommandScript();
  void ReadCustomVariablesFromTicket();
  void ReadCustomVariablesByXPath(const CustomVariableXPaths& values);

  // The task input.
  void ReadInputFile(const QK_TString& kind, StringMapList& exportedDesigns);
  void ReadDesignFileLocation();

  // The export pass over "/Designs/Design" (ShopCardTicketBuilderExport.cpp).
  StringMapList ReadExportedDesigns();

  // The XML ticket's "Design" element (ShopCardTicketBuilderXmlTicket.cpp).
  void ReadXmlTicket(bool shopCard);
  void ReadDesignAttributes(const xercesc::DOMElement& design);
  void ReadStandardVariables(const xercesc::DOMElement& variables);
  void ReadCustomVariables(const xercesc::DOMElement& variables);
  void ReadCommandScripts(const xercesc::DOMElement& parent);
  void ReadSave(const xercesc::DOMElement& save);
  void ReadOutputs(const xercesc::DOMElement& design);

  static const TicketFamily kFamily;

  TW_TTask& task_;
  const QK_TURL& inputFile_;
  ShopCardTicketData& record_;
  TicketReader reader_;
};

// Throws `Exception` recording the shop-card source name.
template <class Exception>
[[noreturn]] void ThrowShopCard(const QK_TString& message, unsigned int line) {
  ThrowTicketException<Exception>(message, ShopCardTicketBuilder::kSourceName, line);
}

}  // namespace CAD
