// The layout object, driven on both kinds of main control with the dispatch
// ids and argument types the program's layout driver sends: fits, grids,
// trimming, the values the manufacturing file then answers, its file, its
// refusals, forced answers and the pictures of the nest.
#include <cstdint>
#include <filesystem>

#include "FolvaneCADPictureFiles.h"
#include "FolvaneCADTestSupport.h"

namespace {

// The main control's ids on one kind of control.
struct ControlKind {
  const char* name;
  const wchar_t* progId;
  bool enterprise;
  DISPID errorText, version, evalText, evalNumber, layoutObject, save, exportImage, setGrain, setUnit, runCommand,
      prepare;
};

void PrintTo(const ControlKind& kind, std::ostream* out) { *out << kind.name; }

const ControlKind kConventional = {"Conventional", L"FolvaneCAD-X.DravoCtrl.1", false, 31, 51, 88, 89, 87, 41, 61,
                                   22, 26, 64, 48};
const ControlKind kEnterprise = {"Enterprise", L"FolvaneCAD-X.EDravoCtrl.1", true, 25, 45, 77, 78, 76, 35, 54, 18,
                                 22, 57, 42};
constexpr DISPID kOpen = 2, kExpressionError = 12;

// A 200 x 120 blank with a diagonal on its print layer; a tab above its
// left half lets reversed rows nest 40 into each other.
const char* kBlank = R"(<Design name="blank" industry="2" unit="mm" nestY="40">
  <Layer name="Print"/>
  <PrintItem name="Front" layers="1"/>
  <Line x1="0" y1="0" x2="200" y2="0"/><Line x1="200" y1="0" x2="200" y2="80"/>
  <Line x1="200" y1="80" x2="100" y2="80"/><Line x1="100" y1="80" x2="100" y2="120"/>
  <Line x1="100" y1="120" x2="0" y2="120"/><Line x1="0" y1="120" x2="0" y2="0"/>
  <Line x1="0" y1="60" x2="200" y2="60" type="2"/>
  <Line x1="20" y1="20" x2="180" y2="100" layer="1" type="0"/>
</Design>)";

// The layout object's calls, typed as the program's driver types them.
class LayoutCalls {
 public:
  explicit LayoutCalls(IDispatch* object) : driver_(object, TRUE) {}

  short SetSheetSize(double w, double h, double l, double r, double b, double t) {
    return Short(1, VTS_R8 VTS_R8 VTS_R8 VTS_R8 VTS_R8 VTS_R8, w, h, l, r, b, t);
  }
  std::int32_t AddOneup(const std::string& reference) { return Long(2, VTS_BSTR, Wide(reference).c_str()); }
  std::int32_t Columns(std::int32_t index) { return Long(3, VTS_I4, index); }
  std::int32_t Rows(std::int32_t index) { return Long(4, VTS_I4, index); }
  short Grid(std::int32_t index, std::int32_t item, std::int32_t rows, std::int32_t columns,
             bool alternative = false) {
    return Short(alternative ? 15 : 5, VTS_I4 VTS_I4 VTS_I4 VTS_I4, index, item, rows, columns);
  }
  short Method51() {
    return Short(6, VTS_I4 VTS_I4 VTS_R8 VTS_R8 VTS_R8 VTS_I4, std::int32_t{1}, std::int32_t{2}, 0.5, 1.5, 2.5,
                 std::int32_t{6});
  }
  short SetLayoutOption(short vertical, short horizontal) { return Short(7, VTS_I2 VTS_I2, vertical, horizontal); }
  void Reset() { driver_.InvokeHelper(8, DISPATCH_METHOD, VT_EMPTY, nullptr, VTS_NONE); }
  std::string ErrorText() {
    CString text;
    driver_.InvokeHelper(9, DISPATCH_METHOD, VT_BSTR, &text, VTS_NONE);
    std::wstring wide = text.GetString();
    return std::string(wide.begin(), wide.end());
  }
  short SetNestData(std::int32_t code, double gapX, double gapY) {
    return Short(10, VTS_I4 VTS_R8 VTS_R8 VTS_I2, code, gapX, gapY, short(0));
  }
  short Position(short code) { return Short(12, VTS_I2, code); }
  std::int32_t Value(DISPID id) { return Long(id, VTS_I4, std::int32_t{5}); }
  short SetRotation(double degrees) { return Short(16, VTS_R8, degrees); }

 private:
  template <class... Args>
  short Short(DISPID id, const char* parameters, Args... args) {
    short status = -1;
    driver_.InvokeHelper(id, DISPATCH_METHOD, VT_I2, &status, parameters, args...);
    return status;
  }
  template <class... Args>
  std::int32_t Long(DISPID id, const char* parameters, Args... args) {
    std::int32_t value = -1;
    driver_.InvokeHelper(id, DISPATCH_METHOD, VT_I4, &value, parameters, args...);
    return value;
  }

  COleDispatchDriver driver_;
};

class LayoutObjectTest : public FolvaneCADTest, public ::testing::WithParamInterface<ControlKind> {
 protected:
  void SetUp() override {
    FolvaneCADTest::SetUp();
    blank_ = folder_.Write("designs/blank.kpx", kBlank);
    template_ = std::string(SHAPEJOB_SOURCE_DIR) + "/examples/cad/templates/sheet-1020x720.MFG";
  }

  void TearDown() override {
    layouts_.clear();
    unsetenv("FOLVANECAD_SCENARIO");
    FolvaneCADTest::TearDown();
  }

  const ControlKind& Kind() const { return GetParam(); }

  COleDispatchDriver& Control() {
    COleDispatchDriver& cad = Create(Kind().progId);
    if (Kind().enterprise) {
      std::wstring server =
          Wide(folder_.Write("server/users.xml", R"(<Users><User name="anna" password="s"/></Users>)"));
      server = server.substr(0, server.rfind(L'/'));
      EXPECT_EQ(Status(cad, 1, VTS_BSTR VTS_BSTR VTS_BSTR VTS_I2 VTS_I2, server.c_str(), L"anna", L"s", short(0),
                       short(0)),
                0);
    }
    return cad;
  }

  short Open(COleDispatchDriver& cad, const std::string& path) {
    if (Kind().enterprise) return Status(cad, kOpen, VTS_BSTR, Wide(path).c_str());
    return Status(cad, kOpen, VTS_BSTR VTS_I2, Wide(path).c_str(), short(1));
  }

  short Save(COleDispatchDriver& cad, const std::string& path) {
    if (Kind().enterprise) {
      return Status(cad, Kind().save, VTS_BSTR VTS_I2 VTS_BSTR, Wide(path).c_str(), short(0), L"");
    }
    return Status(cad, Kind().save, VTS_BSTR VTS_I2, Wide(path).c_str(), short(0));
  }

  LayoutCalls& LayoutOf(COleDispatchDriver& cad) {
    IDispatch* object = nullptr;
    cad.InvokeHelper(Kind().layoutObject, DISPATCH_METHOD, VT_DISPATCH, &object, VTS_NONE);
    EXPECT_NE(object, nullptr);
    layouts_.push_back(std::make_unique<LayoutCalls>(object));
    return *layouts_.back();
  }

  double Evaluate(COleDispatchDriver& cad, const wchar_t* expression) {
    return Number(cad, Kind().evalNumber, VTS_BSTR, expression);
  }

  short ExportImage(COleDispatchDriver& cad, const std::string& path, short width, short height) {
    VARIANT numbers[5];
    for (VARIANT& number : numbers) {
      VariantInit(&number);
      number.vt = VT_I4;
      number.lVal = 90;
    }
    return Status(cad, Kind().exportImage,
                  VTS_I2 VTS_BSTR VTS_I2 VTS_I2 VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT, short(1),
                  Wide(path).c_str(), width, height, &numbers[0], &numbers[1], &numbers[2], &numbers[3], &numbers[4]);
  }

  // The control with the example template open and its layout object.
  LayoutCalls& OnTemplate(COleDispatchDriver& cad) {
    EXPECT_EQ(Open(cad, template_), 0);
    return LayoutOf(cad);
  }

  std::string blank_;
  std::string template_;
  std::vector<std::unique_ptr<LayoutCalls>> layouts_;
};

TEST_P(LayoutObjectTest, StraightAndReverseFitsCountGapsMarginsAndTheAllowance) {
  COleDispatchDriver& cad = Control();
  LayoutCalls& layout = OnTemplate(cad);
  // The template's sheet: 1020 x 720 with margins of 10, so 1000 x 700 usable.
  ASSERT_EQ(layout.SetSheetSize(1020, 720, 10, 10, 10, 10), 0) << layout.ErrorText();
  ASSERT_EQ(layout.SetNestData(1, 5, 4), 0);
  ASSERT_EQ(layout.AddOneup(blank_), 1) << layout.ErrorText();
  EXPECT_EQ(layout.Rows(1), 5) << "5 x 120 + 4 x 4 = 616; 6 rows need 740";
  EXPECT_EQ(layout.Columns(1), 4) << "4 x 200 + 3 x 5 = 815; 5 need 1020";

  layout.Reset();
  ASSERT_EQ(layout.SetNestData(2, 5, 4), 0);
  ASSERT_EQ(layout.AddOneup("file:" + blank_), 1) << "a reset drops the one-up before";
  EXPECT_EQ(layout.Rows(1), 6) << "6 x 120 + 5 x 4 - 3 x 40 = 620";
  EXPECT_EQ(layout.Columns(1), 4);
  ASSERT_EQ(layout.Grid(1, 1, 6, 4), 0) << layout.ErrorText();
  EXPECT_EQ(Evaluate(cad, L"#NUP"), 24);
  EXPECT_EQ(Evaluate(cad, L"#MANSIZEX"), 815);
  EXPECT_EQ(Evaluate(cad, L"#MANSIZEY"), 620);
  EXPECT_EQ(Evaluate(cad, L"#SHTSIZEX"), 1020);

  ASSERT_EQ(layout.SetLayoutOption(1, 0), 0);
  EXPECT_EQ(Evaluate(cad, L"#SHTSIZEY"), 640) << "the height shrinks to the block and the margins";
  EXPECT_EQ(Evaluate(cad, L"#SHTSIZEX"), 1020);
  ASSERT_EQ(layout.SetLayoutOption(1, 1), 0);
  EXPECT_EQ(Evaluate(cad, L"#SHTSIZEX"), 835);
  EXPECT_EQ(Evaluate(cad, L"#AREA"), 835 * 640);
  EXPECT_EQ(Evaluate(cad, L"LENTYPE(2)"), 24 * 200);
  EXPECT_EQ(layout.Method51(), 0);
  EXPECT_EQ(layout.Value(13), 0);
  EXPECT_EQ(layout.Value(14), 0);
}

TEST_P(LayoutObjectTest, EachRefusalAnswersStatusTwoWithItsText) {
  COleDispatchDriver& cad = Control();
  LayoutCalls& layout = LayoutOf(cad);
  EXPECT_EQ(layout.SetSheetSize(1020, 720, 10, 10, 10, 10), 2);
  EXPECT_EQ(layout.ErrorText(), "No manufacturing file is open");
  ASSERT_EQ(Open(cad, blank_), 0);
  EXPECT_EQ(layout.AddOneup(blank_), 0) << "a design is open, not a manufacturing file";
  EXPECT_EQ(layout.ErrorText(), "No manufacturing file is open");
  EXPECT_EQ(layout.Rows(1), 0);
  EXPECT_EQ(layout.Method51(), 0);

  ASSERT_EQ(Open(cad, template_), 0);
  auto check = [&](short status, const std::string& text) {
    EXPECT_EQ(status, 2) << text;
    EXPECT_EQ(layout.ErrorText(), text);
  };
  check(layout.SetSheetSize(0, 720, 0, 0, 0, 0), "The sheet size 0 x 720 is not positive");
  check(layout.SetSheetSize(1020, 720, 10, -1, 10, 10), "The sheet margins must not be negative");
  check(layout.SetSheetSize(1020, 720, 10, 10, 360, 360), "The margins leave no room on a sheet of 1020 x 720");
  check(layout.SetNestData(7, 0, 0), "Unknown nest code 7 (1 to 5)");
  check(layout.SetNestData(1, 0, -2.5), "The gaps 0 and -2.5 must not be negative");
  ASSERT_EQ(layout.SetNestData(1, 5, 4), 0);
  EXPECT_EQ(layout.AddOneup(folder_.File("designs/none.kpx")), 0);
  EXPECT_EQ(layout.ErrorText(), "Design file not found: " + folder_.File("designs/none.kpx"));
  EXPECT_EQ(layout.AddOneup(template_), 0);
  EXPECT_EQ(layout.ErrorText(), "The one-up " + template_ + " is a manufacturing file, not a design");
  ASSERT_EQ(layout.AddOneup(blank_), 1);
  EXPECT_EQ(layout.Rows(2), 0);
  EXPECT_EQ(layout.ErrorText(), "No one-up 2 (the layout has 1 one-ups)");
  check(layout.Grid(2, 0, 1, 1), "No one-up 2 (the layout has 1 one-ups)");
  check(layout.Grid(1, 2, 1, 1), "No print item 2 in one-up 1 (its design has 1 print items)");
  check(layout.Grid(1, 0, 1, 0, true), "A grid needs at least one row and one column, not 1 x 0");
  check(layout.Grid(1, 0, 1, 5), "1 rows and 5 columns do not fit: at most 5 rows and 4 columns fit the sheet");
  check(layout.SetRotation(45), "The rotation 45 is not a multiple of 90 degrees");
  check(layout.Position(9), "Unknown position 9 (0 to 8)");
  check(layout.SetLayoutOption(1, 2), "Layout options are 0 or 1, not 1 and 2");
  EXPECT_EQ(Evaluate(cad, L"#NUP"), 0) << "nothing was placed";
}

TEST_P(LayoutObjectTest, TheManufacturingFileKeepsTheNestAndTheObjectFollowsTheOpenFile) {
  COleDispatchDriver& cad = Control();
  LayoutCalls& layout = OnTemplate(cad);
  cad.InvokeHelper(Kind().setGrain, DISPATCH_METHOD, VT_EMPTY, nullptr, VTS_I2, short(1));
  ASSERT_EQ(layout.SetNestData(1, 5, 4), 0);
  ASSERT_EQ(layout.AddOneup(blank_), 1);
  EXPECT_EQ(layout.Columns(1), 8) << "turned to the vertical orientation: 8 x 120 + 7 x 5 = 995";
  ASSERT_EQ(layout.SetRotation(180), 0);
  ASSERT_EQ(layout.Grid(1, 1, 3, 8, true), 0) << layout.ErrorText();
  ASSERT_EQ(layout.Position(7), 0);
  ASSERT_EQ(layout.SetLayoutOption(1, 0), 0);
  double height = Evaluate(cad, L"#SHTSIZEY");
  EXPECT_EQ(height, 10 + 3 * 200 + 2 * 4 + 10);
  EXPECT_EQ(Text(cad, Kind().evalText, VTS_BSTR, L"#GRAIN$ + \" \" + #NCROSS + \"x\" + #NBACK"), L"Vertical 8x3");

  std::string saved = folder_.File("try/blank_180.MFG");
  std::filesystem::create_directories(folder_.File("try"));
  ASSERT_EQ(Save(cad, saved), 0);
  ASSERT_EQ(Open(cad, blank_), 0);
  EXPECT_EQ(layout.Rows(1), 0) << "the object acts on the file open now";
  ASSERT_EQ(Open(cad, saved), 0);
  EXPECT_EQ(Evaluate(cad, L"#SHTSIZEY"), height);
  EXPECT_EQ(Evaluate(cad, L"#NUP"), 24);
  EXPECT_EQ(Evaluate(cad, L"LAY.SHT1.SIZEX"), 1020) << "the template's variables are kept";
  EXPECT_EQ(layout.Columns(1), 8) << "the one-up is still turned";

  // Design 1 answers first until the expression error is read.
  ASSERT_EQ(Status(cad, Kind().prepare, VTS_I4 VTS_BOOL, std::int32_t{1}, true), 0);
  EXPECT_EQ(Evaluate(cad, L"#MANSIZEX"), 200);
  Status(cad, kExpressionError, VTS_NONE);
  EXPECT_EQ(Evaluate(cad, L"#MANSIZEX"), 8 * 120 + 7 * 5);
}

TEST_P(LayoutObjectTest, TemplateValuesAndCommandFilesOnAManufacturingFile) {
  COleDispatchDriver& cad = Control();
  ASSERT_EQ(Open(cad, template_), 0);
  EXPECT_EQ(Text(cad, Kind().evalText, VTS_BSTR, L"LAY.UNIT$ + \"/\" + #DPRSNAME$"), L"M/Press A");
  EXPECT_EQ(Evaluate(cad, L"DPRS.MINW + DPRS.MINH"), 900);
  std::string script = folder_.Write("time.txt", "dset LAY.FIL1.TIME$ = \"12\"\ndset LAY.BLEEDL = 4\n");
  ASSERT_EQ(Status(cad, Kind().runCommand, VTS_BSTR, Wide("EXE " + script).c_str()), 0);
  EXPECT_EQ(Text(cad, Kind().evalText, VTS_BSTR, L"LAY.FIL1.TIME$"), L"12");
  EXPECT_EQ(Evaluate(cad, L"LAY.BLEEDL"), 4);
  cad.InvokeHelper(Kind().setUnit, DISPATCH_METHOD, VT_EMPTY, nullptr, VTS_I2, short(2));
  EXPECT_EQ(Text(cad, Kind().evalText, VTS_BSTR, L"LAY.UNIT$"), L"I");
  EXPECT_NEAR(Evaluate(cad, L"LAY.SHT1.SIZEX"), 1020 / 25.4, 1e-9);
}

TEST_P(LayoutObjectTest, ScenarioLinesForceLayoutAnswersAndTheVersion) {
  setenv("FOLVANECAD_SCENARIO",
         folder_.Write("scenario.txt", "Layout.AddOneup status=0 first=missing.kpx error=Licence ran out\n"
                                       "SetRotation status=2 first=180 error=The press cannot turn it\n"
                                       "Layout.QueryOneup44 status=3\n"
                                       "Version text=19.5.0\n")
             .c_str(),
         1);
  COleDispatchDriver& cad = Control();
  LayoutCalls& layout = OnTemplate(cad);
  EXPECT_EQ(OutText(cad, Kind().version), L"19.5.0");
  EXPECT_EQ(layout.AddOneup("missing.kpx"), 0);
  EXPECT_EQ(layout.ErrorText(), "Licence ran out");
  ASSERT_EQ(layout.AddOneup(blank_), 1) << "other references are added";
  EXPECT_EQ(layout.Rows(1), 3) << "forced, though 5 rows fit";
  EXPECT_EQ(layout.Columns(1), 5) << "without gaps 5 x 200 fill the 1000 exactly";
  EXPECT_EQ(layout.SetRotation(180.0), 2);
  EXPECT_EQ(layout.ErrorText(), "The press cannot turn it");
  EXPECT_EQ(layout.SetRotation(90), 0);
  ASSERT_EQ(layout.Grid(1, 0, 1, 1, true), 0);
  EXPECT_EQ(Evaluate(cad, L"#MANSIZEX"), 120) << "placed at the rotation that was not refused";
}

TEST_P(LayoutObjectTest, PreviewsShowTheOneupsWhereTheyArePlaced) {
  COleDispatchDriver& cad = Control();
  LayoutCalls& layout = OnTemplate(cad);
  ASSERT_EQ(layout.SetNestData(1, 5, 4), 0);
  ASSERT_EQ(layout.AddOneup(blank_), 1);
  ASSERT_EQ(layout.Grid(1, 1, 2, 2), 0);
  // The 1020 x 720 sheet fills 90 % of a picture of the same proportions.
  auto pixelX = [](double x) { return static_cast<int>(51 + 0.9 * x); };
  auto pixelY = [](double y) { return static_cast<int>(720 - 36 - 0.9 * y); };
  auto redIn = [&](const Pixels& pixels, double x0, double y0, double x1, double y1) {
    for (int y = pixelY(y1); y < pixelY(y0); ++y) {
      for (int x = pixelX(x0); x < pixelX(x1); ++x) {
        if (pixels.IsRed(x, y)) return true;
      }
    }
    return false;
  };
  for (const char* name : {"left-bottom.png", "left-bottom.jpg"}) {
    ASSERT_EQ(ExportImage(cad, folder_.File(name), 1020, 720), 0) << name;
    Pixels pixels = ReadPixels(folder_.File(name));
    ASSERT_EQ(pixels.width, 1020) << name;
    EXPECT_TRUE(redIn(pixels, 10, 10, 415, 254)) << name << ": the print item's diagonals in the block";
    EXPECT_FALSE(pixels.AnyInk(pixelX(500), pixelY(650), pixelX(950), pixelY(300))) << name << ": nothing beyond it";
  }
  ASSERT_EQ(layout.Position(2), 0);
  ASSERT_EQ(ExportImage(cad, folder_.File("right-top.png"), 1020, 720), 0);
  Pixels moved = ReadPixels(folder_.File("right-top.png"));
  EXPECT_TRUE(redIn(moved, 605, 466, 1010, 710)) << "the block in the right top corner";
  EXPECT_FALSE(redIn(moved, 10, 10, 415, 254));
}

INSTANTIATE_TEST_SUITE_P(BothControls, LayoutObjectTest, ::testing::Values(kConventional, kEnterprise),
                         [](const ::testing::TestParamInfo<ControlKind>& info) { return info.param.name; });

}  // namespace
