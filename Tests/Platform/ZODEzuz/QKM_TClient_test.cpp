#include "QKM_TClient.h"

#include <gtest/gtest.h>

#include "QK_EException.h"

namespace {

class TestServiceFailure : public QK_EException {
  QK_PLATFORM_EXCEPTION_BODY(TestServiceFailure, QK_EException, "Test_EServiceFailure")
};

// Answers every request with one reply and keeps the last request.
struct RecordingTransport : QKM_ITransport {
  explicit RecordingTransport(QKM_TReply answer) : reply(std::move(answer)) {}
  QKM_TReply Send(const QK_TString& service, const QK_TDict& request) override {
    lastService = service;
    lastRequest = request;
    return reply;
  }
  QKM_TReply reply;
  QK_TString lastService;
  QK_TDict lastRequest;
};

struct QKM_TClientTest : ::testing::Test {
  void TearDown() override { QKM_TClient::OverrideTransport(nullptr); }
  std::shared_ptr<RecordingTransport> transport =
      std::make_shared<RecordingTransport>(QKM_TReply::Value(QK_TAny(42)));
  QKM_TClient client;
};

TEST_F(QKM_TClientTest, TransportIsChosenByOverrideOrSchemeAndGetsTheRequestAsSent) {
  EXPECT_THROW(client.Request(QK_TDict()), QK_EException);  // not connected yet
  QK_TString factoryAddress;
  QKM_TClient::RegisterTransport("teststub", [&](const QK_TString& address) {
    factoryAddress = address;
    return transport;
  });
  client.SetConnectionAddress("teststub://host:7/x", "TicketServer", 7, QKM_TClient::kLocationDirect);
  EXPECT_EQ(client.Request(QK_TDict()), QK_TAny(42));
  EXPECT_EQ(factoryAddress, "teststub://host:7/x");
  EXPECT_EQ(transport->lastService, "TicketServer");

  auto override = std::make_shared<RecordingTransport>(QKM_TReply::Value(QK_TAny("overridden")));
  QKM_TClient::OverrideTransport(override);
  QK_TDict request;
  request.Set("P1", QK_TAny("/a/b"));
  request.Set("M", QK_TAny("[]"));
  EXPECT_EQ(client.Request(request), QK_TAny("overridden"));
  EXPECT_EQ(override->lastRequest, request);  // same entries in the same order
}

TEST_F(QKM_TClientTest, ReportedFailureIsThrownAsItsRegisteredClass) {
  TestServiceFailure::QK_ClassObject();
  QKM_TClient::OverrideTransport(transport);
  client.SetConnectionAddress("", "CFS", 0, QKM_TClient::kLocationDirect);
  transport->reply = QKM_TReply::Failure("Test_EServiceFailure", "quota exceeded", QK_TAny(3));
  try {
    client.Request(QK_TDict());
    ADD_FAILURE() << "no exception";
  } catch (const TestServiceFailure& failure) {
    EXPECT_EQ(failure.QK_Message(), "quota exceeded");
    EXPECT_EQ(failure.QK_Data(), QK_TAny(3));
  }
  transport->reply = QKM_TReply::Failure("Test_ENeverRegistered", "went wrong");
  try {
    client.Request(QK_TDict());
    ADD_FAILURE() << "no exception";
  } catch (const QK_EException& failure) {
    EXPECT_STREQ(failure.ClassName(), "QK_EException");
    EXPECT_EQ(failure.QK_Message(), "Test_ENeverRegistered: went wrong");
  }
}

}  // namespace
