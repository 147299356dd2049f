// The "TestConnection" request against a scripted connection object: the
// line the login answer or its framework failure prints, the reply, and
// that nothing of the automation layer is left behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AutomationCounts.h"
#include "ScriptedDispatch.h"
#include "Shapejob.h"

namespace {

constexpr DISPID kLogin = 1;

class TestConnectionRequestTest : public ::testing::Test {
 protected:
  void TearDown() override {
    OLE_UnregisterProgID(L"Quillmarsh.Connection.1");
    if (connection_ != nullptr) connection_->Release();
    before_.ExpectUnchanged();
  }

  // The connection object that the request creates.
  ScriptedDispatch& Connection() {
    connection_ = ScriptedDispatch::Create();
    OLE_RegisterProgID(L"Quillmarsh.Connection.1", ScriptedDispatch::SharedFactory(connection_));
    return *connection_;
  }

  // What the request printed on standard output, and its reply. The server has
  // no database kind, so no data source is made and the login gets an
  // empty name.
  std::string Answer(QK_TAny& reply) {
    QK_TTree server;
    server.Set("Type", QK_TAny("Conventional"));
    QK_TDict request;
    request.Set("M", QK_TAny("TestConnection"));
    request.Set("P1", QK_TAny("check"));
    request.Set("P2", QK_TAny(server));
    request.Set("P3", QK_TAny(QK_TTree()));
    ::testing::internal::CaptureStdout();
    CAD::HandleRequest(request, reply);
    return ::testing::internal::GetCapturedStdout();
  }

  // The lines of a request without host, database and port, ending with
  // `login`.
  static std::string After(const std::string& login) {
    return "[check] - Host \n[check] - Database \n[check] - Port \n[check] - " + login + "\n";
  }

 private:
  const AutomationCounts before_;
  ScriptedDispatch* connection_ = nullptr;
};

TEST_F(TestConnectionRequestTest, AcceptedLoginAnswersTrue) {
  ScriptedDispatch& connection = Connection();
  connection.On(kLogin, DISPATCH_METHOD).Returns(std::int32_t{0});
  QK_TAny reply;
  EXPECT_EQ(Answer(reply), After("Login Success "));
  EXPECT_EQ(reply, QK_TAny(true));
  EXPECT_EQ(connection.calls, (std::vector<ScriptedDispatch::Call>{
                                  {kLogin, DISPATCH_METHOD, {{VT_BSTR, L""}, {VT_BSTR, L""}, {VT_BSTR, L""}}}}));
}

TEST_F(TestConnectionRequestTest, ErrorRaisedByTheConnectionObjectIsPrintedAsADispatchException) {
  Connection().On(kLogin, DISPATCH_METHOD).Raises(1, L"Db", L"no server");
  QK_TAny reply;
  EXPECT_EQ(Answer(reply), After("COleDispatchException Db - no server"));
  EXPECT_EQ(reply, QK_TAny(false));
}

TEST_F(TestConnectionRequestTest, ConnectionObjectThatCannotBeCreatedIsPrintedAsAFrameworkException) {
  QK_TAny reply;
  EXPECT_EQ(Answer(reply), After("CException Class not registered\r\n"));
  EXPECT_EQ(reply, QK_TAny(false));
}

}  // namespace
