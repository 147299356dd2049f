// Timings of the changes of odbc.ini that a run makes: creating and
// removing its temporary data source in a site's odbc.ini of 100, 1,000
// and 10,000 sections of the site's own, written anew by rename (the
// account's own file, alone) and in place (a file with a second name,
// each change guarded by its journal). A change parses the file once
// (the driver-setup library once more), so the time per section stays
// about level as the file grows tenfold.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "QK_EException.h"
#include "SQLUtilities.h"
#include "StandInBench.h"
#include "TemporaryFolder.h"

namespace {

constexpr int kChangesPerSize = 20;

std::string SiteSections(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    const std::string name = "site" + std::to_string(i);
    text += "[" + name + "]\nDriver=SQL Server\nDESCRIPTION=Site data source " + name + "\nSERVER=host" +
            std::to_string(i) + "\nDATABASE=designs\n\n";
  }
  return text;
}

void Run() {
  TemporaryFolder folder("/tmp/shapejob-odbc-bench-");
  if (folder.path().empty()) QK_THROW(QK_EException(QK_TString("No temporary folder: ") + folder.Error()));
  std::filesystem::copy_file(SHAPEJOB_ODBCINST_INI, folder.File("odbcinst.ini"));
  // The installer reads these once, before its first call.
  setenv("ODBCSYSINI", folder.path().c_str(), 1);
  setenv("TMPDIR", folder.path().c_str(), 1);

  CadServerConfig record;
  record.name = "Local";
  record.dbms = CAD::Dbms::kSqlServer;
  record.host = "bench-host";
  record.database = "designs";
  std::printf("%9s %9s %14s %18s\n", "path", "sections", "ms per change", "us per section");
  for (const bool inPlace : {false, true}) {
    for (int sections = 100; sections <= 10000; sections *= 10) {
      folder.WriteFile("odbc.ini", SiteSections(sections));
      std::filesystem::remove(folder.File("second-name.ini"));
      if (inPlace) std::filesystem::create_hard_link(folder.File("odbc.ini"), folder.File("second-name.ini"));
      const auto start = std::chrono::steady_clock::now();
      for (int i = 0; i < kChangesPerSize; ++i) {
        QK_TString name;
        SQLUtilities::CreateTemporaryDataSource(record, name, QK_TString("bench"), false);
        SQLUtilities::RemoveTemporaryDataSource(record, name, false);
      }
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      const double perChange = ms / (2 * kChangesPerSize);
      std::printf("%9s %9d %14.2f %18.3f\n", inPlace ? "in place" : "rename", sections, perChange,
                  perChange * 1000 / sections);
    }
  }
}

}  // namespace

int main() {
  return RunBenchmark(Run);
}
