// Timings of layouts against the CAD application stand-in, per nest: the
// automation calls made, the wall time, and the time inside the stand-in's
// calls (or the program's own time, the rest). First 10 to 80 single nests
// of the example template and design, cycling through the nesting types
// and both rotations, each strung together the way the layout operation
// does it; then whole layout operations over 1 to 8 templates, each
// nested in all five nesting types and both rotations. The figures per nest
// stay level as the count doubles when nothing of a nest outlives it.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "Automation/FolvaneCADCallMeter.h"
#include "LayoutNest.h"
#include "StandInBench.h"

namespace {

CAD::StringMap Entry() {
  CAD::StringMap entry;
  for (const char* name : {"Design Name", "Print Item", "Sheet Size X", "Sheet Size Y", "Minimum Sheet Size X",
                           "Minimum Sheet Size Y", "Left Margin", "Right Margin", "Top Margin", "Bottom Margin",
                           "Gutter X", "Gutter Y", "Allocation Strategy", "One Ups in X Direction",
                           "One Ups in Y Direction", "Clip To Minimum"}) {
    entry[name] = "";
  }
  entry["Format Class"] = "FC-1";
  entry["MFG Template"] = SHAPEJOB_SOURCE_DIR "/examples/cad/templates/sheet-1020x720.MFG";
  entry["Grain Direction"] = "Both";
  entry["Fill Sheet"] = "YES";
  entry["Shrink Sheet Size"] = "Both";
  return entry;
}

}  // namespace

void RunLayouts(CAD::DRAVOInterface& driver, const std::string& folder);

void Run() {
  StandInBench bench("nests");
  CAD::EDRAVOWrapper& driver = *bench.driver;
  const std::string& folder = bench.folder;
  std::filesystem::create_directories(folder + "/try");
  CAD::DRAVOInterface::layoutVersionFlag = true;

  LayoutNestSite site(driver);
  site.ticket.units = "mm";
  site.ticket.designPath = "file://" SHAPEJOB_SOURCE_DIR "/examples/cad/designs/tuck-end.kpx";
  site.ticket.databaseKind = "Enterprise";
  site.ticket.selectDesign = "path";
  site.ticket.crossGrain = "No";
  site.entry = Entry();
  site.tryFolder = QK_TURL::FromLocalPath(QK_TString(folder + "/try"));
  site.timeScript = driver.WriteTimeScript();
  site.Prepare();

  const char* const codes[] = {"1", "2", "3", "4", "5"};
  std::printf("%8s %16s %14s %18s\n", "nests", "CAD calls/nest", "wall ms/nest", "ms in CAD/nest");
  for (int nests = 10; nests <= 80; nests *= 2) {
    FolvaneCAD::CallMeter& meter = FolvaneCAD::CallMeter::Process();
    const FolvaneCAD::CallMeter before = meter;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < nests; ++i) {
      site.Run(codes[i % 5], (i / 5) % 2 == 0 ? 0.0 : 180.0, CAD::Orientation::kHorizontal);
    }
    const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double inside = std::chrono::duration<double, std::milli>(meter.inside - before.inside).count();
    std::printf("%8d %16.1f %14.3f %18.3f\n", nests, static_cast<double>(meter.calls - before.calls) / nests,
                wall / nests, inside / nests);
  }
  RunLayouts(driver, folder);
}

// Whole layout operations: every template nested 10 times (five nesting
// types, two rotations), its best nest delivered with the report; no
// previews.
void RunLayouts(CAD::DRAVOInterface& driver, const std::string& folder) {
  constexpr int kNestsPerTemplate = 10;
  CAD::LOTicketParam ticket;
  ticket.units = "mm";
  ticket.crossGrain = "No";
  ticket.nestingTypes = {"1", "2", "3", "4", "5"};
  ticket.position = "6";
  ticket.designPath = "file://" SHAPEJOB_SOURCE_DIR "/examples/cad/designs/tuck-end.kpx";
  ticket.databaseKind = "Enterprise";
  ticket.selectDesign = "path";
  ticket.mfgOutputFolder = QK_TString(folder + "/mfg");
  ticket.mfgOutputFileName = "sheet";
  ticket.xmlOutputFolder = QK_TURL::FromLocalPath(QK_TString(folder + "/reports"));
  ticket.xmlOutputFileName = "report";
  CAD::StringMap entry = Entry();
  entry["Grain Direction"] = "Vertical";

  std::printf("\n%9s %6s %16s %14s %19s\n", "templates", "nests", "CAD calls/nest", "wall ms/nest",
              "program ms/nest");
  for (int templates = 1; templates <= 8; templates *= 2) {
    CAD::StringMapList entries(templates, entry);
    FolvaneCAD::CallMeter& meter = FolvaneCAD::CallMeter::Process();
    const FolvaneCAD::CallMeter before = meter;
    const auto start = std::chrono::steady_clock::now();
    driver.GenerateLayout(entries, ticket);
    const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double inside = std::chrono::duration<double, std::milli>(meter.inside - before.inside).count();
    const int nests = templates * kNestsPerTemplate;
    std::printf("%9d %6d %16.1f %14.3f %19.3f\n", templates, nests,
                static_cast<double>(meter.calls - before.calls) / nests, wall / nests, (wall - inside) / nests);
  }
}

int main() { return RunBenchmark(Run); }
