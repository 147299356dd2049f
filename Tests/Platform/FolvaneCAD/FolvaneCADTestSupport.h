// Test support for the CAD stand-in: a fixture that creates its controls by
// ProgID through the dispatch driver and checks that no automation string
// or object outlives a test, a few typed calls, and an example design.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AfxDisp.h"
#include "Components/FolvaneCADRegistration.h"
#include "TempFolder.h"

// Dispatch ids of the conventional main control used by the tests.
namespace conventional {
constexpr DISPID kOpen = 2, kReadNumber = 6, kReadText = 7, kSetLayer = 8, kClose = 11, kExpressionError = 12,
                 kBoardCode = 20, kIndustry = 21, kUnit = 25, kSetUnit = 26, kErrorText = 31, kSetBoard = 38,
                 kSetNumber = 36, kSetText = 34, kSave = 41, kAddText = 44, kAddNumber = 45, kPrepareDesign = 48,
                 kCreatePrintItems = 49, kDesignRecord = 52, kSelectPrintItem = 57, kExportImage = 61,
                 kRunCommand = 64, kGetText = 69, kGetNumber = 70, kPrintItemCount = 76, kPrintItemName = 77,
                 kLayoutObject = 87, kEvalText = 88, kEvalNumber = 89, kThumbnail = 90, kRemovePrintItem = 99,
                 kDeletePrintItem = 100, kCheckPrintItem = 103, kDefaults = 116, kSetBoardAndDescription = 117,
                 kBoardDescription = 118, kDocumentXml = 120;
}  // namespace conventional

inline std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

class FolvaneCADTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("FOLVANECAD_SCENARIO");  // the tests that want a scenario set it themselves
    FolvaneCAD_Install();
    CoInitialize(nullptr);
    strings_ = OLE_LiveStringCount();
    objects_ = OLE_TDispatchBase::LiveObjectCount();
  }

  void TearDown() override {
    drivers_.clear();
    EXPECT_EQ(OLE_LiveStringCount(), strings_) << "automation strings leaked";
    EXPECT_EQ(OLE_TDispatchBase::LiveObjectCount(), objects_) << "automation objects outlived the test";
    CoUninitialize();
  }

  COleDispatchDriver& Create(const wchar_t* progId) {
    drivers_.push_back(std::make_unique<COleDispatchDriver>());
    EXPECT_TRUE(drivers_.back()->CreateDispatch(progId));
    return *drivers_.back();
  }

  template <class... Args>
  static short Status(COleDispatchDriver& driver, DISPID id, const char* parameters, Args... args) {
    short status = -1;
    driver.InvokeHelper(id, DISPATCH_METHOD, VT_I2, &status, parameters, args...);
    return status;
  }

  template <class... Args>
  static std::wstring Text(COleDispatchDriver& driver, DISPID id, const char* parameters, Args... args) {
    CString text;
    driver.InvokeHelper(id, DISPATCH_METHOD, VT_BSTR, &text, parameters, args...);
    return text.GetString();
  }

  template <class... Args>
  static double Number(COleDispatchDriver& driver, DISPID id, const char* parameters, Args... args) {
    double number = 0;
    driver.InvokeHelper(id, DISPATCH_METHOD, VT_R8, &number, parameters, args...);
    return number;
  }

  // A method with one out-text parameter, the way the program calls it.
  static std::wstring OutText(COleDispatchDriver& driver, DISPID id, short* status = nullptr) {
    BSTR text = SysAllocString(L"");
    short result = Status(driver, id, VTS_PBSTR, &text);
    std::wstring copy = text;
    SysFreeString(text);
    if (status != nullptr) *status = result;
    return copy;
  }

  // The result code of a call that the driver reports as failed; S_OK when
  // it did not fail.
  template <class Call>
  static SCODE CodeOf(Call call) {
    try {
      call();
    } catch (COleException* e) {
      SCODE code = e->m_sc;
      e->Delete();
      return code;
    }
    return S_OK;
  }

  TempFolder folder_;

 private:
  std::vector<std::unique_ptr<COleDispatchDriver>> drivers_;
  long strings_ = 0;
  long objects_ = 0;
};

// A small carton: four variables, three layers, two print items, outline.
inline const char* kCartonDesign = R"(<?xml version="1.0" encoding="UTF-8"?>
<Design name="carton" industry="2" unit="mm" boardCode="FBB-300" grain="1" note="kept attribute">
  <Variable name="L" type="numeric" value="60"/>
  <Variable name="W" type="numeric" value="40.5"/>
  <Variable name="CUSTOMER$" type="text" value="Acme &amp; Sons"/>
  <Variable name="CODE$" type="text" value="0042"/>
  <Layer name="Cut" on="1"/>
  <Layer name="Crease" on="1"/>
  <Layer name="Print" on="0"/>
  <PrintItem name="Front" layers="1,3"/>
  <PrintItem name="Back" layers="2" ups="2"/>
  <Line x1="0" y1="0" x2="100" y2="0" layer="1"/>
  <Line x1="100" y1="0" x2="100" y2="50" layer="1"/>
  <Line x1="100" y1="50" x2="0" y2="50" layer="2"/>
  <Line x1="0" y1="50" x2="0" y2="0"/>
  <History>kept element</History>
</Design>
)";
