// Timings of layouts against the CAD application stand-in, per nest: the
// automation calls made, the wall time, and the time inside the stand-in's
// calls (or the program's own time, the rest). First 10 to 80 single nests
// of the example template and design, cycling through the nesting types
// and both rotations, each strung together the way the layout operation
// does it; then whole layout operations over 1 to 8 templates, each
// nested in all five nesting types and both rotations. The figures per nest
// stay level as the count doubles when nothing of a nest outlives it. Then
// the milliseconds a PNG preview of a layout adds, and layout operations
// over designs of 2,000 to 32,000 lines with their previews: the time per
// design line stays level when nothing is computed again for every line.
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
void RunPreviews(CAD::DRAVOInterface& driver, const std::string& folder);
void RunDesignLines(CAD::DRAVOInterface& driver, const std::string& folder);

void Run() {
  StandInBench bench("nests");
  CAD::EDRAVOWrapper& driver = *bench.driver;
  const std::string& folder = bench.folder.path();
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
  RunPreviews(driver, folder);
  RunDesignLines(driver, folder);
}

namespace {

constexpr int kNestsPerTemplate = 10;

// A layout ticket of the example design, its results under `folder`; no
// previews.
CAD::LOTicketParam LayoutTicket(const std::string& folder) {
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
  return ticket;
}

CAD::StringMap VerticalEntry() {
  CAD::StringMap entry = Entry();
  entry["Grain Direction"] = "Vertical";
  return entry;
}

double LayoutMilliseconds(CAD::DRAVOInterface& driver, int templates, CAD::LOTicketParam& ticket) {
  CAD::StringMapList entries(templates, VerticalEntry());
  const auto start = std::chrono::steady_clock::now();
  driver.GenerateLayout(entries, ticket);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::size_t FilesIn(const std::string& folder) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) count += entry.is_regular_file() ? 1 : 0;
  return count;
}

// A closed cut outline of `lines` lines, 215 mm x 210 mm: three straight
// sides and a top edge of small teeth.
std::string DesignOfLines(int lines) {
  std::string text = "<Design name='teeth' industry='2' unit='mm'>";
  auto line = [&text](double x1, double y1, double x2, double y2) {
    text += "<Line x1='" + std::to_string(x1) + "' y1='" + std::to_string(y1) + "' x2='" + std::to_string(x2) +
            "' y2='" + std::to_string(y2) + "'/>";
  };
  const int teeth = lines - 3;
  line(0, 0, 215, 0);
  line(215, 0, 215, 210);
  double x = 215;
  double y = 210;
  for (int i = 1; i <= teeth; ++i) {
    const double nextX = 215.0 - 215.0 * i / teeth;
    const double nextY = i % 2 == 0 ? 210 : 209;
    line(x, y, nextX, nextY);
    x = nextX;
    y = nextY;
  }
  line(x, y, 0, 0);
  return text + "</Design>";
}

}  // namespace

// Whole layout operations: every template nested 10 times (five nesting
// types, two rotations), its best nest delivered with the report; no
// previews.
void RunLayouts(CAD::DRAVOInterface& driver, const std::string& folder) {
  CAD::LOTicketParam ticket = LayoutTicket(folder);
  const CAD::StringMap entry = VerticalEntry();

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

// The same layouts of 4 templates without and with PNG previews (one per
// template): what a preview adds, per preview.
void RunPreviews(CAD::DRAVOInterface& driver, const std::string& folder) {
  constexpr int kTemplates = 4;
  CAD::LOTicketParam ticket = LayoutTicket(folder + "/plain");
  const double plain = LayoutMilliseconds(driver, kTemplates, ticket);
  ticket = LayoutTicket(folder + "/previewed");
  ticket.generatePreview = true;
  ticket.previewFileFormat = "PNG";
  ticket.previewOutputFolder = QK_TString(folder + "/previews");
  std::filesystem::create_directories(folder + "/previews");
  const double previewed = LayoutMilliseconds(driver, kTemplates, ticket);
  const std::size_t previews = FilesIn(folder + "/previews");
  std::printf("\n%9s %8s %16s %15s\n", "templates", "previews", "wall ms/nest", "ms per preview");
  std::printf("%9d %8zu %16.3f %15.1f\n", kTemplates, previews, previewed / (kTemplates * kNestsPerTemplate),
              previews == 0 ? 0.0 : (previewed - plain) / static_cast<double>(previews));
}

// One template over designs of 2,000 to 32,000 lines, with its preview.
void RunDesignLines(CAD::DRAVOInterface& driver, const std::string& folder) {
  std::printf("\n%8s %12s %15s\n", "lines", "total ms", "us per line");
  for (int lines = 2000; lines <= 32000; lines *= 2) {
    const std::string design = folder + "/teeth-" + std::to_string(lines) + ".kpx";
    std::ofstream(design) << DesignOfLines(lines);
    CAD::LOTicketParam ticket = LayoutTicket(folder + "/lines");
    ticket.designPath = QK_TString("file://" + design);
    ticket.generatePreview = true;
    ticket.previewFileFormat = "PNG";
    ticket.previewOutputFolder = QK_TString(folder + "/line-previews");
    std::filesystem::create_directories(folder + "/line-previews");
    const double ms = LayoutMilliseconds(driver, 1, ticket);
    std::printf("%8d %12.1f %15.2f\n", lines, ms, ms * 1000 / lines);
  }
}

int main() { return RunBenchmark(Run); }
