// The standards component, its menu and item objects and the main control's
// style designs, driven through automation calls with the ids and argument
// types that the program uses, on both flavours.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "FolvaneCADTestSupport.h"
#include "QK_TXml.h"

namespace {

// The standards component's ids; the enterprise one numbers them one higher.
struct StandardIds {
  DISPID open, menuCount, menu, valueCheck, conditionCheck, errorText, finish, finalCheck, save, menuXml;
};
constexpr StandardIds kConventional = {1, 2, 3, 5, 6, 7, 8, 9, 10, 11};
constexpr StandardIds kEnterprise = {2, 3, 4, 6, 7, 8, 9, 10, 11, 12};

// Menu and item objects: the same on both.
constexpr DISPID kMenuFirstFlag = 2, kMenuSecondFlag = 1, kMenuKind = 4, kMenuTitle = 5, kMenuItemCount = 6,
                 kMenuItem = 10;
constexpr DISPID kItemValue = 1, kItemDefault = 2, kItemName = 4;

// Main control (conventional): style designs and their options.
constexpr DISPID kSetGrain = 22, kRunStyleStandard = 32, kSetStyleWorkspace = 33;

const char kCarton[] = R"(<Design name="rsc" industry="1" unit="mm">
  <Variable name="FLUTE$" type="text" value="C"/>
  <Standard>
    <ParameterSet name="Corrugated - Metric - Single design parameters"><Value item="L" value="400"/></ParameterSet>
    <Menu title="Start" kind="1"/>
    <Menu title="Sizes" kind="3">
      <Item name="L" default="300" min="100" max="1000"/>
      <Item name="W" default="200" min="100" max="1000"/>
      <Condition test="L >= W" severity="warning">Length below width</Condition>
      <Condition test="W &lt;= 800" severity="error">Too wide for the die</Condition>
    </Menu>
    <Menu title="Print" kind="2">
      <Item name="ARTICLE$" type="text" default="Box"/>
    </Menu>
    <Outline><Line x2="L"/><Line x2="L" y2="W"/></Outline>
  </Standard>
</Design>
)";

class StandardComponentTest : public FolvaneCADTest {
 protected:
  std::wstring Carton() { return Wide(folder_.Write("standards/rsc.kpx", kCarton)); }

  static short Open(COleDispatchDriver& standard, const StandardIds& ids, const std::wstring& path, short unit,
                    const wchar_t* set) {
    return Status(standard, ids.open, VTS_BSTR VTS_I2 VTS_I2 VTS_BSTR VTS_BSTR, path.c_str(), short(0), unit, L"",
                  set);
  }

  static IDispatch* Object(COleDispatchDriver& driver, DISPID id, const char* parameters, short a, short b = 0) {
    IDispatch* object = nullptr;
    if (std::string(parameters) == VTS_I2) {
      driver.InvokeHelper(id, DISPATCH_METHOD, VT_DISPATCH, &object, parameters, a);
    } else {
      driver.InvokeHelper(id, DISPATCH_METHOD, VT_DISPATCH, &object, parameters, a, b);
    }
    return object;
  }

  // Walks the menus as the program's run does: from menu 2, putting each
  // value by its item name (text on kind 2, number on kind 3), defaults back
  // on text items without a value, then the checks of the menu.
  static std::vector<short> Run(COleDispatchDriver& standard, const StandardIds& ids,
                                const std::map<std::wstring, std::wstring>& values) {
    std::vector<short> statuses;
    short count = Status(standard, ids.menuCount, VTS_NONE);
    for (short menu = 2; menu <= count; ++menu) {
      COleDispatchDriver menuObject(Object(standard, ids.menu, VTS_I2 VTS_I2, menu, short(menu - 1)), TRUE);
      short kind = Status(menuObject, kMenuKind, VTS_NONE);
      if (kind == 2) {
        menuObject.SetProperty(kMenuFirstFlag, VT_I2, short(1));
        menuObject.SetProperty(kMenuSecondFlag, VT_I2, short(1));
      }
      short items = Status(menuObject, kMenuItemCount, VTS_NONE);
      for (short j = 1; j <= items; ++j) {
        COleDispatchDriver item(Object(menuObject, kMenuItem, VTS_I2, j), TRUE);
        auto found = values.find(Text(item, kItemName, VTS_NONE));
        if (found != values.end() && kind == 3) {
          item.SetProperty(kItemValue, VT_I2, static_cast<short>(std::stoi(found->second)));
        } else if (found != values.end()) {
          item.SetProperty(kItemValue, VT_BSTR, found->second.c_str());
        } else if (kind == 2) {
          CString fallback;
          item.GetProperty(kItemDefault, VT_BSTR, &fallback);
          item.SetProperty(kItemValue, VT_BSTR, fallback.GetString());
        }
      }
      statuses.push_back(Status(standard, ids.valueCheck, VTS_I2, menu));
      statuses.push_back(Status(standard, ids.conditionCheck, VTS_I2, menu));
    }
    statuses.push_back(Status(standard, ids.finish, VTS_I2, short(count)));
    statuses.push_back(Status(standard, ids.finalCheck, VTS_NONE));
    return statuses;
  }

  static QK_TXmlElement ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return QK_TXml::ParseText(QK_TString(text.str()), QK_TString(path));
  }

  static const QK_TXmlElement* Child(const QK_TXmlElement& element, const char* name, const char* attribute = nullptr,
                                     const char* value = nullptr) {
    for (const QK_TXmlElement& child : element.children) {
      if (child.name != name) continue;
      if (attribute == nullptr || (child.Attribute(attribute) && *child.Attribute(attribute) == value)) return &child;
    }
    return nullptr;
  }
};

TEST_F(StandardComponentTest, BothFlavoursRunAStandardAndSaveTheDesign) {
  std::wstring carton = Carton();
  for (auto [progId, ids] : {std::pair{L"FolvaneCAD-X.DravoStandard.1", kConventional},
                             std::pair{L"FolvaneCAD-X.EDravoStandard.1", kEnterprise}}) {
    COleDispatchDriver& standard = Create(progId);
    ASSERT_EQ(Open(standard, ids, carton, 1, L"Corrugated - Metric - Single design parameters"), 0);
    EXPECT_EQ(Status(standard, ids.menuCount, VTS_NONE), 3);
    {
      COleDispatchDriver sizes(Object(standard, ids.menu, VTS_I2 VTS_I2, short(2), short(1)), TRUE);
      EXPECT_EQ(Text(sizes, kMenuTitle, VTS_NONE), L"Sizes");
      COleDispatchDriver length(Object(sizes, kMenuItem, VTS_I2, short(1)), TRUE);
      CString fallback;
      length.GetProperty(kItemDefault, VT_BSTR, &fallback);
      EXPECT_EQ(std::wstring(fallback.GetString()), L"400") << "the parameter set's default";
    }
    EXPECT_EQ(Run(standard, ids, {{L"W", L"250"}, {L"ARTICLE$", L"Shoe box"}}),
              (std::vector<short>{0, 0, 0, 0, 0, 0}));
    std::string path = folder_.File("out.kpx");
    ASSERT_EQ(Status(standard, ids.save, VTS_BSTR, Wide(path).c_str()), 0) << progId;

    QK_TXmlElement design = ReadFile(path);
    EXPECT_EQ(*design.Attribute("unit"), QK_TString("mm"));
    EXPECT_EQ(*design.Attribute("parameterSet"), QK_TString("Corrugated - Metric - Single design parameters"));
    EXPECT_NE(Child(design, "Variable", "name", "FLUTE$"), nullptr);
    EXPECT_EQ(*Child(design, "Variable", "name", "L")->Attribute("value"), QK_TString("400"));
    EXPECT_EQ(*Child(design, "Variable", "name", "W")->Attribute("value"), QK_TString("250"));
    EXPECT_EQ(*Child(design, "Variable", "name", "ARTICLE$")->Attribute("value"), QK_TString("Shoe box"));
    EXPECT_NE(Child(design, "Line", "y2", "250"), nullptr) << "the outline is drawn from the values";
    EXPECT_NE(Child(design, "Standard"), nullptr);
  }
}

TEST_F(StandardComponentTest, ChecksAnswerTheirStatusesWithTheErrorText) {
  COleDispatchDriver& standard = Create(L"FolvaneCAD-X.DravoStandard.1");
  const StandardIds& ids = kConventional;
  ASSERT_EQ(Open(standard, ids, Carton(), 0, L""), 0);
  EXPECT_EQ(Run(standard, ids, {{L"L", L"150"}}), (std::vector<short>{0, 2, 0, 0, 0, 0}));
  EXPECT_EQ(Text(standard, ids.errorText, VTS_NONE), L"Length below width");
  EXPECT_EQ(Run(standard, ids, {{L"W", L"900"}, {L"L", L"950"}}), (std::vector<short>{0, 3, 0, 0, 0, 0}));
  EXPECT_EQ(Text(standard, ids.errorText, VTS_NONE), L"Too wide for the die");
  EXPECT_EQ(Run(standard, ids, {{L"W", L"2000"}})[0], 2);
  EXPECT_EQ(Status(standard, ids.valueCheck, VTS_I2, short(2)), 2) << "the values stay as they were put";
  EXPECT_EQ(Text(standard, ids.errorText, VTS_NONE), L"The value 2000 of W is outside 100 to 1000");

  // Unit 0 is inch, and so is the main control's 2; other codes keep the
  // standard's own unit. Missing files are refused.
  std::string path = folder_.File("inch.kpx");
  for (short code : {0, 2}) {
    ASSERT_EQ(Open(standard, ids, Carton(), code, L""), 0);
    ASSERT_EQ(Status(standard, ids.save, VTS_BSTR, Wide(path).c_str()), 0);
    EXPECT_EQ(*ReadFile(path).Attribute("unit"), QK_TString("inch")) << code;
  }
  ASSERT_EQ(Open(standard, ids, Carton(), 7, L"No such parameter set"), 0);
  ASSERT_EQ(Status(standard, ids.save, VTS_BSTR, Wide(path).c_str()), 0);
  EXPECT_EQ(*ReadFile(path).Attribute("unit"), QK_TString("mm"));
  EXPECT_EQ(Open(standard, ids, Wide(folder_.File("none.kpx")), 1, L""), 2);
  EXPECT_NE(Text(standard, ids.errorText, VTS_NONE).find(L"Standard file not found"), std::wstring::npos);
  EXPECT_EQ(Status(standard, ids.save, VTS_BSTR, Wide(path).c_str()), 2) << "nothing open after a failed open";
  EXPECT_EQ(Text(standard, ids.errorText, VTS_NONE), L"No standard is open");
}

TEST_F(StandardComponentTest, MenuXmlWritesTheMenusWithoutBlankNodes) {
  COleDispatchDriver& standard = Create(L"FolvaneCAD-X.EDravoStandard.1");
  ASSERT_EQ(Open(standard, kEnterprise, Carton(), 0, L"Corrugated - Inch - Single design parameters"), 0);
  std::string path = folder_.File("menus.xml");
  ASSERT_EQ(Status(standard, kEnterprise.menuXml, VTS_BSTR VTS_I2 VTS_I2 VTS_I2 VTS_I2, Wide(path).c_str(),
                   short(2), short(0), short(0), short(0)),
            0);
  std::ifstream in(path);
  std::string declaration, content;
  std::getline(in, declaration);
  std::getline(in, content);
  EXPECT_EQ(content,
            "<Menus><Menu name=\"Start\" type=\"1\"><Variables/></Menu><Menu name=\"Sizes\" type=\"3\"><Variables>"
            "<StyleChoice variable=\"L\"/><StyleChoice variable=\"W\"/></Variables></Menu>"
            "<Menu name=\"Print\" type=\"2\"><Variables><Variable name=\"ARTICLE$\"/></Variables></Menu></Menus>");
}

TEST_F(StandardComponentTest, ScenarioForcesAnswersOfOneMenu) {
  setenv("FOLVANECAD_SCENARIO",
         folder_.Write("scenario.txt", "ConditionCheck menu=3 status=2 error=Print menu warns\n"
                                       "Standard.ValueCheck menu=2 status=1\n"
                                       "FinalCheck status=2 error=Forced at the end\n")
             .c_str(),
         1);
  COleDispatchDriver& standard = Create(L"FolvaneCAD-X.DravoStandard.1");
  unsetenv("FOLVANECAD_SCENARIO");
  ASSERT_EQ(Open(standard, kConventional, Carton(), 1, L""), 0);
  EXPECT_EQ(Run(standard, kConventional, {{L"L", L"500"}}), (std::vector<short>{1, 0, 0, 2, 0, 2}));
  EXPECT_EQ(Text(standard, kConventional.errorText, VTS_NONE), L"Forced at the end");
}

TEST_F(StandardComponentTest, StyleDesignsTakeTheGrainAndUnitSentBefore) {
  folder_.Write("data/styles.xml", "<Styles><Style name='RSC' file='standards/rsc.kpx'/></Styles>");
  folder_.Write("data/standards/rsc.kpx", kCarton);
  COleDispatchDriver& cad = Create(L"FolvaneCAD-X.DravoCtrl.1");
  ASSERT_EQ(Status(cad, conventional::kDefaults, VTS_BSTR, Wide(folder_.File("data")).c_str()), 0);
  EXPECT_EQ(Status(cad, kSetStyleWorkspace, VTS_BSTR, L"FEFCO 0201"), 10);
  cad.InvokeHelper(kSetGrain, DISPATCH_METHOD, VT_EMPTY, nullptr, VTS_I2, short(2));
  cad.InvokeHelper(conventional::kSetUnit, DISPATCH_METHOD, VT_EMPTY, nullptr, VTS_I2, short(2));
  ASSERT_EQ(Status(cad, kSetStyleWorkspace, VTS_BSTR, L"rsc"), 0);
  EXPECT_EQ(Status(cad, conventional::kUnit, VTS_NONE), 2);
  EXPECT_EQ(Number(cad, conventional::kGetNumber, VTS_BSTR, L"W"), 200.0) << "items become variables";

  EXPECT_EQ(Status(cad, conventional::kSetNumber, VTS_BSTR VTS_R8, L"L", 150.0), 0);
  EXPECT_EQ(Status(cad, kRunStyleStandard, VTS_I2, short(0)), 1);
  EXPECT_EQ(OutText(cad, conventional::kErrorText), L"Length below width");
  EXPECT_EQ(Status(cad, conventional::kSetNumber, VTS_BSTR VTS_R8, L"W", 1500.0), 0);
  EXPECT_EQ(Status(cad, kRunStyleStandard, VTS_I2, short(0)), 2);
  EXPECT_EQ(Status(cad, conventional::kSetNumber, VTS_BSTR VTS_R8, L"W", 120.0), 0);
  EXPECT_EQ(Status(cad, kRunStyleStandard, VTS_I2, short(0)), 0);

  std::string path = folder_.File("style.kpx");
  ASSERT_EQ(Status(cad, conventional::kSave, VTS_BSTR VTS_I2, Wide(path).c_str(), short(1)), 0);
  QK_TXmlElement design = ReadFile(path);
  EXPECT_EQ(*design.Attribute("grain"), QK_TString("2"));
  EXPECT_EQ(*design.Attribute("unit"), QK_TString("inch"));
  EXPECT_NE(Child(design, "Line", "y2", "120"), nullptr) << "the outline follows the values";
  EXPECT_EQ(Child(design, "Line", "y2", "200"), nullptr);

  folder_.Write("data/styles.xml", "<Styles>");
  EXPECT_EQ(Status(cad, kSetStyleWorkspace, VTS_BSTR, L"RSC"), 2);
}

TEST_F(StandardComponentTest, CommandFilesTakeSingleQuotedTextsAndTheDescription) {
  std::wstring design = Wide(folder_.Write("box.kpx", "<Design/>"));
  std::string script = folder_.Write("post.txt", "dset DBREC.DESC$ = 'Box for 'Tea', 20 bags'\n"
                                                 "dset NOTE$ = 'fragile' ; handle with care'\n");
  COleDispatchDriver& cad = Create(L"FolvaneCAD-X.DravoCtrl.1");
  ASSERT_EQ(Status(cad, conventional::kOpen, VTS_BSTR VTS_I2, design.c_str(), short(1)), 0);
  ASSERT_EQ(Status(cad, conventional::kRunCommand, VTS_BSTR, Wide("EXE " + script).c_str()), 0);
  EXPECT_EQ(Text(cad, conventional::kGetText, VTS_BSTR, L"NOTE$"), L"fragile' ; handle with care");
  std::string path = folder_.File("saved.kpx");
  ASSERT_EQ(Status(cad, conventional::kSave, VTS_BSTR VTS_I2, Wide(path).c_str(), short(1)), 0);
  EXPECT_EQ(*ReadFile(path).Attribute("description"), QK_TString("Box for 'Tea', 20 bags"));
  EXPECT_EQ(Child(ReadFile(path), "Variable", "name", "DBREC.DESC$"), nullptr);
}

// The way a ticket with "@Cartons:2:rsc" goes: the main control opens the
// project standard of the example data folder and saves it to a temporary
// file, the standards component runs that file, and the produced design
// opens in the main control again.
TEST_F(StandardComponentTest, ProjectStandardsRunAfterTheMainControlSavedThem) {
  COleDispatchDriver& cad = Create(L"FolvaneCAD-X.DravoCtrl.1");
  std::string examples = std::string(SHAPEJOB_SOURCE_DIR) + "/examples/cad/Defaults";
  ASSERT_EQ(Status(cad, conventional::kDefaults, VTS_BSTR, Wide(examples).c_str()), 0);
  ASSERT_EQ(Status(cad, conventional::kOpen, VTS_BSTR VTS_I2, L"@Cartons:2:rsc", short(1)), 0);
  std::wstring copy = Wide(folder_.File("standard.kpx"));
  ASSERT_EQ(Status(cad, conventional::kSave, VTS_BSTR VTS_I2, copy.c_str(), short(1)), 0);

  COleDispatchDriver& standard = Create(L"FolvaneCAD-X.DravoStandard.1");
  ASSERT_EQ(Open(standard, kConventional, copy, 1, L"Corrugated - Metric - Single design parameters"), 0);
  EXPECT_EQ(Run(standard, kConventional, {{L"D", L"180"}}), (std::vector<short>{0, 0, 0, 0}));
  std::wstring produced = Wide(folder_.File("produced.kpx"));
  ASSERT_EQ(Status(standard, kConventional.save, VTS_BSTR, produced.c_str()), 0);

  ASSERT_EQ(Status(cad, conventional::kOpen, VTS_BSTR VTS_I2, produced.c_str(), short(1)), 0);
  EXPECT_EQ(Number(cad, conventional::kGetNumber, VTS_BSTR, L"L"), 400.0);
  EXPECT_EQ(Number(cad, conventional::kGetNumber, VTS_BSTR, L"D"), 180.0);
  EXPECT_EQ(Number(cad, conventional::kGetNumber, VTS_BSTR, L"VERSION"), 2.0);
}

}  // namespace
