// A run stopped from outside while the CAD application works: the
// cancellation ends the run as failed, the task goes and takes its
// temporary data source with it, and the process exits non-zero.
#include <gtest/gtest.h>

#include <string>

#include "ShapejobE2eSite.h"

namespace {

class StopTest : public e2e::Site {
 protected:
  ProgramRun RunSplit(const std::string& scenario) {
    folder_.Write("job.xml", "<job/>");
    return RunTicket(TicketXml("splitdesign", "e2e-stop-1")
                         .Attribute("outputDir", "out")
                         .Attribute("outputName", "OUT")
                         .Input("job.xml")
                         .Param("SERVER", "Local")
                         .Param("SELECT_DESIGN", "path")
                         .Param("STANDARD_PATH", Design("gift-box.kpx"))
                         .Param("COMMAND_SCRIPT", "")
                         .Param("PRINT_ITEM", "front")
                         .Xml(),
                     scenario);
  }
};

TEST_F(StopTest, ATermSignalMidRunCancelsTheTaskAndRemovesItsDataSource) {
  // The signal arrives while the design is being opened, after the
  // connection made the run's data source.
  const ProgramRun run = RunSplit("Control.OpenDesign signal=TERM");
  EXPECT_NE(run.status, 0);
  EXPECT_FALSE(run.Starting("log \"task canceled").empty()) << "canceled, not crashed";
  EXPECT_TRUE(run.Starting("output ").empty());
  EXPECT_FALSE(run.Starting("log \"Removed temporary ODBC Data Source").empty());
  EXPECT_TRUE(odbc_.DataSources().empty()) << "the run's data source is gone";

  // The same ticket runs cleanly afterwards.
  const ProgramRun again = RunSplit("");
  EXPECT_EQ(again.status, 0);
}

}  // namespace
