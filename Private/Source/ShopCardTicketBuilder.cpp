#include "ShopCardTicketBuilder.h"

#include <xercesc/util/XMLException.hpp>

#include "FileNameParts.h"
#include "QK_EException.h"
#include "ShapejobCodes.h"
#include "ShopCardTicketException.h"
#include "XUtilityXml.h"

namespace CAD {

const TicketFamily ShopCardTicketBuilder::kFamily = {
    ShopCardTicketBuilder::kSourceName,
    &ThrowTicketException<ShopCardNonWellformedXMLException>,
    &ThrowTicketException<ShopCardInvalidXpathException>,
    /*retryWithoutText=*/true,
};

ShopCardTicketBuilder::ShopCardTicketBuilder(AT_TTicket& ticket, const QK_TURL& inputFile,
                                             ShopCardTicketData& record, TW_TTask& task)
    : task_(task), inputFile_(inputFile), record_(record), reader_(task, ticket, inputFile, kFamily) {}

bool ShopCardTicketBuilder::BuildTicketData(const QK_TString& kind, StringMapList& exportedDesigns) {
  ReadExportSwitches();
  ReadThumbnailValues();
  if (kind == kExportCadDesign) ReadExportCommandScript();
  if (record_.exportCustomVariables) ReadCustomVariablesFromTicket();
  ReadInputFile(kind, exportedDesigns);
  return true;
}

void ShopCardTicketBuilder::ReadExportSwitches() {
  record_.exportMenuVariables = reader_.Flag("EXPORT_MENU_VARIABLES", kOptional);
  record_.exportCustomVariables = reader_.Flag("EXPORT_CUSTOM_VARIABLES", kOptional);
  record_.exportDocPlots = reader_.Flag("EXPORT_DOCPLOTS", kOptional);
  record_.exportThumbnail = reader_.Flag("EXPORT_THUMBNAIL", kOptional);
}

// Document plots take the thumbnail's size; only a thumbnail has a quality.
void ShopCardTicketBuilder::ReadThumbnailValues() {
  if (!record_.exportThumbnail && !record_.exportDocPlots) return;
  record_.thumbnailWidth = reader_.Read("THUMBNAIL_WIDTH", kOptional, "Width").value;
  record_.thumbnailHeight = reader_.Read("THUMBNAIL_HEIGHT", kOptional, "Height").value;
  if (record_.exportThumbnail) {
    record_.thumbnailQuality = reader_.Read("THUMBNAIL_QUALITY", kOptional, "Quality").value;
  }
}

// A shop card takes its scripts from its XML ticket instead.
void ShopCardTicketBuilder::ReadExportCommandScript() {
  const QK_TString script =
      NormaliseCommandScript(reader_.Read("COMMAND_SCRIPT", kOptional, "CommandScript"));
  if (!script.Empty()) record_.commandScript = script;
}

void ShopCardTicketBuilder::ReadCustomVariablesFromTicket() {
  const QK_TString select = reader_.Text("selectType", kOptional);
  if (select == "veltrop") {
    record_.customVariables = ReadCustomVariableList(reader_, "CUSTOM_VARIABLES");
  } else if (select == "xpath") {
    if (const std::optional<CustomVariableXPaths> values = ReadCustomVariableXPaths(reader_)) {
      ReadCustomVariablesByXPath(*values);
    }
  }
}

// Each list must be an "xpath:" value; every name needs its type and
// expression (surplus ones are ignored), taken as node values.
void ShopCardTicketBuilder::ReadCustomVariablesByXPath(const CustomVariableXPaths& values) {
  const QK_TString message = QK_TString::Format("Name : %s , Type : %s, Expression : %s", values.names.c_str(),
                                                values.types.c_str(), values.expressions.c_str());
  const std::pair<const char*, const QK_TString*> lists[] = {
      {"VARIABLE_NAMES", &values.names}, {"VARIABLE_TYPES", &values.types}, {"VARIABLE_EXPRESSIONS", &values.expressions}};
  std::vector<ListXPath> xpaths;
  for (const auto& [key, value] : lists) {
    const std::optional<QK_TString> xpath = TicketReader::XPathOf(*value);
    if (!xpath) {
      ThrowShopCard<QK_EException>(
          QK_TString::Format("The ticket parameter %s is not an \"xpath:\" value: %s", key, value->c_str()), __LINE__);
    }
    if (xpath->Empty()) ThrowShopCard<XpathVarResolveException>(message, __LINE__);
    reader_.RefuseDocumentCalls(*xpath, key);
    xpaths.push_back({key, *xpath});
  }
  std::optional<CustomVariableList> variables =
      SelectCustomVariables(reader_, values, xpaths, SelectedText::kNodeValue);
  if (!variables) ThrowShopCard<XpathVarResolveException>(message, __LINE__);
  record_.customVariables = std::move(*variables);
}

void ShopCardTicketBuilder::ReadInputFile(const QK_TString& kind, StringMapList& exportedDesigns) {
  if (!ExtensionOf(inputFile_.LocalName()).EqualsIgnoreCase(".XML")) {
    ReadDesignFileLocation();
    return;
  }
  const bool exportKind = kind.EqualsIgnoreCase(kExportCadDesign);
  bool singleDesign = false;
  if (exportKind) {
    try {
      StringMapList designs = ReadExportedDesigns();
      if (designs.size() > 1) {
        exportedDesigns = std::move(designs);
      } else {
        singleDesign = true;
      }
    } catch (const QK_EException&) {
      throw;  // a file that is no well-formed XML fails the build
    } catch (const xercesc::XMLException& e) {
      task_.AddMessage(Severity::kInformation, "Exception.message", QK_TAny(FromXerces(e.getMessage())));
    } catch (...) {
      task_.AddMessage(Severity::kInformation, "UnexpectedException");
    }
  }
  if (kind.EqualsIgnoreCase(kBuildShopCard) || (exportKind && singleDesign)) ReadXmlTicket(!exportKind);
}

// The input is the design file itself: only its name and folder are taken.
void ShopCardTicketBuilder::ReadDesignFileLocation() {
  const QK_TString path = inputFile_.LocalName().ReplaceChars('\\', '/');
  const std::size_t slash = path.FindLast('/');
  if (slash == QK_TString::npos) {
    record_.designName = path;
    record_.designPath = path;
    return;
  }
  record_.designName = path.Substring(slash + 1);
  record_.designPath = path.Substring(0, slash);
}

}  // namespace CAD
