// Shop-card tickets through the run and the real ticket builders,
// with the operations' own bodies on a mock CAD application: the file each
// operation writes is the file the run registers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "ConnectedTask.h"
#include "OperationDriver.h"

namespace {

using ::testing::NiceMock;

// A task connected to "Local" through the double that keeps the
// operations' bodies; the run keeps the driver, since the server does not
// change.
class OperationTask : public CAD::Task {
 public:
  NiceMock<OperationDriver>& Connect(const CadServerConfig& server) {
    auto operations = std::make_unique<NiceMock<OperationDriver>>(this);
    NiceMock<OperationDriver>& handle = *operations;
    driver = std::move(operations);
    currentServer = server;
    return handle;
  }
};

class ShopCardRunTest : public ::testing::Test {
 protected:
  ShopCardRunTest() : cad(task.Connect(ConventionalServer("Local", "db-host", "designs"))) {
    setenv(
        "QK_SERVER",
        folder.Write("site.xml", SiteConfiguration(ConventionalEntry("Local", "db-host", "designs"))).c_str(),
        1);
    parameters.Set("SERVER", QK_TAny("Local"));
  }
  ~ShopCardRunTest() override { unsetenv("QK_SERVER"); }

  int Run(const char* action, const char* outputName, const std::string& input) {
    TW_TTaskSetup setup;
    setup.taskId = "shop-card-run-test";
    setup.outputDir = folder.Url();
    setup.outputName = outputName;
    setup.inputs.push_back(QK_TURL::FromLocalPath(QK_TString(input)));
    task.Prepare(setup, &sink);
    AT_TTicket ticket(action, parameters);
    return task.Run(ticket);
  }

  TempFolder folder;
  RecordingSink sink;
  OperationTask task;
  NiceMock<OperationDriver>& cad;
  QK_TDict parameters;
};

TEST_F(ShopCardRunTest, AShopCardWithoutOutputsRegistersTheDocumentItWrites) {
  const std::string ticket = folder.Write("card.xml", R"(<Design Name="carton.kpx" Path="/d"/>)");
  EXPECT_EQ(Run("createshopcard", "order.pdf", ticket), 0);
  EXPECT_EQ(sink.Starting("output"), std::vector<std::string>{"output OK " + folder.File("order.pdf.xml")});
  EXPECT_TRUE(std::filesystem::exists(folder.File("order.pdf.xml")));
  EXPECT_FALSE(std::filesystem::exists(folder.File("order.pdf.xml.xml")));
}

}  // namespace
