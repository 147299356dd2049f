// What the design-information export asks of the standards component: it
// opens designs and manufacturing files as well as standards, draws the
// document plots of their menus, and lets plots, condition checks and menu
// descriptions be forced to fail; driven with the program's ids and
// argument types on both flavours.
#include <algorithm>
#include <filesystem>
#include <map>
#include <tuple>

#include "FolvaneCADPictureFiles.h"
#include "FolvaneCADTestSupport.h"

namespace {

struct StandardIds {
  const wchar_t* progId;
  DISPID open, menuCount, menu, plot, conditionCheck, errorText, save, menuXml;
};
constexpr StandardIds kConventional = {L"FolvaneCAD-X.DravoStandard.1", 1, 2, 3, 4, 6, 7, 10, 11};
constexpr StandardIds kEnterprise = {L"FolvaneCAD-X.EDravoStandard.1", 2, 3, 4, 5, 7, 8, 11, 12};
constexpr DISPID kEnterpriseLogin = 1;
constexpr DISPID kMenuKind = 4, kMenuTitle = 5, kMenuItemCount = 6;

// A standard of four menus: one without a plot, a whole-number menu whose
// condition check is forced to fail, a text menu whose plot is.
const char kBox[] = R"(<Design name="box" unit="mm">
  <Layer name="Print"/>
  <Standard>
    <Menu title="Style" kind="1" plot="no"/>
    <Menu title="Inside Sizes" kind="3">
      <Item name="L" default="300"/>
      <Item name="W" default="200"/>
      <Failure operation="ConditionCheck" status="4">Forced by the standard</Failure>
    </Menu>
    <Menu title="Texts" kind="2">
      <Item name="ARTICLE$" type="text" default="Box"/>
      <Failure operation="plot" status="5"/>
    </Menu>
    <Menu title="Print" kind="2"/>
    <Outline><Line x2="L"/><Line x2="L" y2="W"/><Line x1="L" x2="L" y2="W" layer="1"/></Outline>
  </Standard>
</Design>
)";

class StandardPlotsTest : public FolvaneCADTest {
 protected:
  void SetUp() override {
    FolvaneCADTest::SetUp();
    unsetenv("FOLVANECAD_JOURNAL");
  }

  static COleDispatchDriver& LoggedIn(COleDispatchDriver& standard, const StandardIds& ids,
                                      const std::string& at) {
    if (&ids == &kEnterprise) {
      EXPECT_EQ(Status(standard, kEnterpriseLogin, VTS_BSTR VTS_BSTR VTS_BSTR VTS_I2 VTS_I2, Wide(at).c_str(),
                       L"designer", L"", short(0), short(0)),
                0);
    }
    return standard;
  }

  static short Open(COleDispatchDriver& standard, const StandardIds& ids, const std::wstring& path,
                    short unit = 1, const wchar_t* set = L"") {
    return Status(standard, ids.open, VTS_BSTR VTS_I2 VTS_I2 VTS_BSTR VTS_BSTR, path.c_str(), short(0), unit,
                  L"", set);
  }

  static short Plot(COleDispatchDriver& standard, const StandardIds& ids, short menu, short item,
                    const std::string& path, short width = 240, short height = 180) {
    return Status(standard, ids.plot, VTS_I2 VTS_I2 VTS_BSTR VTS_I2 VTS_I2 VTS_I2, menu, item,
                  Wide(path).c_str(), short(1), width, height);
  }

  static short MenuXml(COleDispatchDriver& standard, const StandardIds& ids, const std::string& path) {
    return Status(standard, ids.menuXml, VTS_BSTR VTS_I2 VTS_I2 VTS_I2 VTS_I2, Wide(path).c_str(), short(2),
                  short(0), short(0), short(0));
  }

  // Title, kind and item count of a menu, read from its menu object.
  static std::tuple<std::wstring, short, short> MenuFacts(COleDispatchDriver& standard,
                                                          const StandardIds& ids, short menu) {
    IDispatch* object = nullptr;
    standard.InvokeHelper(ids.menu, DISPATCH_METHOD, VT_DISPATCH, &object, VTS_I2 VTS_I2, menu,
                          short(menu - 1));
    COleDispatchDriver menuObject(object, TRUE);
    return {Text(menuObject, kMenuTitle, VTS_NONE), Status(menuObject, kMenuKind, VTS_NONE),
            Status(menuObject, kMenuItemCount, VTS_NONE)};
  }

  // The document plots of every menu, as the export asks for them: one per
  // item of a whole-number menu, one per menu otherwise with the item count
  // in the item's place. Each answer, by the file it names.
  std::map<std::string, short> PlotAll(COleDispatchDriver& standard, const StandardIds& ids) {
    std::map<std::string, short> answers;
    short count = Status(standard, ids.menuCount, VTS_NONE);
    for (short menu = 1; menu <= count; ++menu) {
      auto [title, kind, items] = MenuFacts(standard, ids, menu);
      std::string name(title.begin(), title.end());
      name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
      if (kind == 3) {
        for (short j = 1; j <= items; ++j) {
          std::string file = "box_" + name + "_" + std::to_string(j) + ".JPG";
          answers[file] = Plot(standard, ids, menu, j, folder_.File("plots/" + file));
        }
      } else {
        answers["box_" + name + ".JPG"] =
            Plot(standard, ids, menu, items, folder_.File("plots/box_" + name + ".JPG"));
      }
    }
    return answers;
  }

  std::wstring Box() { return Wide(folder_.Write("standards/box.kpx", kBox)); }
};

TEST_F(StandardPlotsTest, EachMenuWithAPlotGetsAJpegOfTheAskedSize) {
  std::filesystem::create_directories(folder_.File("plots"));
  for (const StandardIds* ids : {&kConventional, &kEnterprise}) {
    COleDispatchDriver& standard = LoggedIn(Create(ids->progId), *ids, folder_.path());
    ASSERT_EQ(Open(standard, *ids, Box()), 0);
    std::map<std::string, short> answers = PlotAll(standard, *ids);
    EXPECT_EQ(answers, (std::map<std::string, short>{{"box_Style.JPG", 1},
                                                     {"box_InsideSizes_1.JPG", 0},
                                                     {"box_InsideSizes_2.JPG", 0},
                                                     {"box_Texts.JPG", 5},
                                                     {"box_Print.JPG", 0}}));
    EXPECT_EQ(Text(standard, ids->errorText, VTS_NONE), L"Forced failure of Plot")
        << "the last failure's text";
    for (const char* file : {"box_InsideSizes_1.JPG", "box_InsideSizes_2.JPG", "box_Print.JPG"}) {
      Pixels pixels = ReadPixels(folder_.File(std::string("plots/") + file));
      EXPECT_EQ(pixels.width, 240) << file;
      EXPECT_EQ(pixels.height, 180) << file;
      EXPECT_TRUE(pixels.AnyInk(0, 0, pixels.width, pixels.height / 2)) << file << ": the outline is drawn";
    }
    for (const char* file : {"box_Style.JPG", "box_Texts.JPG"}) {
      EXPECT_FALSE(std::filesystem::exists(folder_.File(std::string("plots/") + file))) << file;
    }
    std::filesystem::remove_all(folder_.File("plots"));
    std::filesystem::create_directories(folder_.File("plots"));
  }
}

TEST_F(StandardPlotsTest, PlotsThatCannotBeDrawnAnswerTwo) {
  COleDispatchDriver& standard = Create(kConventional.progId);
  std::string path = folder_.File("plot.JPG");
  EXPECT_EQ(Plot(standard, kConventional, 2, 1, path), 2) << "nothing open";
  EXPECT_EQ(Text(standard, kConventional.errorText, VTS_NONE), L"No standard is open");
  ASSERT_EQ(Open(standard, kConventional, Box()), 0);
  EXPECT_EQ(Plot(standard, kConventional, 9, 1, path), 2);
  EXPECT_EQ(Text(standard, kConventional.errorText, VTS_NONE), L"The standard has no menu 9");
  EXPECT_EQ(Plot(standard, kConventional, 2, 3, path), 2) << "a whole-number menu plots its items";
  EXPECT_EQ(Plot(standard, kConventional, 4, 1, ""), 2);
  EXPECT_EQ(Plot(standard, kConventional, 4, 0, path, 0, 100), 2);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(Plot(standard, kConventional, 4, 0, path, 30, 20), 0)
      << "the item does not matter on a text menu";
  EXPECT_EQ(ReadPixels(path).width, 30);
}

TEST_F(StandardPlotsTest, TheStandardFileAndTheScenarioForceFailures) {
  std::string scenario = folder_.Write("scenario.txt",
                                       "Standard.Plot status=6 menu=4 error=Plotter jammed\n"
                                       "Standard.MenuXml status=3\n");
  std::string locked =
      folder_.Write("standards/locked.kpx",
                    "<Design><Standard><Failure operation='MenuXml' status='7'>Locked</Failure>"
                    "<Menu title='Only'/></Standard></Design>");
  setenv("FOLVANECAD_SCENARIO", scenario.c_str(), 1);
  COleDispatchDriver& forced = Create(kEnterprise.progId);
  unsetenv("FOLVANECAD_SCENARIO");
  COleDispatchDriver& plain = Create(kEnterprise.progId);
  LoggedIn(forced, kEnterprise, folder_.path());
  LoggedIn(plain, kEnterprise, folder_.path());
  ASSERT_EQ(Open(forced, kEnterprise, Box()), 0);
  ASSERT_EQ(Open(plain, kEnterprise, Box()), 0);

  std::string path = folder_.File("print.JPG");
  EXPECT_EQ(Plot(forced, kEnterprise, 4, 0, path), 6);
  EXPECT_EQ(Text(forced, kEnterprise.errorText, VTS_NONE), L"Plotter jammed");
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(Plot(forced, kEnterprise, 2, 1, path), 0) << "the line names menu 4 only";
  EXPECT_EQ(Plot(plain, kEnterprise, 4, 0, path), 0);

  EXPECT_EQ(Status(plain, kEnterprise.conditionCheck, VTS_I2, short(2)), 4);
  EXPECT_EQ(Text(plain, kEnterprise.errorText, VTS_NONE), L"Forced by the standard");
  EXPECT_EQ(Status(plain, kEnterprise.conditionCheck, VTS_I2, short(3)), 0);

  std::string menus = folder_.File("menus.xml");
  EXPECT_EQ(MenuXml(forced, kEnterprise, menus), 3);
  EXPECT_FALSE(std::filesystem::exists(menus));
  ASSERT_EQ(Open(plain, kEnterprise, Wide(locked)), 0);
  EXPECT_EQ(MenuXml(plain, kEnterprise, menus), 7);
  EXPECT_EQ(Text(plain, kEnterprise.errorText, VTS_NONE), L"Locked");
  EXPECT_FALSE(std::filesystem::exists(menus));

  std::string wrong = folder_.Write("standards/wrong.kpx",
                                    "<Design><Standard><Menu><Failure operation='MenuXml' status='2'/></Menu>"
                                    "</Standard></Design>");
  EXPECT_EQ(Open(plain, kEnterprise, Wide(wrong)), 2);
  EXPECT_NE(Text(plain, kEnterprise.errorText, VTS_NONE).find(L"forces the operation Plot or ConditionCheck"),
            std::wstring::npos);
}

// The export opens whatever design it exports: a plain design, a
// manufacturing file, a temporary copy or a design reference, with the
// main control's unit codes and a parameter set made of the grain.
TEST_F(StandardPlotsTest, DesignsAndManufacturingFilesOpenWithTheirOwnMenusOrNone) {
  folder_.Write("data/projects/Cartons/box.kpx", kBox);
  std::string plainDesign = folder_.Write("designs/plain.kpx", kCartonDesign);
  std::string layout =
      folder_.Write("designs/sheet.MFG", "<Layout><Design name='A'/><Design name='B'/></Layout>");
  std::string copy = folder_.Write("tmp/shapejob-4711.tmp", kBox);
  COleDispatchDriver& cad = Create(L"FolvaneCAD-X.DravoCtrl.1");
  ASSERT_EQ(Status(cad, conventional::kDefaults, VTS_BSTR, Wide(folder_.File("data")).c_str()), 0);

  for (const StandardIds* ids : {&kConventional, &kEnterprise}) {
    COleDispatchDriver& standard = LoggedIn(Create(ids->progId), *ids, folder_.File("data"));
    for (short unit : {0, 1, 2, 3}) {
      ASSERT_EQ(
          Open(standard, *ids, L"@Cartons:box", unit, L"Vertical - millimeters - Single design parameters"),
          0)
          << Text(standard, ids->errorText, VTS_NONE);
      EXPECT_EQ(Status(standard, ids->menuCount, VTS_NONE), 4);
    }
    ASSERT_EQ(Open(standard, *ids, Wide(copy), 2), 0);
    EXPECT_EQ(MenuFacts(standard, *ids, 2),
              std::make_tuple(std::wstring(L"Inside Sizes"), short(3), short(2)));

    std::string menus = folder_.File("menus.xml");
    ASSERT_EQ(Open(standard, *ids, Wide(plainDesign), 0, L"Corrugated - Inch - Single design parameters"), 0);
    EXPECT_EQ(Status(standard, ids->menuCount, VTS_NONE), 0) << "a plain design offers no menus";
    ASSERT_EQ(MenuXml(standard, *ids, menus), 0);
    EXPECT_NE(FileBytes(menus).find("<Menus/>"), std::string::npos);
    std::string saved = folder_.File("saved.kpx");
    ASSERT_EQ(Status(standard, ids->save, VTS_BSTR, Wide(saved).c_str()), 0);
    EXPECT_NE(FileBytes(saved).find("unit=\"mm\""), std::string::npos) << "a plain design keeps its unit";

    ASSERT_EQ(Open(standard, *ids, Wide(layout), 1), 0);
    EXPECT_EQ(Status(standard, ids->menuCount, VTS_NONE), 0);
    ASSERT_EQ(MenuXml(standard, *ids, menus), 0);
    EXPECT_NE(FileBytes(menus).find("<Menus/>"), std::string::npos);
    EXPECT_EQ(Status(standard, ids->save, VTS_BSTR, Wide(saved).c_str()), 2);
    EXPECT_EQ(Text(standard, ids->errorText, VTS_NONE), L"A manufacturing file has no design to save");

    EXPECT_EQ(Open(standard, *ids, L"@Cartons:lid"), 2);
    EXPECT_NE(Text(standard, ids->errorText, VTS_NONE).find(L"@Cartons:lid"), std::wstring::npos);
  }
}

// The enterprise component resolves references under its own login; the
// conventional one under the data folder the main control was given.
TEST_F(StandardPlotsTest, ReferencesResolveUnderTheLoginOrTheInstallationsDataFolder) {
  folder_.Write("first/projects/P/box.kpx", kBox);
  folder_.Write("second/projects/P/box.kpx", "<Design name='other'/>");
  COleDispatchDriver& cad = Create(L"FolvaneCAD-X.DravoCtrl.1");
  ASSERT_EQ(Status(cad, conventional::kDefaults, VTS_BSTR, Wide(folder_.File("second")).c_str()), 0);
  COleDispatchDriver& enterprise = LoggedIn(Create(kEnterprise.progId), kEnterprise, folder_.File("first"));
  COleDispatchDriver& conventionalStandard = Create(kConventional.progId);
  ASSERT_EQ(Open(enterprise, kEnterprise, L"@P:box"), 0);
  EXPECT_EQ(Status(enterprise, kEnterprise.menuCount, VTS_NONE), 4);
  ASSERT_EQ(Open(conventionalStandard, kConventional, L"@P:box"), 0);
  EXPECT_EQ(Status(conventionalStandard, kConventional.menuCount, VTS_NONE), 0);
}

// A design that a standard produced opens with that standard's menus.
TEST_F(StandardPlotsTest, ADesignMadeByAStandardCarriesItsMenus) {
  COleDispatchDriver& standard = Create(kConventional.progId);
  ASSERT_EQ(Open(standard, kConventional, Box()), 0);
  std::string original = folder_.File("original.xml");
  ASSERT_EQ(MenuXml(standard, kConventional, original), 0);
  std::string made = folder_.File("made.kpx");
  ASSERT_EQ(Status(standard, kConventional.save, VTS_BSTR, Wide(made).c_str()), 0);
  ASSERT_EQ(Open(standard, kConventional, Wide(made)), 0);
  std::string reopened = folder_.File("reopened.xml");
  ASSERT_EQ(MenuXml(standard, kConventional, reopened), 0);
  EXPECT_EQ(FileBytes(reopened), FileBytes(original));
  EXPECT_NE(FileBytes(reopened).find("<StyleChoice variable=\"L\"/>"), std::string::npos);

  std::string example = std::string(SHAPEJOB_SOURCE_DIR) + "/examples/cad/designs/tuck-end.kpx";
  ASSERT_EQ(Open(standard, kConventional, Wide(example), 0, L"Corrugated - Inch - Single design parameters"),
            0);
  ASSERT_EQ(MenuXml(standard, kConventional, reopened), 0);
  EXPECT_NE(FileBytes(reopened).find("<Menus><Menu name=\"Style\" type=\"1\"><Variables/></Menu>"
                                     "<Menu name=\"Inside dimensions\" type=\"3\"><Variables>"
                                     "<StyleChoice variable=\"L\"/>"),
            std::string::npos);
  EXPECT_NE(FileBytes(reopened).find("<Variable name=\"CUSTOMER$\"/><Variable name=\"ARTICLE$\"/>"),
            std::string::npos);
}

TEST_F(StandardPlotsTest, PlotsGoIntoTheJournal) {
  std::string journal = folder_.File("journal.txt");
  setenv("FOLVANECAD_JOURNAL", journal.c_str(), 1);
  COleDispatchDriver& standard = Create(kEnterprise.progId);
  unsetenv("FOLVANECAD_JOURNAL");
  LoggedIn(standard, kEnterprise, folder_.path());
  ASSERT_EQ(Open(standard, kEnterprise, Box()), 0);
  std::string style = folder_.File("box_Style.JPG");
  std::string print = folder_.File("box_Print.JPG");
  std::string menus = folder_.File("menus.xml");
  EXPECT_EQ(Plot(standard, kEnterprise, 1, 0, style), 1);
  EXPECT_EQ(Plot(standard, kEnterprise, 4, 0, print, 200, 150), 0);
  EXPECT_EQ(MenuXml(standard, kEnterprise, menus), 0);
  EXPECT_EQ(FileBytes(journal),
            "Standard.Plot(1, 0, \"" + style + "\", 1, 240, 180) = 1\n"
            "Standard.Plot(4, 0, \"" + print + "\", 1, 200, 150) = 0 -> " + print + "\n"
            "Standard.MenuXml(\"" + menus + "\", 2, 0, 0, 0) = 0 -> " + menus + "\n");
}

}  // namespace
