// The enterprise login, the standards components, failure scenarios and the
// parts of the CAD application that the stand-in does not have.
#include <cstdlib>

#include "FolvaneCADTestSupport.h"

namespace {

// Dispatch ids of the enterprise main control.
constexpr DISPID kLogin = 1, kOpen = 2, kErrorText = 25, kSave = 35, kVersion = 45, kStart = 71, kGetNumber = 62,
                 kDocumentXml = 106, kSessionStart = 107;

class FolvaneCADServerTest : public FolvaneCADTest {
 protected:
  short LogIn(COleDispatchDriver& driver, const std::string& location, const wchar_t* user,
              const wchar_t* password) {
    return Status(driver, kLogin, VTS_BSTR VTS_BSTR VTS_BSTR VTS_I2 VTS_I2, Wide(location).c_str(), user, password,
                  short(0), short(0));
  }
};

TEST_F(FolvaneCADServerTest, EnterpriseControlWorksOnlyAfterALogin) {
  folder_.Write("server/users.xml", "<Users><User name=\"anna\" password=\"s3cret\"/></Users>");
  std::wstring design = Wide(folder_.Write("server/box.kpx", "<Design><Variable name=\"L\" value=\"12\"/></Design>"));
  COleDispatchDriver& cad = Create(L"FolvaneCAD-X.EDravoCtrl.1");
  EXPECT_EQ(OutText(cad, kVersion), L"FolvaneCAD 24.1 (stand-in)");
  cad.InvokeHelper(kStart, DISPATCH_METHOD, VT_EMPTY, nullptr, VTS_I2, short(2));

  EXPECT_EQ(Status(cad, kOpen, VTS_BSTR, design.c_str()), 3);
  EXPECT_EQ(OutText(cad, kErrorText), L"Not logged in");
  EXPECT_EQ(Number(cad, kGetNumber, VTS_BSTR, L"L"), -2.0);
  EXPECT_EQ(Status(cad, kSessionStart, VTS_I4, 0), 3);

  EXPECT_EQ(LogIn(cad, folder_.File("server"), L"anna", L"wrong"), 1);
  EXPECT_EQ(OutText(cad, kErrorText), L"Login refused for user anna");
  EXPECT_EQ(LogIn(cad, folder_.File("nowhere"), L"anna", L"s3cret"), 1);
  EXPECT_NE(OutText(cad, kErrorText).find(L"nowhere"), std::wstring::npos);
  EXPECT_EQ(LogIn(cad, folder_.File("server"), L"ANNA", L"s3cret"), 0);
  EXPECT_EQ(Status(cad, kSessionStart, VTS_I4, 0), 0);
  EXPECT_EQ(Status(cad, kOpen, VTS_BSTR, design.c_str()), 0);
  EXPECT_EQ(Number(cad, kGetNumber, VTS_BSTR, L"L"), 12.0);
  EXPECT_NE(OutText(cad, kDocumentXml).find(L"<DESIGN name=\"box\""), std::wstring::npos);
  std::wstring copy = Wide(folder_.File("server/copy.kpx"));
  EXPECT_EQ(Status(cad, kSave, VTS_BSTR VTS_I2 VTS_BSTR, copy.c_str(), short(1), L"a comment"), 0);
  EXPECT_TRUE(std::filesystem::exists(folder_.File("server/copy.kpx")));
}

TEST_F(FolvaneCADServerTest, WithoutAUserListAnyNamedUserMayLogIn) {
  std::filesystem::create_directory(folder_.File("open"));
  COleDispatchDriver& cad = Create(L"FolvaneCAD-X.EDravoCtrl.1");
  EXPECT_EQ(LogIn(cad, folder_.File("open"), L"", L""), 1);
  EXPECT_EQ(LogIn(cad, folder_.File("open"), L"bob", L""), 0);
}

TEST_F(FolvaneCADServerTest, StandardsComponentsLogInAndReportErrors) {
  folder_.Write("server/users.xml", "<Users><User name=\"anna\" password=\"s3cret\"/></Users>");
  COleDispatchDriver& enterprise = Create(L"FolvaneCAD-X.EDravoStandard.1");
  EXPECT_EQ(LogIn(enterprise, folder_.File("server"), L"bob", L"x"), 1);
  EXPECT_EQ(Text(enterprise, 8, VTS_NONE), L"Login refused for user bob");
  EXPECT_EQ(LogIn(enterprise, folder_.File("server"), L"anna", L"s3cret"), 0);
  try {
    Status(enterprise, kLogin, VTS_BSTR, L"only a location");
    ADD_FAILURE() << "a login without user and password was taken";
  } catch (COleException* e) {
    EXPECT_EQ(e->m_sc, DISP_E_BADPARAMCOUNT);
    e->Delete();
  }

  COleDispatchDriver& conventional = Create(L"FolvaneCAD-X.DravoStandard.1");
  EXPECT_EQ(Text(conventional, 7, VTS_NONE), L"");
}

// The design record is handed out, but writes nothing without a database.
TEST_F(FolvaneCADServerTest, TheDesignRecordIsHandedOutWithoutADatabase) {
  COleDispatchDriver& cad = Create(L"FolvaneCAD-X.DravoCtrl.1");
  IDispatch* object = nullptr;
  cad.InvokeHelper(52, DISPATCH_METHOD, VT_DISPATCH, &object, VTS_NONE);
  ASSERT_NE(object, nullptr);
  {
    COleDispatchDriver record(object, TRUE);
    short status = -1;
    record.InvokeHelper(1, DISPATCH_METHOD, VT_I2, &status, VTS_I4 VTS_I4, std::int32_t{7}, std::int32_t{-1});
    EXPECT_EQ(status, 2);
  }
}

TEST_F(FolvaneCADServerTest, ScenarioFileForcesStatusesAndErrorTexts) {
  std::string scenario = folder_.Write("scenario.txt",
                                       "# forced answers\n"
                                       "RunCommand status=7 error=Disk on fire\n"
                                       "savedesign status=1 error=Saved with remarks\n"
                                       "NoSuchOperation status=2\n");
  std::wstring design = Wide(folder_.Write("box.kpx", "<Design/>"));
  std::wstring copy = Wide(folder_.File("copy.kpx"));
  setenv("FOLVANECAD_SCENARIO", scenario.c_str(), 1);
  COleDispatchDriver& forced = Create(L"FolvaneCAD-X.DravoCtrl.1");
  unsetenv("FOLVANECAD_SCENARIO");
  COleDispatchDriver& plain = Create(L"FolvaneCAD-X.DravoCtrl.1");

  EXPECT_EQ(Status(forced, 41, VTS_BSTR VTS_I2, copy.c_str(), short(1)), 10) << "the save itself fails: nothing open";
  ASSERT_EQ(Status(forced, 2, VTS_BSTR VTS_I2, design.c_str(), short(1)), 0);
  EXPECT_EQ(Status(forced, 64, VTS_BSTR, L"EXE whatever.txt"), 7);
  EXPECT_EQ(OutText(forced, 31), L"Disk on fire");
  EXPECT_EQ(Status(forced, 41, VTS_BSTR VTS_I2, copy.c_str(), short(1)), 1);
  EXPECT_EQ(OutText(forced, 31), L"Saved with remarks");
  EXPECT_TRUE(std::filesystem::exists(folder_.File("copy.kpx"))) << "a forced remark still saves";

  ASSERT_EQ(Status(plain, 2, VTS_BSTR VTS_I2, design.c_str(), short(1)), 0);
  EXPECT_EQ(Status(plain, 41, VTS_BSTR VTS_I2, copy.c_str(), short(1)), 0);
  EXPECT_EQ(Status(plain, 64, VTS_BSTR, L"EXE whatever.txt"), 2);
}

}  // namespace
