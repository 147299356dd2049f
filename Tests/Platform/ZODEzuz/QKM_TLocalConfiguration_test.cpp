#include "QKM_TLocalConfiguration.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "QK_TArray.h"
#include "QK_TURL.h"
#include "TempFolder.h"

namespace {

class TestValueNotSet : public QK_EException {
  QK_PLATFORM_EXCEPTION_BODY(TestValueNotSet, QK_EException, "CFS_EValueNotSet")
};

struct QKM_TLocalConfigurationTest : ::testing::Test {
  void SetUp() override {
    TestValueNotSet::QK_ClassObject();
    ASSERT_FALSE(folder.path().empty());
    file = folder.File("site.xml");
    Write(R"(<Configuration><Tree key="Resources">
      <Tree key="Local"><Value key="Type">Local</Value><Value key="On" type="bool">true</Value>
        <Value key="Port" type="int">4711</Value><Value key="Root" type="url">file:///srv</Value></Tree>
      <Tree key="Workflows"><Tree key="Proof"/><Value key="Print">x</Value></Tree>
    </Tree></Configuration>)");
  }
  void Write(const char* content) { std::ofstream(file) << content; }

  QK_TAny Ask(const char* service, const char* operation, const char* path = "", const char* second = nullptr) {
    QKM_TClient client;
    client.SetConnectionAddress(QK_TURL::FromLocalPath(file).ToString(), service, 0,
                                QKM_TClient::kLocationDirect);
    QK_TDict request;
    request.Set("M", QK_TAny(operation));
    request.Set("P1", QK_TAny(path));
    if (second != nullptr) request.Set("P2", QK_TAny(second));
    return client.Request(request);
  }
  QK_TAny Read(const char* path) { return Ask("CFS", "[]", path); }
  std::string FailureOf(const char* service, const char* operation, const char* path = "") {
    try {
      Ask(service, operation, path);
    } catch (const QK_EException& failure) {
      return failure.QK_Message().str();
    }
    return "(no failure)";
  }

  TempFolder folder;
  std::string file;
};

TEST_F(QKM_TLocalConfigurationTest, AnswersTypedValuesAndTreesInFileOrder) {
  EXPECT_EQ(Read("/Resources/Local/Type"), QK_TAny("Local"));
  EXPECT_EQ(Read("Resources/Local/On"), QK_TAny(true));
  EXPECT_EQ(Read("Resources/Local/Port"), QK_TAny(4711));
  EXPECT_EQ(Read("Resources/Local/Root").AsURL().LocalName(), "/srv");
  std::string keys;
  QK_TAny local = Read("/Resources/Local");
  for (const auto& entry : local.AsTree()) keys += entry.first.str() + " ";
  EXPECT_EQ(keys, "Type On Port Root ");
  EXPECT_EQ(Read("/"), QK_TAny(QKM_TLocalConfiguration::ReadFile(QK_TString(file))));
  EXPECT_TRUE(Read("").AsTree().Has("Resources"));

  Write("<Configuration><Value key='Type'>Edited</Value></Configuration>");
  EXPECT_EQ(Read("Type"), QK_TAny("Edited"));
}

TEST_F(QKM_TLocalConfigurationTest, MissingPathRaisesValueNotSet) {
  for (const char* path : {"/Resources/Nothing", "Resources/Local/Type/Deeper"}) {
    try {
      Read(path);
      ADD_FAILURE() << path << " was found";
    } catch (const TestValueNotSet& failure) {
      EXPECT_EQ(failure.QK_Message(), path);
      EXPECT_EQ(failure.QK_Data(), QK_TAny(path));
    }
  }
}

TEST_F(QKM_TLocalConfigurationTest, TicketAttributesListWorkflowNames) {
  QK_TAny workflows = Ask("TicketServer", "TicketAttributes");
  ASSERT_EQ(workflows.AsArray().Size(), 2u);
  EXPECT_EQ(workflows.AsArray()[0].AsDict().Get("Name"), QK_TAny("Proof"));
  EXPECT_EQ(workflows.AsArray()[1].AsDict().Get("Name"), QK_TAny("Print"));
  QK_TAny one = Ask("TicketServer", "TicketAttributes", "rizu", "Print");
  ASSERT_EQ(one.AsArray().Size(), 1u) << "P2 names the one workflow asked about";
  EXPECT_EQ(one.AsArray()[0].AsDict().Get("Name"), QK_TAny("Print"));
  EXPECT_TRUE(Ask("TicketServer", "TicketAttributes", "rizu", "Unknown").AsArray().Empty());
  Write("<Configuration/>");
  EXPECT_TRUE(Ask("TicketServer", "TicketAttributes").AsArray().Empty());
}

TEST_F(QKM_TLocalConfigurationTest, BadFilesAndRequestsGiveClearFailures) {
  EXPECT_EQ(FailureOf("CFS", "Keys"), "unsupported configuration operation Keys");
  EXPECT_EQ(FailureOf("Mail", "Send"), "unknown service Mail");
  Write("<Configuration><Tree key='a'></Configuration>");
  EXPECT_EQ(FailureOf("CFS", "[]").rfind(file + ": line 1", 0), 0u) << FailureOf("CFS", "[]");
  Write("<Settings/>");
  EXPECT_EQ(FailureOf("CFS", "[]"), file + ": root element is <Settings>, not <Configuration>");
  std::filesystem::remove(file);
  EXPECT_EQ(FailureOf("CFS", "[]"), file + ": Cannot open file for reading");
}

}  // namespace
