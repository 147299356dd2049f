// The run of a parametric standard (menus walked from the second, ticket
// variables put into the matching items, checks judged) and its document
// plots (one image per menu, or per item of a whole-number menu).
#include "DravoDriverFixture.h"

namespace {

struct Item {
  const wchar_t* name;
  const wchar_t* defaultText;
};

struct Menu {
  short kind;
  const wchar_t* title;
  std::vector<Item> items;
};

CAD::VariableList Variables(std::vector<std::pair<const char*, const char*>> values) {
  CAD::VariableList variables;
  for (const auto& [name, value] : values) {
    auto variable = std::make_shared<CAD::Variable>();
    variable->Name = name;
    variable->Value = value;
    variables.push_back(variable);
  }
  return variables;
}

class StandardsTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    Start();
  }

  // The standards component's method `conventional` (one higher in the
  // enterprise component) as journaled.
  std::string S(DISPID conventional, const std::string& arguments) const {
    return "standards method " + std::to_string(conventional + (Enterprise() ? 1 : 0)) + " (" + arguments + ")";
  }

  // The component offers `count` menus and hands out `menus` in turn, the
  // first numbered `first`; every check answers 0.
  void Script(short count, const std::vector<Menu>& menus, int first) {
    TestObject& standards = *cad->standards;
    standards.On(Id(2)).Returns(count);
    for (DISPID check : {5, 6, 8, 9, 4}) standards.On(Id(check)).Returns(short{0});
    for (std::size_t m = 0; m < menus.size(); ++m) {
      const std::string name = "menu" + std::to_string(first + m);
      TestObject* menu = cad->Add(name);
      standards.Next(Id(3)).Returns(menu);
      menu->On(4).Returns(menus[m].kind);
      menu->On(5).Returns(menus[m].title);
      menu->On(6).Returns(static_cast<short>(menus[m].items.size()));
      menu->On(2, DISPATCH_PROPERTYPUT);
      menu->On(1, DISPATCH_PROPERTYPUT);
      for (std::size_t i = 0; i < menus[m].items.size(); ++i) {
        TestObject* item = cad->Add("item" + std::to_string(first + m) + "." + std::to_string(i + 1));
        menu->Next(10).Returns(item);
        item->On(4).Returns(menus[m].items[i].name);
        item->On(1, DISPATCH_PROPERTYPUT);
        item->On(2, DISPATCH_PROPERTYGET).Returns(menus[m].items[i].defaultText);
      }
    }
    cad->journal->clear();
    sink.events.clear();
  }

  // A fresh application and driver for the next case of a loop, once this
  // case is checked for anything left behind.
  void NextCase() {
    Restart();
    Start();
    plots.clear();
  }

  DISPID Id(DISPID conventional) const { return conventional + (Enterprise() ? 1 : 0); }

  std::string Run(const CAD::VariableList& variables) {
    return Outcome([&] { return std::to_string(driver->RunStandard(variables)); });
  }

  std::string Plot(const char* design) {
    return Outcome([&] {
      return std::to_string(
          driver->GenerateDocPlots(design, QK_TURL::FromLocalPath("/plots/"), plots, 640, 480, CAD::DeliveredLocations()));
    });
  }

  // The journaled plot call of one image.
  std::string PlotCall(int menu, int item, const std::string& file) const {
    return S(4, "VT_I2 " + std::to_string(menu) + ", VT_I2 " + std::to_string(item) + ", VT_BSTR /plots/" + file +
                    ", VT_I2 1, VT_I2 640, VT_I2 480");
  }

  CAD::PlotList plots;
};

// RunStandard

TEST_P(StandardsTest, RunPutsEachVariableIntoItsItemAndStopsOnceAllAreApplied) {
  Script(4, {{2, L"Sizes", {{L"Width", L"1"}, {L"Depth", L"5"}}}, {3, L"Flaps", {{L"Flaps", L""}}}}, 2);
  const CAD::VariableList variables = Variables({{"WIDTH", "300"}, {"Flaps", "12.7"}});

  EXPECT_EQ(Run(variables), "0");
  EXPECT_EQ(*cad->journal, (Journal{
                               S(2, ""),
                               S(3, "VT_I2 2, VT_I2 1"),
                               "menu2 method 4 ()",
                               "menu2 put 2 (VT_I2 1)",
                               "menu2 put 1 (VT_I2 1)",
                               "menu2 method 6 ()",
                               "menu2 method 10 (VT_I2 1)",
                               "item2.1 method 4 ()",
                               "item2.1 put 1 (VT_BSTR 300)",  // the name matches ignoring case
                               "item2.1 Release",
                               "menu2 method 10 (VT_I2 2)",
                               "item2.2 method 4 ()",
                               "item2.2 get 2 ()",  // no variable: the default goes back in
                               "item2.2 put 1 (VT_BSTR 5)",
                               "item2.2 Release",
                               S(5, "VT_I2 2"),
                               S(6, "VT_I2 2"),
                               "menu2 Release",
                               S(3, "VT_I2 3, VT_I2 2"),
                               "menu3 method 4 ()",
                               "menu3 method 6 ()",
                               "menu3 method 10 (VT_I2 1)",
                               "item3.1 method 4 ()",
                               "item3.1 put 1 (VT_I2 12)",
                               "item3.1 Release",
                               S(5, "VT_I2 3"),
                               S(6, "VT_I2 3"),
                               "menu3 Release",
                               S(8, "VT_I2 3"),  // menu 4 is not visited: nothing is left to apply
                               S(9, ""),
                           }));
  EXPECT_EQ(sink.events, Journal{});
  EXPECT_EQ(variables.size(), 2u);
}

TEST_P(StandardsTest, RunWithoutVariablesVisitsNoMenu) {
  Script(3, {}, 2);
  EXPECT_EQ(Run({}), "0");
  EXPECT_EQ(*cad->journal, (Journal{S(2, ""), S(8, "VT_I2 1"), S(9, "")}));
}

TEST_P(StandardsTest, VariablesThatNoVisitedItemNamesAreWarnings) {
  for (short count : {0, 1, 2}) {
    SCOPED_TRACE(count);
    Script(count, {{2, L"Sizes", {{L"Width", L"1"}}}}, 2);
    CAD::VariableList variables = Variables({{"Width", "10"}, {"Color", "red"}});
    variables.insert(variables.begin(), nullptr);  // skipped
    EXPECT_EQ(Run(variables), "1");
    std::vector<std::string> warnings = {"message 1 shapejobs.message.variablenotexist Color,red"};
    if (count < 2) warnings.insert(warnings.begin(), "message 1 shapejobs.message.variablenotexist Width,10");
    EXPECT_EQ(sink.events, Reported(warnings));
    EXPECT_EQ(cad->Lines("standards").back(), S(9, ""));
    NextCase();
  }
}

TEST_P(StandardsTest, WholeNumberItemsTakeTheLeadingNumberOfTheValue) {
  for (const auto& [value, put] : std::vector<std::pair<const char*, const char*>>{
           {"12.7", "VT_I2 12"}, {"abc", "VT_I2 0"}, {"-3 mm", "VT_I2 -3"}}) {
    SCOPED_TRACE(value);
    Script(2, {{3, L"Flaps", {{L"Flaps", L""}}}}, 2);
    EXPECT_EQ(Run(Variables({{"Flaps", value}})), "0");
    EXPECT_EQ(cad->Lines("item2.1 put"), Journal{std::string("item2.1 put 1 (") + put + ")"});
    NextCase();
  }
}

TEST_P(StandardsTest, AWholeNumberBeyondSixteenBitsIsRefusedNotCut) {
  const std::string failure = Enterprise() ? "Runstandard failed." : "Runstandard failed";
  for (const char* value : {"32768", "-32769", "70000"}) {
    SCOPED_TRACE(value);
    Script(2, {{3, L"Flaps", {{L"Flaps", L""}}}}, 2);
    const std::string text = std::string("Flaps,") + value;
    EXPECT_EQ(Run(Variables({{"Flaps", value}})), "DravoError: " + failure + " [" + text + "]");
    EXPECT_EQ(cad->Lines("item2.1 put"), Journal{}) << "no value reaches the item";
    EXPECT_EQ(sink.events, Reported({"message 2 shapejobs.message.variableerror " + text}));
    NextCase();
  }
  for (const char* value : {"32767", "-32768"}) {
    Script(2, {{3, L"Flaps", {{L"Flaps", L""}}}}, 2);
    EXPECT_EQ(Run(Variables({{"Flaps", value}})), "0") << value;
    EXPECT_EQ(cad->Lines("item2.1 put"), Journal{std::string("item2.1 put 1 (VT_I2 ") + value + ")"});
    NextCase();
  }
}

TEST_P(StandardsTest, AVariableListedTwiceIsAppliedOnce) {
  Script(3, {{2, L"Sizes", {{L"L", L""}}}, {2, L"More", {{L"L", L""}}}}, 2);
  EXPECT_EQ(Run(Variables({{"L", "10"}, {"L", "20"}})), "0");
  EXPECT_EQ(cad->Lines("item"), (Journal{"item2.1 method 4 ()", "item2.1 put 1 (VT_BSTR 10)", "item2.1 Release"}));
  EXPECT_EQ(sink.events, Journal{});
}

TEST_P(StandardsTest, ChecksDecideBetweenGoingOnWarningAndFailing) {
  struct Case {
    const char* name;
    DISPID check;  // conventional id of the check that answers `status`
    short status;
    std::string outcome;
    std::vector<std::string> messages;
  };
  const std::string valueFailure = Enterprise() ? "Runstandard failed." : "Runstandard failed";
  const std::vector<Case> cases = {
      {"value check 1", 5, 1, "0", {}},
      {"value check 3",
       5,
       3,
       "DravoError: " + valueFailure + " [std error]",
       {"message 2 shapejobs.message.variableerror std error"}},
      {"condition check 2", 6, 2, "1", {"message 1 shapejobs.message.checkconditionviolated std error"}},
      {"condition check 1",
       6,
       1,
       "DravoError: Runstandard failed [std error]",
       {"message 2 shapejobs.message.checkconditionviolated std error"}},
      {"finish 2", 8, 2, "1", {"message 1 shapejobs.message.runopenstandardfailed std error"}},
      {"finish 3",
       8,
       3,
       "DravoError: Runstandard failed. [std error]",
       {"message 2 shapejobs.message.runopenstandardfailed std error"}},
      {"final check 1",
       9,
       1,
       "DravoError: Runstandard failed. [std error]",
       {"message 2 shapejobs.message.runopenstandardfailed std error"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Script(2, {{2, L"Sizes", {{L"Width", L"1"}}}}, 2);
    cad->standards->On(Id(c.check)).Returns(c.status);
    EXPECT_EQ(Run(Variables({{"Width", "10"}})), c.outcome);
    EXPECT_EQ(sink.events, Reported(c.messages));
    NextCase();
  }
}

TEST_P(StandardsTest, AutomationFailureInsideTheWalkBecomesTheRunFailure) {
  Script(2, {{2, L"Sizes", {{L"Width", L"1"}}}}, 2);
  cad->Object("item2.1").On(1, DISPATCH_PROPERTYPUT).Raises(1, L"Std", L"read only");
  EXPECT_EQ(Run(Variables({{"Width", "10"}})), "DravoRuntimeException: Failed Run Open Standard [Std - read only]");
  // TearDown checks that the menu and item objects were given back.
}

// GenerateDocPlots

TEST_P(StandardsTest, NoMenusMakeNoPlots) {
  Script(0, {}, 1);
  plots.emplace_back("earlier", "file:///earlier.JPG");
  EXPECT_EQ(Plot("box.kpx"), "0");
  EXPECT_EQ(*cad->journal, Journal{S(2, "")});
  EXPECT_EQ(plots.size(), 1u);
}

TEST_P(StandardsTest, PlotsOneImagePerMenuAndOnePerItemOfAWholeNumberMenu) {
  Script(2, {{2, L"Top View", {{L"a", L""}, {L"b", L""}}}, {3, L"Side View", {{L"c", L""}, {L"d", L""}}}}, 1);
  EXPECT_EQ(Plot("box.kpx"), "0");
  EXPECT_EQ(cad->Lines("standards"), (Journal{
                                         S(2, ""),
                                         S(3, "VT_I2 1, VT_I2 0"),
                                         S(6, "VT_I2 1"),
                                         PlotCall(1, 2, "box_TopView.JPG"),  // the item count in the item's place
                                         S(3, "VT_I2 2, VT_I2 1"),
                                         S(6, "VT_I2 2"),
                                         PlotCall(2, 1, "box_SideView_1.JPG"),
                                         PlotCall(2, 2, "box_SideView_2.JPG"),
                                     }));
  EXPECT_EQ(cad->Lines("menu1"),
            (Journal{"menu1 method 5 ()", "menu1 method 4 ()", "menu1 method 6 ()", "menu1 Release"}));
  EXPECT_EQ(plots, (CAD::PlotList{{"TopView", "file:///plots/box_TopView.JPG"},
                                  {"SideView_1", "file:///plots/box_SideView_1.JPG"},
                                  {"SideView_2", "file:///plots/box_SideView_2.JPG"}}));
  EXPECT_EQ(sink.events, Journal{});
}

TEST_P(StandardsTest, FileNamesKeepTheDesignBaseAndLoseForbiddenCharacters) {
  Script(1, {{2, L"A/B: C", {}}}, 1);
  EXPECT_EQ(Plot("a.b.kpx"), "0");
  EXPECT_EQ(cad->Lines("standards").back(), PlotCall(1, 0, "a.b_A_B_C.JPG"));
  EXPECT_EQ(plots, (CAD::PlotList{{"A/B:C", "file:///plots/a.b_A_B_C.JPG"}}));
}

TEST_P(StandardsTest, FailedChecksAndPlotsAreWarningsAndTheWorkGoesOn) {
  struct Case {
    const char* name;
    Menu menu;
    short condition;
    std::vector<short> plotStatuses;
    std::string outcome;
    std::vector<std::string> plotNames;
    std::vector<std::string> messages;
  };
  const Menu text = {2, L"Top View", {{L"a", L""}}};
  const Menu numbers = {3, L"Top View", {{L"a", L""}, {L"b", L""}}};
  const std::vector<std::string> conditionWarning = {"message 2 shapejobs.warning.failedtosetmenudata TopView",
                                                     "message 2 shapejobs.warning.errormessage std error"};
  const std::vector<std::string> plotWarning = {"message 2 shapejobs.warning.failedtogeneratedocplot TopView",
                                                "message 2 shapejobs.warning.errormessage std error"};
  const std::vector<Case> cases = {
      {"condition check 1 still plots", text, 1, {0}, "1", {"TopView"}, conditionWarning},
      {"condition check 2", text, 2, {0}, "0", {"TopView"}, {}},
      {"plot 4", text, 0, {4}, "1", {}, plotWarning},
      {"plot 1", text, 0, {1}, "0", {}, {}},
      {"first plot 5, last 0", numbers, 0, {5, 0}, "0", {"TopView_2"}, {}},
      {"first plot 0, last 5", numbers, 0, {0, 5}, "1", {"TopView_1"}, plotWarning},
      {"no items", {3, L"Top View", {}}, 0, {}, "0", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Script(1, {c.menu}, 1);
    cad->standards->On(Id(6)).Returns(c.condition);
    for (short status : c.plotStatuses) cad->standards->Next(Id(4)).Returns(status);
    EXPECT_EQ(Plot("box.kpx"), c.outcome);
    std::vector<std::string> names;
    for (const auto& plot : plots) names.push_back(plot.first.str());
    EXPECT_EQ(names, c.plotNames);
    EXPECT_EQ(cad->Lines("standards method " + std::to_string(Id(4)) + " (").size(), c.plotStatuses.size());
    EXPECT_EQ(sink.events, Reported(c.messages));
    NextCase();
  }
}

INSTANTIATE_TEST_SUITE_P(BothDrivers, StandardsTest,
                         ::testing::Values(DriverSetting{false, true}, DriverSetting{true, true},
                                           DriverSetting{false, false}, DriverSetting{true, false}),
                         SettingName);

}  // namespace
