// Scenario files: lines that name the object whose operation they force (a
// bare name meaning the main control), lines that cannot be used, and forced
// answers of the objects besides the main control.
#include <sstream>

#include "Automation/FolvaneCADScenario.h"
#include "Components/FolvaneCADDatabaseObjects.h"
#include "Components/FolvaneCADMainControlTable.h"
#include "Components/FolvaneCADStandardComponent.h"
#include "FolvaneCADTestSupport.h"

namespace {

using namespace FolvaneCAD;

class ScenarioTest : public FolvaneCADTest {
 protected:
  void TearDown() override {
    unsetenv("FOLVANECAD_SCENARIO");
    FolvaneCADTest::TearDown();
  }

  Scenario Read(const std::string& content) {
    std::string path = folder_.Write("scenario.txt", content);
    return Scenario::Read(QK_TString(path), warnings_, ScenarioTables());
  }

  // Objects created after this read the scenario.
  void Force(const std::string& content) {
    setenv("FOLVANECAD_SCENARIO", folder_.Write("scenario.txt", content).c_str(), 1);
  }

  std::ostringstream warnings_;
};

const DispatchRow& RowOf(const DispatchTable& table, const char* name) { return *table.FindByName(name); }

TEST_F(ScenarioTest, LinesNameTheObjectAndBareNamesMeanTheMainControl) {
  Scenario scenario = Read("# forced answers\n"
                           "\n"
                           "SaveDesign status=1 error=Saved with remarks\n"
                           "Standard.Login status=2 error=Refused by the standards server\n"
                           "connection.LOGIN status=3\n"
                           "Control.OpenDesign status=7\n");
  EXPECT_EQ(warnings_.str(), "");

  const ForcedAnswer* save = scenario.Find(RowOf(MainControlTable(), "SaveDesign"));
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(save->status, 1);
  EXPECT_EQ(save->error, QK_TString("Saved with remarks"));
  EXPECT_EQ(scenario.Find(RowOf(StandardComponentTable(), "SaveStandard")), nullptr)
      << "a bare name is the main control's, not another object's operation";

  const ForcedAnswer* login = scenario.Find(RowOf(StandardComponentTable(), "Login"));
  ASSERT_NE(login, nullptr);
  EXPECT_EQ(login->status, 2);
  EXPECT_EQ(login->error, QK_TString("Refused by the standards server"));
  EXPECT_EQ(scenario.Find(RowOf(MainControlTable(), "Login")), nullptr);

  const ForcedAnswer* connect = scenario.Find(RowOf(ConnectionTable(), "Login"));
  ASSERT_NE(connect, nullptr);
  EXPECT_EQ(connect->status, 3);
  EXPECT_FALSE(connect->hasError);
  EXPECT_NE(scenario.Find(RowOf(MainControlTable(), "OpenDesign")), nullptr);
}

TEST_F(ScenarioTest, LinesThatCannotBeUsedAreReportedAndSkipped) {
  Scenario scenario = Read("Sheet.SetSheetSize status=2\n"
                           "Control.PrintItemCount status=2\n"
                           "ErrorText status=2\n"
                           "Standard.ErrorText status=2\n"
                           "OpenDesign stat=1\n"
                           "Company.Search status=99999\n"
                           "Person.Search status=2\n");
  std::string path = folder_.File("scenario.txt");
  EXPECT_EQ(warnings_.str(),
            "FolvaneCAD: scenario file " + path + " line 1: \"Sheet\" is not an object of the stand-in with a "
            "dispatch table\n"
            "FolvaneCAD: scenario file " + path + " line 2: \"Control.PrintItemCount\" is not an operation that "
            "answers a status\n"
            "FolvaneCAD: scenario file " + path + " line 3: \"ErrorText\" is not an operation that answers a status\n"
            "FolvaneCAD: scenario file " + path + " line 4: \"Standard.ErrorText\" is not an operation that answers "
            "a status\n"
            "FolvaneCAD: scenario file " + path + " line 5: expected \"OpenDesign status=N error=text\"\n"
            "FolvaneCAD: scenario file " + path + " line 6: expected \"Company.Search status=N error=text\"\n");
  EXPECT_EQ(scenario.Find(RowOf(MainControlTable(), "OpenDesign")), nullptr);
  EXPECT_EQ(scenario.Find(RowOf(CompanyTable(), "Search")), nullptr);
  ASSERT_NE(scenario.Find(RowOf(PersonTable(), "Search")), nullptr) << "the line after bad ones is read";
}

TEST_F(ScenarioTest, FirstArgumentLinesWinAndTextsAreForcedWhereAnOperationHandsOneOut) {
  Scenario scenario = Read("Standard.ConditionCheck status=2 error=every menu\n"
                           "Standard.ConditionCheck first=3 status=3 error=menu three\n"
                           "Standard.ConditionCheck menu=4 status=4\n"
                           "Control.OpenDesign status=5 first=box.kpx\n"
                           "Version text=19.5.0 error=kept\n"
                           "OpenDesign text=19.5.0\n"
                           "Standard.Plot menu=two status=2\n");
  std::string path = folder_.File("scenario.txt");
  EXPECT_EQ(warnings_.str(),
            "FolvaneCAD: scenario file " + path + " line 6: \"OpenDesign\" hands out no text that text= could force\n"
            "FolvaneCAD: scenario file " + path + " line 7: expected \"Standard.Plot status=N error=text\"\n");
  const DispatchRow& check = RowOf(StandardComponentTable(), "ConditionCheck");
  auto number = [](double value) { return FirstArgument{false, value, QK_TString()}; };
  EXPECT_EQ(scenario.Find(check, number(3.0))->status, 3);
  EXPECT_EQ(scenario.Find(check, number(4))->status, 4);
  EXPECT_EQ(scenario.Find(check, number(5))->status, 2);
  EXPECT_EQ(scenario.Find(check)->error, QK_TString("every menu"));
  const DispatchRow& open = RowOf(MainControlTable(), "OpenDesign");
  EXPECT_EQ(scenario.Find(open, FirstArgument{true, 0, "box.kpx"})->status, 5);
  EXPECT_EQ(scenario.Find(open, FirstArgument{true, 0, "BOX.kpx"}), nullptr) << "texts compare exactly";
  const ForcedAnswer* version = scenario.Find(RowOf(MainControlTable(), "Version"));
  ASSERT_NE(version, nullptr);
  EXPECT_FALSE(version->hasStatus);
  EXPECT_FALSE(version->Fails());
  EXPECT_EQ(version->text, QK_TString("19.5.0"));
  EXPECT_EQ(version->error, QK_TString("kept"));
}

TEST_F(ScenarioTest, ForcedRemarkOfTheStandardsLoginAfterItSucceeded) {
  Force("Standard.Login status=1 error=Seat limit reached\n");
  std::filesystem::create_directory(folder_.File("server"));
  COleDispatchDriver& standard = Create(L"FolvaneCAD-X.EDravoStandard.1");
  COleDispatchDriver& control = Create(L"FolvaneCAD-X.EDravoCtrl.1");
  std::wstring location = Wide(folder_.File("server"));
  const char* login = VTS_BSTR VTS_BSTR VTS_BSTR VTS_I2 VTS_I2;
  EXPECT_EQ(Status(standard, 1, login, location.c_str(), L"anna", L"x", short(0), short(0)), 1);
  EXPECT_EQ(Text(standard, 8, VTS_NONE), L"Seat limit reached");
  EXPECT_EQ(Status(control, 1, login, location.c_str(), L"anna", L"x", short(0), short(0)), 0)
      << "the main control's login is not the standards component's";
  EXPECT_EQ(OutText(control, 25), L"");
}

TEST_F(ScenarioTest, ForcedFailureOfTheStandardsLoginIsNotCarriedOut) {
  Force("Standard.Login status=2\n");
  std::filesystem::create_directory(folder_.File("server"));
  COleDispatchDriver& standard = Create(L"FolvaneCAD-X.EDravoStandard.1");
  std::wstring nowhere = Wide(folder_.File("nowhere"));
  EXPECT_EQ(Status(standard, 1, VTS_BSTR VTS_BSTR VTS_BSTR VTS_I2 VTS_I2, nowhere.c_str(), L"anna", L"x", short(0),
                   short(0)),
            2);
  EXPECT_EQ(Text(standard, 8, VTS_NONE), L"Forced failure of Login") << "not the refusal of the missing folder";
}

TEST_F(ScenarioTest, DatabaseObjectsAndTheDesignRecordCanBeForced) {
  Force("Connection.Login status=2 error=Driver busy\n"
        "Person.Search status=6\n"
        "DesignRecord.SetOwner status=7 error=Record locked\n");
  COleDispatchDriver& connection = Create(L"Quillmarsh.Connection.1");
  std::int32_t connected = -1;
  connection.InvokeHelper(1, DISPATCH_METHOD, VT_I4, &connected, VTS_BSTR VTS_BSTR VTS_BSTR, L"any", L"", L"");
  EXPECT_EQ(connected, 2);

  COleDispatchDriver& company = Create(L"Quillmarsh.Customer.1");
  company.SetProperty(24, VT_DISPATCH, connection.m_lpDispatch);
  EXPECT_EQ(Status(company, 17, VTS_I2, short(0)), 2) << "no usable connection: the forced login connected nothing";
  COleDispatchDriver& person = Create(L"Quillmarsh.personobject.1");
  std::int32_t found = -1;
  person.InvokeHelper(1, DISPATCH_METHOD, VT_I4, &found, VTS_I4, std::int32_t{0});
  EXPECT_EQ(found, 6);

  COleDispatchDriver& cad = Create(L"FolvaneCAD-X.DravoCtrl.1");
  IDispatch* object = nullptr;
  cad.InvokeHelper(conventional::kDesignRecord, DISPATCH_METHOD, VT_DISPATCH, &object, VTS_NONE);
  ASSERT_NE(object, nullptr);
  COleDispatchDriver record(object, TRUE);
  short status = -1;
  record.InvokeHelper(3, DISPATCH_METHOD, VT_I2, &status, VTS_I4 VTS_I4, std::int32_t{7}, std::int32_t{-1});
  EXPECT_EQ(status, 7);
  EXPECT_EQ(OutText(cad, conventional::kErrorText), L"Record locked") << "the record's errors are the control's";
  record.InvokeHelper(1, DISPATCH_METHOD, VT_I2, &status, VTS_I4 VTS_I4, std::int32_t{7}, std::int32_t{-1});
  EXPECT_EQ(status, 2) << "the other methods run: no database connected";
  record.ReleaseDispatch();
}

}  // namespace
