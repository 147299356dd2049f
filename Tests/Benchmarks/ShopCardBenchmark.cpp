// Timings of shop cards against the CAD application stand-in: one card of
// the example design with 1,000 to 8,000 outputs that name no file, so that
// every output goes to the stand-in's spool of the shared data folder. The
// cards run one after the other in the same data folder, as a server's
// tickets would; the time per output stays level as the count doubles when
// the spool finds its next file without looking at every file before it.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "ShapejobTicketData.h"
#include "StandInBench.h"

namespace {

CAD::ShopCardTicketData Card(const std::string& folder, int outputs) {
  CAD::ShopCardTicketData record;
  record.designPath = SHAPEJOB_SOURCE_DIR "/examples/cad/designs";
  record.designName = "tuck-end.kpx";
  record.outputLocation = QK_TURL::FromLocalPath(QK_TString(folder + "/card.xml"));
  for (int i = 0; i < outputs; ++i) {
    auto output = std::make_shared<CAD::OutputsInfo>();
    output->Name = "card";
    output->SampleType = "1";
    record.outputs.push_back(output);
  }
  return record;
}

}  // namespace

void Run() {
  StandInBench bench("shopcards");
  std::printf("%8s %12s %16s\n", "outputs", "total ms", "ms per output");
  for (int outputs = 1000; outputs <= 8000; outputs *= 2) {
    CAD::ShopCardTicketData record = Card(bench.folder.path(), outputs);
    const auto start = std::chrono::steady_clock::now();
    const int result = bench.driver->GenerateShopCard(record);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (result != 0) std::printf("(card with warnings)\n");
    std::printf("%8d %12.1f %16.3f\n", outputs, ms, ms / outputs);
  }
}

int main() { return RunBenchmark(Run); }
