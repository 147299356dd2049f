// Timings of the run-standard operation against the CAD application
// stand-in, for standards of 100 to 1,600 items, each set by a ticket
// variable: opening, the menu walk that puts every variable into its item,
// the checks, the save of the produced design. The time per variable stays
// about the same as the standard doubles when names are looked up rather
// than searched for.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "ShapejobTicketData.h"
#include "StandInBench.h"
#include "ShapejobTicketData.h"

namespace {

// A standard of `items` whole-number items, ten to a menu, and an outline
// line per item.
std::string StandardText(int items) {
  std::string text = "<Design name='bench' industry='1' unit='mm'><Standard><Menu title='Start' kind='1'/>";
  for (int i = 0; i < items; ++i) {
    if (i % 10 == 0) text += (i == 0 ? "" : "</Menu>") + std::string("<Menu title='Block' kind='3'>");
    text += "<Item name='V" + std::to_string(i) + "' type='numeric' default='1' min='0' max='100000'/>";
  }
  text += "</Menu><Outline>";
  for (int i = 0; i < items; ++i) text += "<Line x1='0' y1='0' x2='V" + std::to_string(i) + " * 2' y2='1'/>";
  return text + "</Outline></Standard></Design>";
}

CAD::RunStandardTicketData Record(const std::string& standard, const std::string& output, int items) {
  CAD::RunStandardTicketData record;
  record.styleCatalog = "nonStyleCatalog";
  record.designName = QK_TString(standard);
  record.outputPath = QK_TString(output);
  record.boardCode = "E-KRAFT";
  record.units = "mm";
  record.grainDirection = "Vertical";
  record.printSide = "Outside";
  record.databaseKind = "Enterprise";
  for (int i = 0; i < items; ++i) {
    auto variable = std::make_shared<CAD::Variable>();
    variable->Name = QK_TString("V" + std::to_string(i));
    variable->Value = QK_TString(std::to_string(i + 5));
    record.variables.push_back(variable);
  }
  return record;
}

}  // namespace

void Run() {
  StandInBench bench("standards");
  CAD::EDRAVOWrapper& driver = *bench.driver;
  const std::string& folder = bench.folder.path();

  std::printf("%10s %12s %18s\n", "variables", "total ms", "us per variable");
  for (int items = 100; items <= 1600; items *= 2) {
    const std::string standard = folder + "/standard-" + std::to_string(items) + ".kpx";
    std::ofstream(standard) << StandardText(items);
    CAD::RunStandardTicketData record = Record(standard, folder + "/out.kpx", items);
    auto start = std::chrono::steady_clock::now();
    const int result = driver.GenerateDesignFromStandard(record);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (result != 0) std::printf("(run with warnings)\n");
    std::printf("%10d %12.1f %18.2f\n", items, seconds * 1e3, seconds * 1e6 / items);
  }
}

int main() { return RunBenchmark(Run); }
