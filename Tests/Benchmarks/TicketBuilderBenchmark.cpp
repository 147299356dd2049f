// Timings of the two ticket builders whose work grows with their input: a
// layout ticket over a list of manufacturing templates, and a
// design-information export file listing many designs. Each is run at
// doubling sizes, so that linear growth shows as a steady time per item.
#include <chrono>
#include <cstdio>
#include <string>

#include "LOTicketBuilder.h"
#include "QK_TArray.h"
#include "Shapejob.h"
#include "ShopCardTicketBuilder.h"
#include "TemporaryFolder.h"

namespace {

QK_TDict LayoutParameters(const std::string& folder) {
  QK_TDict params;
  auto set = [&](const char* key, const std::string& value) { params.Set(key, QK_TAny(QK_TString(value))); };
  set("XML_ELEMENT_NAME", "xpath:/Jobs/Job");
  QK_TDict field;
  field.Set("LAYOUT_PARAM", QK_TAny("Format Class"));
  field.Set("LAYOUT_PARAM_XML_ELEMENT", QK_TAny("Class"));
  field.Set("LAYOUT_PARAM_DEFAULT_VALUE", QK_TAny(""));
  QK_TArray fields;
  fields.Append(QK_TAny(field));
  params.Set("LAYOUT_XML_ELEMENT", QK_TAny(fields));
  set("SELECT_DESIGN", "path");
  set("STANDARD_PATH", "/designs/tray.kpx");
  set("UNITS", "mm");
  params.Set("NESTING_TYPES", QK_TAny(QK_TArray()));
  set("MFG_OUTPUT_FILE_NAME", "sheet");
  set("MFG_OUTPUT_FOLDER", folder + "/mfg");
  set("XML_OUTPUT_FILE_NAME", "report");
  set("XML_OUTPUT_FOLDER", folder + "/reports");
  params.Set("GENERATE_PREVIEW", QK_TAny(false));
  set("COMMAND_SCRIPT", "");
  return params;
}

double Seconds(std::chrono::steady_clock::duration elapsed) {
  return std::chrono::duration<double>(elapsed).count();
}

void Layout(const TemporaryFolder& folder, int templates) {
  std::string jobs = "<Jobs>";
  for (int i = 0; i < templates; ++i) jobs += "<Job><Class>FC-" + std::to_string(i) + "</Class></Job>";
  const QK_TURL input = folder.WriteUrl("jobs.xml", jobs + "</Jobs>");
  CAD::Task task;
  TW_TTaskSetup setup;
  setup.taskId = "benchmark";
  task.Prepare(setup, nullptr);
  AT_TTicket ticket("runlayout", LayoutParameters(folder.path()));
  CAD::StringMapList records;
  CAD::LOTicketParam record;
  record.databaseKind = "Conventional";
  const auto start = std::chrono::steady_clock::now();
  CAD::LOTicketBuilder builder(ticket, input, records, record, task);
  builder.BuildTicketData();
  const double seconds = Seconds(std::chrono::steady_clock::now() - start);
  std::printf("layout ticket   %6d templates  %8.3f s  %7.1f us per template  (%zu read)\n", templates, seconds,
              seconds * 1e6 / templates, records.size());
}

void Export(const TemporaryFolder& folder, int designs) {
  std::string list = "<Designs>";
  for (int i = 0; i < designs; ++i) {
    list += "<Design Name=\"box" + std::to_string(i) +
            ".kpx\" Project=\"P\"><Variable name=\"L\" type=\"Numeric\" expression=\"200\"/></Design>";
  }
  const QK_TURL input = folder.WriteUrl("designs.xml", list + "</Designs>");
  CAD::Task task;
  TW_TTaskSetup setup;
  setup.taskId = "benchmark";
  task.Prepare(setup, nullptr);
  AT_TTicket ticket("exportdesigninfo", QK_TDict());
  CAD::ShopCardTicketData record;
  CAD::StringMapList exported;
  const auto start = std::chrono::steady_clock::now();
  CAD::ShopCardTicketBuilder builder(ticket, input, record, task);
  builder.BuildTicketData("exportCadDesign", exported);
  const double seconds = Seconds(std::chrono::steady_clock::now() - start);
  std::printf("export file     %6d designs    %8.3f s  %7.1f us per design    (%zu read)\n", designs, seconds,
              seconds * 1e6 / designs, exported.size());
}

}  // namespace

int main() {
  const TemporaryFolder folder("/tmp/shapejob-benchmark-");
  if (folder.path().empty()) return 1;
  for (int templates : {250, 500, 1000, 2000}) Layout(folder, templates);
  for (int designs : {2500, 5000, 10000, 20000}) Export(folder, designs);
  return 0;
}
