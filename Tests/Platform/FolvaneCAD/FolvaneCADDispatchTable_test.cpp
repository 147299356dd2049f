// The dispatch-table mechanism that every stand-in object shares: finding a
// call's row by flavour, dispatch id and kind, and the guarded Invoke that
// checks the arguments against the row before the object's code runs.
#include <stdexcept>

#include "Automation/FolvaneCADStandInObject.h"
#include "FolvaneCADTestSupport.h"

namespace {

using namespace FolvaneCAD;

enum class Probe { kEcho, kValue, kSetValue, kLater, kBoom };

// The same id reaches different operations on the two flavours, and one id
// holds a property get and a property put.
const DispatchTable& ProbeTable() {
  static const DispatchTable table("Probe", {
    Row(Probe::kEcho, "Echo", kMethod, 5, 9, "si", "sil", Result::kStatus),
    Row(Probe::kValue, "Value", kPropertyGet, 6, kAbsent, "", "", Result::kCount),
    Row(Probe::kSetValue, "SetValue", kPropertyPut, 6, kAbsent, "l", "", Result::kNothing),
    Row(Probe::kLater, "Later", kMethod, kAbsent, 5, "", "", Result::kStatus),
    Row(Probe::kBoom, "Boom", kMethodOrGet, 7, 7, "", "", Result::kText),
  });
  return table;
}

// Records what reached its own code.
class ProbeObject : public StandInObject {
 public:
  explicit ProbeObject(Flavour flavour) : StandInObject(ProbeTable(), flavour) {}

  int calls = 0;
  QK_TString lastText;
  long value = 0;

 protected:
  Answer Perform(const DispatchRow& row, const Arguments& args) override {
    ++calls;
    switch (static_cast<Probe>(row.operation)) {
      case Probe::kEcho: lastText = args.Text(0); return Answer::Status(static_cast<short>(args.Integer(1)));
      case Probe::kValue: return Answer::Count(value);
      case Probe::kSetValue: value = args.Integer(0); return Answer::None();
      case Probe::kLater: return Answer::Status(42);
      case Probe::kBoom: throw std::runtime_error("probe exploded");
    }
    return Answer::None();
  }
};

class DispatchTableTest : public FolvaneCADTest {
 protected:
  // A driver holding a new probe; `probe` stays usable while it lives.
  COleDispatchDriver& Attach(Flavour flavour, ProbeObject** probe) {
    *probe = new ProbeObject(flavour);
    drivers_.push_back(std::make_unique<COleDispatchDriver>(*probe, TRUE));
    return *drivers_.back();
  }

  void TearDown() override {
    drivers_.clear();
    FolvaneCADTest::TearDown();
  }

 private:
  std::vector<std::unique_ptr<COleDispatchDriver>> drivers_;
};

TEST(DispatchTableLookUpTest, FindsRowsByFlavourIdAndKind) {
  const DispatchTable& table = ProbeTable();
  EXPECT_EQ(table.Find(Flavour::kConventional, 5, DISPATCH_METHOD)->name, std::string("Echo"));
  EXPECT_EQ(table.Find(Flavour::kEnterprise, 9, DISPATCH_METHOD)->name, std::string("Echo"));
  EXPECT_EQ(table.Find(Flavour::kEnterprise, 5, DISPATCH_METHOD)->name, std::string("Later"));
  EXPECT_EQ(table.Find(Flavour::kConventional, 9, DISPATCH_METHOD), nullptr);
  EXPECT_EQ(table.Find(Flavour::kEnterprise, kAbsent, DISPATCH_METHOD), nullptr) << "absent is no id";

  EXPECT_EQ(table.Find(Flavour::kConventional, 6, DISPATCH_PROPERTYGET)->name, std::string("Value"));
  EXPECT_EQ(table.Find(Flavour::kConventional, 6, DISPATCH_PROPERTYPUT)->name, std::string("SetValue"));
  EXPECT_EQ(table.Find(Flavour::kConventional, 6, DISPATCH_METHOD), nullptr);
  EXPECT_EQ(table.Find(Flavour::kConventional, 5, DISPATCH_PROPERTYGET), nullptr);
  EXPECT_NE(table.Find(Flavour::kConventional, 7, DISPATCH_PROPERTYGET), nullptr) << "a method also read";
  EXPECT_NE(table.Find(Flavour::kConventional, 5, DISPATCH_METHOD | DISPATCH_PROPERTYGET), nullptr);

  EXPECT_EQ(table.FindByName("sETvALUE")->operation, static_cast<int>(Probe::kSetValue));
  EXPECT_EQ(table.FindByName("Missing"), nullptr);
}

TEST_F(DispatchTableTest, ArgumentsAreCheckedAgainstTheRowOfTheFlavour) {
  ProbeObject* conventional = nullptr;
  COleDispatchDriver& first = Attach(Flavour::kConventional, &conventional);
  EXPECT_EQ(Status(first, 5, VTS_BSTR VTS_I2, L"hello", short(3)), 3);
  EXPECT_EQ(conventional->lastText, QK_TString("hello"));
  EXPECT_EQ(Status(first, 5, VTS_BSTR VTS_I4, L"wide", std::int32_t{4}), 4) << "a number from any integer type";
  EXPECT_EQ(CodeOf([&] { Status(first, 5, VTS_BSTR, L"short"); }), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CodeOf([&] { Status(first, 5, VTS_I2 VTS_I2, short(1), short(2)); }), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CodeOf([&] { Status(first, 5, VTS_BSTR VTS_I4, L"big", std::int32_t{70000}); }),
            DISP_E_TYPEMISMATCH)
      << "a 16-bit parameter takes no larger number";
  EXPECT_EQ(conventional->calls, 2) << "refused calls never reach the object";

  ProbeObject* enterprise = nullptr;
  COleDispatchDriver& second = Attach(Flavour::kEnterprise, &enterprise);
  EXPECT_EQ(CodeOf([&] { Status(second, 9, VTS_BSTR VTS_I2, L"x", short(1)); }), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Status(second, 9, VTS_BSTR VTS_I2 VTS_I4, L"x", short(1), std::int32_t{0}), 1);
  EXPECT_EQ(Status(second, 5, VTS_NONE), 42);
  EXPECT_EQ(enterprise->calls, 2);
}

TEST_F(DispatchTableTest, PropertiesUnknownIdsAndEscapingExceptions) {
  ProbeObject* probe = nullptr;
  COleDispatchDriver& driver = Attach(Flavour::kConventional, &probe);
  driver.SetProperty(6, VT_I4, std::int32_t{17});
  EXPECT_EQ(probe->value, 17);
  std::int32_t value = 0;
  driver.GetProperty(6, VT_I4, &value);
  EXPECT_EQ(value, 17);

  EXPECT_EQ(CodeOf([&] { Status(driver, 99, VTS_NONE); }), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(CodeOf([&] { Status(driver, 6, VTS_NONE); }), DISP_E_MEMBERNOTFOUND) << "6 is a property";
  try {
    Text(driver, 7, VTS_NONE);
    ADD_FAILURE() << "the exception did not become an automation error";
  } catch (COleDispatchException* e) {
    EXPECT_EQ(std::wstring(e->m_strDescription.GetString()), L"Internal error of the CAD stand-in: probe exploded");
    e->Delete();
  }
}

}  // namespace
