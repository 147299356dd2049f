#include "AfxDisp.h"

#include <stdexcept>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ScriptedDispatch.h"

namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using Call = ScriptedDispatch::Call;

// Drives one scripted object and checks that a test leaves no automation
// string, object or framework exception behind.
class AfxDispTest : public ::testing::Test {
 protected:
  void SetUp() override {
    strings_ = OLE_LiveStringCount();
    objects_ = OLE_TDispatchBase::LiveObjectCount();
    exceptions_ = CException::LiveCount();
    object_ = ScriptedDispatch::Create();
    driver_.AttachDispatch(object_, FALSE);
  }
  void TearDown() override {
    driver_.ReleaseDispatch();
    object_->Release();
    EXPECT_EQ(OLE_LiveStringCount(), strings_);
    EXPECT_EQ(OLE_TDispatchBase::LiveObjectCount(), objects_);
    EXPECT_EQ(CException::LiveCount(), exceptions_);
  }

  // The result code of the COleException* that `call` throws.
  template <class Function>
  static SCODE OleFailure(Function call) {
    try {
      call();
    } catch (CException* caught) {
      const SCODE code = dynamic_cast<COleException*>(caught) != nullptr ? COleException::Process(caught) : S_OK;
      caught->Delete();
      return code;
    }
    return S_OK;
  }

  ScriptedDispatch* object_ = nullptr;
  COleDispatchDriver driver_;

 private:
  long strings_ = 0;
  long objects_ = 0;
  long exceptions_ = 0;
};

TEST_F(AfxDispTest, EveryArgumentKindArrivesAndOutArgumentsComeBack) {
  ScriptedDispatch* other = ScriptedDispatch::Create();
  VARIANT variant;
  variant.vt = VT_BSTR;
  variant.bstrVal = SysAllocString(L"by value");
  std::int32_t count = 41;
  double ratio = 1.25;
  BSTR version = SysAllocString(L"v1.0");
  object_->On(30, DISPATCH_METHOD).WritesOut(7, std::int32_t{42}).WritesOut(8, 3.5).WritesOut(9, L"v1.2");

  driver_.InvokeHelper(30, DISPATCH_METHOD, VT_EMPTY, nullptr,
                       VTS_I2 VTS_I4 VTS_R8 VTS_BOOL VTS_BSTR VTS_DISPATCH VTS_VARIANT VTS_PI4 VTS_PR8 VTS_PBSTR,
                       short{7}, std::int32_t{-12}, 2.5, true, L"plate", static_cast<IDispatch*>(other),
                       static_cast<const VARIANT*>(&variant), &count, &ratio, &version);

  const std::vector<Call> expected = {
      {30,
       DISPATCH_METHOD,
       {{VT_I2, L"7"},
        {VT_I4, L"-12"},
        {VT_R8, L"2.5"},
        {VT_BOOL, L"true"},
        {VT_BSTR, L"plate"},
        {VT_DISPATCH, ScriptedDispatch::DispatchText(other)},
        {VT_BSTR, L"by value"},
        {VT_BYREF | VT_I4, L"41"},
        {VT_BYREF | VT_R8, L"1.25"},
        {VT_BYREF | VT_BSTR, L"v1.0"}}}};
  EXPECT_EQ(object_->calls, expected);
  EXPECT_EQ(count, 42);
  EXPECT_EQ(ratio, 3.5);
  EXPECT_STREQ(version, L"v1.2");
  EXPECT_STREQ(variant.bstrVal, L"by value");

  SysFreeString(version);
  VariantClear(&variant);
  other->Release();
}

TEST_F(AfxDispTest, EveryResultKindIsConverted) {
  ScriptedDispatch* part = ScriptedDispatch::Create();
  object_->On(1, DISPATCH_PROPERTYGET).Returns(short{-3});
  object_->On(2, DISPATCH_PROPERTYGET).Returns(std::int32_t{70000});
  object_->On(3, DISPATCH_PROPERTYGET).Returns(0.125);
  object_->On(4, DISPATCH_PROPERTYGET).Returns(true);
  object_->On(5, DISPATCH_METHOD).Returns(L"Bracket");
  object_->On(6, DISPATCH_METHOD).Returns(static_cast<IDispatch*>(part));
  object_->On(7, DISPATCH_METHOD).Returns(L"ignored");
  part->Release();  // the script holds the part now

  short i2 = 0;
  std::int32_t i4 = 0;
  double r8 = 0;
  BOOL flag = FALSE;
  CString name;
  IDispatch* dispatch = nullptr;
  driver_.GetProperty(1, VT_I2, &i2);
  driver_.GetProperty(2, VT_I4, &i4);
  driver_.GetProperty(3, VT_R8, &r8);
  driver_.GetProperty(4, VT_BOOL, &flag);
  driver_.InvokeHelper(5, DISPATCH_METHOD, VT_BSTR, &name, VTS_NONE);
  driver_.InvokeHelper(6, DISPATCH_METHOD, VT_DISPATCH, &dispatch, nullptr);
  driver_.InvokeHelper(7, DISPATCH_METHOD, VT_EMPTY, nullptr, "");

  EXPECT_EQ(i2, -3);
  EXPECT_EQ(i4, 70000);
  EXPECT_EQ(r8, 0.125);
  EXPECT_EQ(flag, TRUE);
  EXPECT_EQ(name, CString(L"Bracket"));
  EXPECT_EQ(dispatch, part);
  dispatch->Release();  // the caller's reference
  EXPECT_EQ(object_->calls.size(), 7u);
}

TEST_F(AfxDispTest, SetPropertyPassesOneArgumentOfTheGivenType) {
  object_->On(8, DISPATCH_PROPERTYPUT);
  object_->On(9, DISPATCH_PROPERTYPUT);
  driver_.SetProperty(8, VT_I2, short{5});
  driver_.SetProperty(9, VT_BSTR, L"mm");
  const std::vector<Call> expected = {{8, DISPATCH_PROPERTYPUT, {{VT_I2, L"5"}}},
                                      {9, DISPATCH_PROPERTYPUT, {{VT_BSTR, L"mm"}}}};
  EXPECT_EQ(object_->calls, expected);
}

TEST_F(AfxDispTest, AutomationExceptionBecomesDispatchException) {
  object_->On(11, DISPATCH_METHOD).Raises(1001, L"Part", L"No part is open", E_INVALIDARG);
  COleDispatchException* caught = nullptr;
  std::int32_t result = 0;
  try {
    driver_.InvokeHelper(11, DISPATCH_METHOD, VT_I4, &result, VTS_BSTR, L"plate.prt");
  } catch (COleDispatchException* exception) {
    caught = exception;
  }
  ASSERT_NE(caught, nullptr);
  EXPECT_EQ(caught->m_wCode, 1001);
  EXPECT_EQ(caught->m_strSource, CString(L"Part"));
  EXPECT_EQ(caught->m_strDescription, CString(L"No part is open"));
  EXPECT_EQ(caught->m_scError, E_INVALIDARG);
  EXPECT_EQ(COleException::Process(caught), E_FAIL);
  caught->Delete();
}

TEST_F(AfxDispTest, FailedResultCodesBecomeOleExceptions) {
  object_->On(12, DISPATCH_METHOD).Fails(E_NOTIMPL);
  object_->On(13, DISPATCH_PROPERTYGET).Returns(L"not a number");
  std::int32_t value = 0;
  EXPECT_EQ(OleFailure([&] { driver_.InvokeHelper(12, DISPATCH_METHOD, VT_EMPTY, nullptr, VTS_BSTR, L"x"); }),
            E_NOTIMPL);
  EXPECT_EQ(OleFailure([&] { driver_.GetProperty(14, VT_I4, &value); }), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(OleFailure([&] { driver_.GetProperty(13, VT_I4, &value); }), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(COleException::Process(nullptr), E_POINTER);

  COleDispatchDriver empty;
  EXPECT_EQ(OleFailure([&] { empty.GetProperty(13, VT_I4, &value); }), E_POINTER);
}

TEST_F(AfxDispTest, MismatchedParameterListFailsBeforeAnyCall) {
  object_->On(21, DISPATCH_METHOD);
  auto messageOf = [](auto call) -> std::string {
    try {
      call();
    } catch (const std::logic_error& error) {
      return error.what();
    }
    return "no std::logic_error";
  };
  EXPECT_THAT(messageOf([&] { driver_.InvokeHelper(21, DISPATCH_METHOD, VT_EMPTY, nullptr, VTS_I4, 1, 2); }),
              AllOf(HasSubstr("dispatch id 21"), HasSubstr("2 arguments"), HasSubstr("has 1")));
  EXPECT_THAT(messageOf([&] {
                driver_.InvokeHelper(21, DISPATCH_METHOD, VT_EMPTY, nullptr, VTS_BSTR VTS_I4, L"a", short{1});
              }),
              AllOf(HasSubstr("dispatch id 21"), HasSubstr("argument 2"), HasSubstr("VTS_I2"), HasSubstr("VTS_I4")));
  EXPECT_THAT(messageOf([&] { driver_.InvokeHelper(21, DISPATCH_METHOD, VT_EMPTY, nullptr, VTS_I2, 1); }),
              AllOf(HasSubstr("argument 1"), HasSubstr("VTS_I4 (int32_t)"), HasSubstr("expects VTS_I2")));
  EXPECT_THAT(messageOf([&] { driver_.InvokeHelper(21, DISPATCH_METHOD, VT_EMPTY, nullptr, "\x07", 1.0); }),
              HasSubstr("unknown type byte 0x07"));
  EXPECT_TRUE(object_->calls.empty());
}

TEST_F(AfxDispTest, CreateDispatchByProgIdAndReleaseOnDestruction) {
  ScriptedDispatch* shared = ScriptedDispatch::Create();
  shared->On(1, DISPATCH_PROPERTYGET).Returns(std::int32_t{5});
  OLE_RegisterProgID(L"AfxDispTest.Shared", ScriptedDispatch::SharedFactory(shared));
  shared->Release();  // the registration keeps it alive

  COleException error;
  COleDispatchDriver driver;
  EXPECT_FALSE(driver.CreateDispatch(L"AfxDispTest.Shared", &error));
  EXPECT_EQ(error.m_sc, CO_E_NOTINITIALIZED);
  CoInitialize(nullptr);
  EXPECT_FALSE(driver.CreateDispatch(L"AfxDispTest.Missing", &error));
  EXPECT_EQ(error.m_sc, REGDB_E_CLASSNOTREG);
  EXPECT_EQ(driver.m_lpDispatch, nullptr);
  {
    COleDispatchDriver created;
    ASSERT_TRUE(created.CreateDispatch(L"AfxDispTest.Shared"));
    EXPECT_EQ(created.m_lpDispatch, shared);
    std::int32_t value = 0;
    created.GetProperty(1, VT_I4, &value);
    EXPECT_EQ(value, 5);
  }
  CoUninitialize();
  OLE_UnregisterProgID(L"AfxDispTest.Shared");  // drops the last reference, unless the driver kept one
}

TEST_F(AfxDispTest, AttachReleasesWhatItOwnedAndDetachHandsOver) {
  COleDispatchDriver driver(ScriptedDispatch::Create());
  driver.AttachDispatch(ScriptedDispatch::Create());  // the first one is released
  IDispatch* detached = driver.DetachDispatch();
  EXPECT_EQ(driver.m_lpDispatch, nullptr);
  driver.ReleaseDispatch();
  detached->Release();  // still alive: the driver gave up its reference
}

}  // namespace
