#include "FuzzTargets.h"

#include <string>
#include <utility>
#include <vector>

#include <xercesc/util/XMLException.hpp>

#include "AT_TTicket.h"
#include "FuzzScratch.h"
#include "LOTickeException.h"
#include "LOTicketBuilder.h"
#include "LOTicketBuilderSaxHandler.h"
#include "Model/FolvaneCADDocument.h"
#include "QKM_TLocalConfiguration.h"
#include "QK_EException.h"
#include "QK_TArray.h"
#include "Shapejob.h"
#include "ShapejobCodes.h"
#include "ShapejobServerConfig.h"
#include "ShopCardTicketBuilder.h"
#include "TW_THost.h"
#include "XUtility.h"
#include "XUtilityXml.h"
#include "cfs_tproxy.h"

namespace ShapejobFuzz {

namespace {

// The host's readers refuse a bad file with QK_EException only.
template <class Read>
int HostRead(Read read) {
  try {
    read();
    return kRead;
  } catch (const QK_EException&) {
    return kRefused;
  }
}

// The ticket builders also pass on the XML library's own failures, which
// their callers report.
template <class Read>
int BuilderRead(Read read) {
  try {
    return HostRead(read);
  } catch (const xercesc::XMLException&) {
    return kRefused;
  }
}

// A task of the program that reports nowhere; its temporary folder goes
// with it.
struct QuietTask {
  QuietTask() {
    TW_TTaskSetup setup;
    setup.taskId = "fuzz";
    task.Prepare(setup, nullptr);
  }
  CAD::Task task;
};

const CAD::TicketFamily kXPathFamily = {
    "FuzzTicketXPath",
    &CAD::ThrowTicketException<CAD::LONonWellformedXMLException>,
    &CAD::ThrowTicketException<CAD::LOInvalidXpathException>,
    /*retryWithoutText=*/true,
};

QK_TDict LayoutParameter(const char* name, const QK_TString& element, const char* fallback) {
  QK_TDict entry;
  entry.Set("LAYOUT_PARAM", QK_TAny(name));
  entry.Set("LAYOUT_PARAM_XML_ELEMENT", QK_TAny(element));
  entry.Set("LAYOUT_PARAM_DEFAULT_VALUE", QK_TAny(fallback));
  return entry;
}

// A complete layout ticket whose template records come from `recordXPath`,
// with their format class from `formatClassXPath`.
QK_TDict LayoutTicket(const QK_TString& recordXPath, const QK_TString& formatClassXPath) {
  QK_TArray sources;
  sources.Append(LayoutParameter("Format Class", formatClassXPath, ""));
  sources.Append(LayoutParameter("MFG Template", "MFGTemplate", ""));
  sources.Append(LayoutParameter("Grain Direction", "GrainDirection", "Both"));
  QK_TDict nesting;
  nesting.Set("NESTING_TYPE", QK_TAny("All"));
  QK_TArray nestingTypes;
  nestingTypes.Append(nesting);

  QK_TDict ticket;
  ticket.Set("XML_ELEMENT_NAME", QK_TAny(QK_TString("xpath:") + recordXPath));
  ticket.Set("LAYOUT_XML_ELEMENT", QK_TAny(sources));
  ticket.Set("SELECT_DESIGN", QK_TAny("path"));
  ticket.Set("STANDARD_PATH", QK_TAny("designs/tuck-end.kpx"));
  ticket.Set("UNITS", QK_TAny("mm"));
  ticket.Set("NESTING_TYPES", QK_TAny(nestingTypes));
  ticket.Set("MFG_OUTPUT_FILE_NAME", QK_TAny("sheet"));
  ticket.Set("MFG_OUTPUT_FOLDER", QK_TAny("file:out"));
  ticket.Set("XML_OUTPUT_FILE_NAME", QK_TAny("report"));
  ticket.Set("XML_OUTPUT_FOLDER", QK_TAny("out"));
  ticket.Set("GENERATE_PREVIEW", QK_TAny(false));
  ticket.Set("COMMAND_SCRIPT", QK_TAny(""));
  ticket.Set("CROSS_GRAIN", QK_TAny("No"));
  return ticket;
}

// One build of the shop-card builder of `kind` over the XML input `data`.
void BuildShopCard(const char* kind, const std::uint8_t* data, std::size_t size) {
  const QK_TURL input = Scratch().WriteUrl("ticket.xml", data, size);
  QuietTask quiet;
  AT_TTicket ticket(kind, QK_TDict());
  CAD::ShopCardTicketData record;
  CAD::StringMapList designs;
  CAD::ShopCardTicketBuilder(ticket, input, record, quiet.task).BuildTicketData(kind, designs);
}

}  // namespace

int FuzzTicketFile(const std::uint8_t* data, std::size_t size) {
  const QK_TURL file = Scratch().WriteUrl("ticket.xml", data, size);
  return HostRead([&] { TW_THost::ReadTicketFile(file); });
}

int FuzzRequestFile(const std::uint8_t* data, std::size_t size) {
  const QK_TURL file = Scratch().WriteUrl("request.xml", data, size);
  return HostRead([&] {
    const QK_TDict request = TW_THost::ReadRequestFile(file);
    const QK_TAny* server = request.Find("P2");
    const QK_TAny* system = request.Find("P3");
    if (server != nullptr && system != nullptr && server->Is(QK_TAny::Kind::Tree) &&
        system->Is(QK_TAny::Kind::Tree)) {
      ReadServerConfigFromTrees(system->AsTree(), server->AsTree());
    }
  });
}

int FuzzConfigurationFile(const std::uint8_t* data, std::size_t size) {
  const std::string path = Scratch().Write("configuration.xml", data, size);
  return HostRead([&] {
    QKM_TLocalConfiguration::ReadFile(QK_TString(path));
    CFS_TProxy client(path.c_str());
    ReadCadServers(client, [](const QK_TString&) {});
  });
}

int FuzzTicketXPath(const std::uint8_t* data, std::size_t size) {
  const QK_TString expression(TakeLine(data, size));
  const QK_TURL input = Scratch().WriteUrl("input.xml", data, size);
  QuietTask quiet;
  AT_TTicket ticket("runstandard", QK_TDict());
  return BuilderRead([&] {
    CAD::TicketReader reader(quiet.task, ticket, input, kXPathFamily);
    reader.Value(QK_TString("xpath:") + expression, "FuzzValue");
    reader.SelectNodeLists({{"FuzzList", expression}}, CAD::SelectedText::kStringValue, {});
  });
}

int FuzzExportList(const std::uint8_t* data, std::size_t size) {
  const int exported = BuilderRead([&] { BuildShopCard(CAD::ShopCardTicketBuilder::kExportCadDesign, data, size); });
  const QK_TURL input = Scratch().WriteUrl("templates.xml", data, size);
  const int templates = BuilderRead([&] {
    CAD::LayoutSAXHandler handler(CAD::LayoutTemplateFieldNames(), "/MFGTemplateList/MFGTemplateItem");
    CAD::ParseUntrustedXml(input, {&handler}, &CAD::ThrowTicketException<CAD::LONonWellformedXMLException>,
                           "FuzzExportList");
  });
  return exported == kRead && templates == kRead ? kRead : kRefused;
}

int FuzzShopCardTicket(const std::uint8_t* data, std::size_t size) {
  return BuilderRead([&] { BuildShopCard(CAD::ShopCardTicketBuilder::kBuildShopCard, data, size); });
}

int FuzzLayoutTransform(const std::uint8_t* data, std::size_t size) {
  const QK_TString recordXPath(TakeLine(data, size));
  const QK_TString formatClassXPath(TakeLine(data, size));
  const QK_TURL input = Scratch().WriteUrl("layout.xml", data, size);
  QuietTask quiet;
  AT_TTicket ticket("runlayout", LayoutTicket(recordXPath, formatClassXPath));
  return BuilderRead([&] {
    CAD::StringMapList templates;
    CAD::LOTicketParam record;
    record.databaseKind = CAD::kConventionalKind;
    if (!CAD::LOTicketBuilder(ticket, input, templates, record, quiet.task).BuildTicketData()) {
      QK_THROW(QK_EException(QK_TString("The template list was not read")));
    }
  });
}

int FuzzDesignFile(const std::uint8_t* data, std::size_t size) {
  const std::string path = Scratch().Write("design.kpx", data, size);
  QK_TString error;
  std::unique_ptr<FolvaneCAD::Document> document = FolvaneCAD::Document::Load(QK_TString(path), &error);
  if (document == nullptr) return kRefused;
  document->Remarks();
  if (!document->Save(QK_TString(Scratch().Path("saved.kpx")), &error)) return kRefused;
  return kRead;
}

const Target kTargets[] = {
    {"ticket", &FuzzTicketFile},      {"request", &FuzzRequestFile}, {"configuration", &FuzzConfigurationFile},
    {"xpath", &FuzzTicketXPath},      {"export", &FuzzExportList},   {"shopcard", &FuzzShopCardTicket},
    {"layout", &FuzzLayoutTransform}, {"design", &FuzzDesignFile},
};
const std::size_t kTargetCount = sizeof(kTargets) / sizeof(kTargets[0]);

}  // namespace ShapejobFuzz
