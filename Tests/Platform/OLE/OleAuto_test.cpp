#include "OleAuto.h"

#include <cwchar>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace {

class PlainObject : public OLE_TDispatchBase {
 public:
  HRESULT Invoke(DISPID, WORD, VARIANT*, unsigned int, VARIANT*, EXCEPINFO*) override { return E_NOTIMPL; }
};

// Initialises the apartment of the current thread for one test.
struct Apartment {
  Apartment() { CoInitialize(nullptr); }
  ~Apartment() { CoUninitialize(); }
};

TEST(OleAutoTest, StringsKeepLengthAndAreCounted) {
  const long before = OLE_LiveStringCount();
  BSTR whole = SysAllocString(L"shape");
  BSTR part = SysAllocStringLen(L"a\0bcdef", 3);
  EXPECT_EQ(OLE_LiveStringCount(), before + 2);

  EXPECT_EQ(SysStringLen(whole), 5u);
  EXPECT_STREQ(whole, L"shape");
  EXPECT_EQ(SysStringLen(part), 3u);
  EXPECT_EQ(std::wstring(part, 4), std::wstring(L"a\0b\0", 4));

  SysFreeString(whole);
  SysFreeString(part);
  SysFreeString(nullptr);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(OLE_LiveStringCount(), before);
}

TEST(OleAutoTest, VariantCopyDuplicatesStringsAndClearFreesThem) {
  const long before = OLE_LiveStringCount();
  VARIANT original;
  VariantInit(&original);
  EXPECT_EQ(original.vt, VT_EMPTY);
  original.vt = VT_BSTR;
  original.bstrVal = SysAllocString(L"part.prt");

  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, &original), S_OK);
  EXPECT_EQ(copy.vt, VT_BSTR);
  EXPECT_NE(copy.bstrVal, original.bstrVal);
  EXPECT_STREQ(copy.bstrVal, L"part.prt");
  EXPECT_EQ(OLE_LiveStringCount(), before + 2);

  // A string passed by reference belongs to someone else.
  VARIANT reference;
  reference.vt = VT_BYREF | VT_BSTR;
  reference.pbstrVal = &original.bstrVal;
  VariantClear(&reference);
  EXPECT_EQ(reference.vt, VT_EMPTY);
  EXPECT_EQ(OLE_LiveStringCount(), before + 2);

  VariantClear(&copy);
  VariantClear(&original);
  EXPECT_EQ(copy.vt, VT_EMPTY);
  EXPECT_EQ(OLE_LiveStringCount(), before);
}

TEST(OleAutoTest, ObjectsLiveUntilTheLastReferenceIsReleased) {
  const long before = OLE_TDispatchBase::LiveObjectCount();
  IDispatch* object = new PlainObject();
  EXPECT_EQ(OLE_TDispatchBase::LiveObjectCount(), before + 1);
  EXPECT_EQ(object->AddRef(), 2u);

  VARIANT held;
  held.vt = VT_DISPATCH;
  held.pdispVal = object;  // takes over the second reference
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, &held), S_OK);
  EXPECT_EQ(copy.pdispVal, object);

  VariantClear(&held);
  VariantClear(&copy);
  EXPECT_EQ(OLE_TDispatchBase::LiveObjectCount(), before + 1);
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_EQ(OLE_TDispatchBase::LiveObjectCount(), before);
}

TEST(OleAutoTest, ApartmentsAreCountedPerThread) {
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  EXPECT_EQ(OLE_ApartmentCount(), 2);

  int otherBefore = -1;
  HRESULT otherFirst = E_FAIL;
  std::thread other([&] {
    otherBefore = OLE_ApartmentCount();
    otherFirst = CoInitialize(nullptr);
    CoUninitialize();
  });
  other.join();
  EXPECT_EQ(otherBefore, 0);
  EXPECT_EQ(otherFirst, S_OK);
  EXPECT_EQ(OLE_ApartmentCount(), 2);

  CoUninitialize();
  CoUninitialize();
  CoUninitialize();  // one too many is ignored
  EXPECT_EQ(OLE_ApartmentCount(), 0);
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  CoUninitialize();
}

TEST(OleAutoTest, CreateObjectReportsEachFailure) {
  int made = 0;
  OLE_RegisterProgID(L"OleAutoTest.Plain", [&made]() -> IDispatch* {
    ++made;
    return new PlainObject();
  });
  OLE_RegisterProgID(L"OleAutoTest.Nothing", []() -> IDispatch* { return nullptr; });
  IDispatch* object = reinterpret_cast<IDispatch*>(&made);

  EXPECT_EQ(OLE_CreateObject(L"OleAutoTest.Plain", nullptr), E_POINTER);
  EXPECT_EQ(OLE_CreateObject(L"OleAutoTest.Plain", &object), CO_E_NOTINITIALIZED);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(made, 0);
  {
    Apartment apartment;
    EXPECT_EQ(OLE_CreateObject(L"OleAutoTest.Unknown", &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(OLE_CreateObject(L"OleAutoTest.Nothing", &object), E_FAIL);

    const long before = OLE_TDispatchBase::LiveObjectCount();
    ASSERT_EQ(OLE_CreateObject(L"OleAutoTest.Plain", &object), S_OK);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(OLE_TDispatchBase::LiveObjectCount(), before);

    OLE_UnregisterProgID(L"OleAutoTest.Plain");
    OLE_UnregisterProgID(L"OleAutoTest.Nothing");
    EXPECT_EQ(OLE_CreateObject(L"OleAutoTest.Plain", &object), REGDB_E_CLASSNOTREG);
  }
}

TEST(OleAutoTest, FormatMessageWritesSystemTextsThatFit) {
  wchar_t buffer[64];
  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(DISP_E_TYPEMISMATCH), 0,
                           buffer, 64, nullptr),
            16u);
  EXPECT_STREQ(buffer, L"Type mismatch.\r\n");

  const std::wstring notInitialised = L"CoInitialize has not been called.\r\n";
  const DWORD exact = static_cast<DWORD>(notInitialised.size() + 1);
  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(CO_E_NOTINITIALIZED), 0,
                           buffer, exact, nullptr),
            notInitialised.size());
  EXPECT_EQ(buffer, notInitialised);

  std::wmemset(buffer, L'#', 64);
  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(CO_E_NOTINITIALIZED), 0,
                           buffer, exact - 1, nullptr),
            0u);
  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0x80001234u, 0, buffer, 64, nullptr), 0u);
  EXPECT_EQ(FormatMessageW(0x00000100, nullptr, static_cast<DWORD>(E_FAIL), 0, buffer, 64, nullptr), 0u);
  EXPECT_EQ(std::wstring(buffer, 64), std::wstring(64, L'#'));
}

}  // namespace
