// Framework exceptions of the automation layer become the program's own
// DravoRuntimeException: the site's text as message, the failure's text as
// data, and the framework exception deleted.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AfxDisp.h"
#include "DravoException.h"

namespace {

std::string DataOf(const CAD::DravoRuntimeException& exception) { return exception.QK_Data().AsString().str(); }

class ConversionTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(CException::LiveCount(), liveAtStart_); }

 private:
  const long liveAtStart_ = CException::LiveCount();
};

TEST_F(ConversionTest, DispatchFailureTextIsTheSourceAndTheDescription) {
  struct Case {
    const wchar_t* source;
    const wchar_t* description;
    std::vector<std::string> accepted;
  };
  const std::vector<Case> cases = {
      {L"Dravo", L"No design open", {"Dravo - No design open"}},
      {L"", L"No design open", {"No design open"}},
      {L"", L"", {"unknown error"}},
      {L"Dravo", L"", {"unknown error", "Dravo - unknown error"}},
  };
  for (const Case& c : cases) {
    const CAD::DravoRuntimeException converted = CAD::DravoRuntimeExceptionFromDispatch(
        "Failed to initialize Dravo", new COleDispatchException(1, c.source, c.description, DISP_E_EXCEPTION));
    EXPECT_EQ(converted.QK_Message(), QK_TString("Failed to initialize Dravo"));
    const std::string data = DataOf(converted);
    EXPECT_NE(std::find(c.accepted.begin(), c.accepted.end(), data), c.accepted.end()) << data;
  }
}

TEST_F(ConversionTest, OtherFailuresCarryTheSystemTextOfTheirCodeUntrimmed) {
  const CAD::DravoRuntimeException notRegistered =
      CAD::DravoRuntimeExceptionFromOle("Failed to initialize Dravo Standard", new COleException(REGDB_E_CLASSNOTREG));
  EXPECT_EQ(notRegistered.QK_Message(), QK_TString("Failed to initialize Dravo Standard"));
  EXPECT_EQ(DataOf(notRegistered), "Class not registered\r\n");

  // A framework exception that is no COleException stands for E_FAIL.
  const CAD::DravoRuntimeException other = CAD::DravoRuntimeExceptionFromOle(
      "Failed Run Open Standard", new COleDispatchException(1, L"Std", L"gone", DISP_E_EXCEPTION));
  EXPECT_EQ(DataOf(other), "Unspecified error\r\n");
}

TEST_F(ConversionTest, ACodeWithoutSystemTextIsShownInLowerCaseHexadecimal) {
  EXPECT_EQ(DataOf(CAD::DravoRuntimeExceptionFromOle("site", new COleException(static_cast<SCODE>(0x8004ABCDu)))),
            "MFC Exception: code 8004abcd");
  EXPECT_EQ(DataOf(CAD::DravoRuntimeExceptionFromOle("site", new COleException(0x2F))), "MFC Exception: code 2f");
}

}  // namespace
