// The fuzz targets replayed as ordinary tests. Each target has seeds (valid
// inputs that it must read, so that the fuzzer starts from inputs that
// reach deep into its reader) and regressions (inputs that once made a
// fuzzer fail, and hostile inputs that once crashed or stalled a reader):
// each of those must end as read or refused, without anything else thrown.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "FuzzTargets.h"

namespace ShapejobFuzz {
// Names the target in the test's failure messages.
void PrintTo(const Target& target, std::ostream* out) { *out << target.name; }
}  // namespace ShapejobFuzz

namespace {

namespace fs = std::filesystem;
using ShapejobFuzz::Target;

// Processor time (a busy machine does not count) past which an input is
// one that never ends; how fast the readers are is the benchmark's.
constexpr double kHangSeconds = 60;

const fs::path kFuzzFolder = SHAPEJOB_FUZZ_DIR;

std::vector<fs::path> FilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code missing;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, missing)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Feed(const Target& target, const std::string& bytes) {
  return target.run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

class FuzzTargetTest : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzTargetTest, ReadsEachOfItsSeeds) {
  const std::vector<fs::path> seeds = FilesIn(kFuzzFolder / "seeds" / GetParam().name);
  ASSERT_FALSE(seeds.empty()) << "no seeds for " << GetParam().name;
  for (const fs::path& seed : seeds) {
    EXPECT_EQ(Feed(GetParam(), Contents(seed)), ShapejobFuzz::kRead) << seed;
  }
}

// The reader's own refusal is caught as one, and nothing stays in the way of
// the next input: the seeds still read after it.
TEST_P(FuzzTargetTest, RefusesBytesThatAreNoDocument) {
  EXPECT_EQ(Feed(GetParam(), std::string("\x01\xff<not a\0 document", 19)), ShapejobFuzz::kRefused);
  EXPECT_EQ(Feed(GetParam(), std::string()), ShapejobFuzz::kRefused);
  for (const fs::path& seed : FilesIn(kFuzzFolder / "seeds" / GetParam().name)) {
    EXPECT_EQ(Feed(GetParam(), Contents(seed)), ShapejobFuzz::kRead) << seed;
  }
}

TEST_P(FuzzTargetTest, EndsEachRegression) {
  for (const fs::path& input : FilesIn(kFuzzFolder / "regressions" / GetParam().name)) {
    const std::clock_t start = std::clock();
    int outcome = -1;
    EXPECT_NO_THROW(outcome = Feed(GetParam(), Contents(input))) << input;
    const double took = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    EXPECT_TRUE(outcome == ShapejobFuzz::kRead || outcome == ShapejobFuzz::kRefused) << input;
    EXPECT_LT(took, kHangSeconds) << input;
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzTargetTest,
                         ::testing::ValuesIn(ShapejobFuzz::kTargets,
                                             ShapejobFuzz::kTargets + ShapejobFuzz::kTargetCount),
                         [](const ::testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

}  // namespace
