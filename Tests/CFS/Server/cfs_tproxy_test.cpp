// The configuration-server client: what it sends, what it caches, and how
// missing values and bad paths are raised.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "QK_TPacker.h"
#include "cfs_tproxy.h"

namespace {

// Answers from a fixed tree and records every request.
class FakeServer : public QKM_ITransport {
 public:
  QKM_TReply Send(const QK_TString& service, const QK_TDict& request) override {
    services.push_back(service);
    requests.push_back(request);
    QK_TString path = request.Get("P1").AsString();
    if (path.StartsWith("/")) path = path.Substring(1);
    if (path.Empty()) return QKM_TReply::Value(QK_TAny(tree));
    if (!tree.HasKey(path)) return QKM_TReply::Failure("CFS_EValueNotSet", path);
    return QKM_TReply::Value(tree.Get(path));
  }

  QK_TTree tree;
  std::vector<QK_TString> services;
  std::vector<QK_TDict> requests;
};

class ConfigClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server = std::make_shared<FakeServer>();
    server->tree.SetPath("Resources/CAD/Servers/Local/Type", QK_TAny("Conventional"));
    server->tree.SetPath("Resources/CAD/Servers/Local/host", QK_TAny("db1"));
    server->tree.SetPath("Resources/Plain", QK_TAny("just a value"));
    QKM_TClient::OverrideTransport(server);
  }
  void TearDown() override { QKM_TClient::OverrideTransport(nullptr); }

  std::shared_ptr<FakeServer> server;
};

std::vector<QK_TString> Keys(const QK_TDict& dict) {
  std::vector<QK_TString> keys;
  for (const auto& entry : dict) keys.push_back(entry.first);
  return keys;
}

TEST_F(ConfigClientTest, WithoutRootsEveryGetIsOneDirectRequest) {
  CFS_TProxy client("configuration.xml");
  EXPECT_TRUE(client.Lookup("/Resources/CAD/Servers") == QK_TAny::Illegal);
  EXPECT_TRUE(server->requests.empty()) << "a lookup under no root sends nothing";

  QK_TAny servers = client.Get("/Resources/CAD/Servers");
  ASSERT_EQ(server->requests.size(), 1u);
  EXPECT_EQ(server->services[0], QK_TString("CFS"));
  const QK_TDict& request = server->requests[0];
  EXPECT_EQ(Keys(request), (std::vector<QK_TString>{"M", "P1", "P2"}));
  EXPECT_EQ(request.Get("M"), QK_TAny("[]"));
  EXPECT_EQ(request.Get("P1"), QK_TAny("/Resources/CAD/Servers"));
  EXPECT_EQ(request.Get("P2"), QK_TAny(false));
  EXPECT_TRUE(servers.AsTree().HasKey("Local/Type"));

  client.Get("/Resources/Plain", true, true);
  ASSERT_EQ(server->requests.size(), 2u);
  EXPECT_EQ(Keys(server->requests[1]), (std::vector<QK_TString>{"M", "P1", "P2", "PZIPPED"}));
  EXPECT_EQ(server->requests[1].Get("P2"), QK_TAny(true));
}

TEST_F(ConfigClientTest, RootIsFetchedOnceAndAnswersPathsBelowIt) {
  CFS_TProxy client("configuration.xml");
  client.AddRoot("Resources/CAD");

  EXPECT_EQ(client.Lookup("/Resources/CAD/Servers/Local/Type"), QK_TAny("Conventional"));
  ASSERT_EQ(server->requests.size(), 1u);
  EXPECT_EQ(server->requests[0].Get("P1"), QK_TAny("Resources/CAD"));
  EXPECT_EQ(server->requests[0].Get("P2"), QK_TAny(false));

  EXPECT_EQ(client.Lookup("Resources/CAD/Servers/Local/host"), QK_TAny("db1"));
  EXPECT_EQ(client.Get("/Resources/CAD/Servers/Local/host"), QK_TAny("db1"));
  EXPECT_EQ(server->requests.size(), 1u) << "later reads below the root come from the cache";

  const QK_TAny& whole = client.Lookup("/Resources/CAD");
  EXPECT_TRUE(whole.AsTree().HasKey("Servers/Local/Type"));
  EXPECT_EQ(client.FindRoot("/Resources/CAD/Servers"), QK_TString("Resources/CAD"));
  EXPECT_EQ(client.FindRoot("/Resources/Other"), QK_TString());
}

TEST_F(ConfigClientTest, BadPathsBelowARootAreIllegal) {
  CFS_TProxy client("configuration.xml");
  client.AddRoot("Resources");
  try {
    client.Lookup("/Resources/CAD/Servers/Nowhere");
    FAIL() << "no exception";
  } catch (const CFS_EIllegalPath& e) {
    EXPECT_TRUE(e.QK_Message().Empty());
    EXPECT_EQ(e.QK_Data(), QK_TAny("/Resources/CAD/Servers/Nowhere"));
  }
  EXPECT_THROW(client.Lookup("/Resources/Plain/below"), CFS_EIllegalPath);

  client.AddRoot("Resources/Plain");
  EXPECT_THROW(client.Lookup("/Resources/Plain/below"), CFS_EIllegalPath) << "a root that is no tree";
}

TEST_F(ConfigClientTest, RootWithoutValueIsNotSetWithoutAskingAgain) {
  CFS_TProxy client("configuration.xml");
  client.AddRoot("Missing");
  EXPECT_THROW(client.Lookup("/Missing/a"), CFS_EValueNotSet);
  EXPECT_THROW(client.Lookup("/Missing/b"), CFS_EValueNotSet);
  EXPECT_EQ(server->requests.size(), 1u);
}

TEST_F(ConfigClientTest, DirectFailuresReachTheCallerAsTheirClass) {
  CFS_TProxy client("configuration.xml");
  EXPECT_THROW(client.Get("/Resources/Nothing"), CFS_EValueNotSet);
}

TEST(ConfigClientAddress, ComesFromTheArgumentElseFromQkServer) {
  setenv("QK_SERVER", "from-environment.xml", 1);
  EXPECT_EQ(CFS_TProxy("given.xml").Address(), QK_TString("given.xml"));
  EXPECT_EQ(CFS_TProxy("").Address(), QK_TString("from-environment.xml"));
  EXPECT_EQ(CFS_TProxy().Address(), QK_TString("from-environment.xml"));
  setenv("QK_SERVER", "", 1);
  EXPECT_EQ(CFS_TProxy().Address(), QK_TString());
  unsetenv("QK_SERVER");
  EXPECT_EQ(CFS_TProxy().Address(), QK_TString());
  EXPECT_EQ(CFS_TProxy().Service(), QK_TString("CFS"));
}

}  // namespace

namespace {

TEST(ConfigExceptionsTest, RegisterPackAndUnpackAsTheirOwnClass) {
  for (const char* name : {"CFS_EConfigException", "CFS_EIllegalPath", "CFS_EValueNotSet"}) {
    EXPECT_NE(QK_TClass::Find(name), nullptr) << name;
  }
  CFS_EIllegalPath illegal(QK_TString::sEmpty, QK_TAny("/Resources/X"));
  illegal.__PREPARE_FOR_THROW__(12, "cfs.cpp");
  const std::string packed = QK_PackObject(illegal);
  EXPECT_LT(packed.find("CFS_EConfigException"), packed.find("QK_EException"));
  std::unique_ptr<QK_IPackable> copy = QK_UnpackObject(packed);
  auto* unpacked = QK_DynamicCast<CFS_EIllegalPath>(copy.get());
  ASSERT_NE(unpacked, nullptr);
  EXPECT_EQ(unpacked->QK_Data(), QK_TAny("/Resources/X"));
  EXPECT_EQ(unpacked->QK_ExceptionLine(), 12u);
  EXPECT_THROW(unpacked->Throw(), CFS_EConfigException);
  EXPECT_EQ(QK_DynamicCast<CFS_EValueNotSet>(copy.get()), nullptr);
}

}  // namespace
