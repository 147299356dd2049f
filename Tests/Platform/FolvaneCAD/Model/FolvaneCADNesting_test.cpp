// The nesting geometry on its own: what fits a sheet, the placed block, the
// effective sheet and the values a manufacturing file answers, and the file
// keeping a placement.
#include <gtest/gtest.h>

#include "Model/FolvaneCADDocument.h"
#include "Model/FolvaneCADNesting.h"
#include "Model/FolvaneCADShape.h"
#include "TempFolder.h"

namespace {

using namespace FolvaneCAD;

// A 200 x 120 rectangle (cut), a crease across it and a 50 long perforation.
Design Blank(int industry = 2) {
  Design design;
  design.name = "blank";
  design.industry = industry;
  design.layers = {Layer{"Print", true, {}}};
  design.printItems = {PrintItem{"Front", {1}, 1, {}}};
  design.SetLines({Line{0, 0, 200, 0, 0, {}}, Line{200, 0, 200, 120, 0, {}}, Line{200, 120, 0, 120, 0, {}},
                  Line{0, 120, 0, 0, 0, {}}, Line{0, 60, 200, 60, 0, {}, 2}, Line{20, 20, 70, 20, 1, {}, 3}});
  return design;
}

// A 200 x 120 blank of 19,200 whose reversed copy nests 40 into it along
// either axis: a body 160 x 80, a tab 100 x 40 above its left part and one
// 40 x 60 beside its lower right.
Design Tabbed() {
  Design design;
  design.name = "tabbed";
  const double corners[][2] = {{0, 0},    {200, 0},  {200, 60}, {160, 60}, {160, 80},
                               {100, 80}, {100, 120}, {0, 120}, {0, 0}};
  std::vector<Line> lines;
  for (std::size_t i = 0; i + 1 < std::size(corners); ++i) {
    lines.push_back(Line{corners[i][0], corners[i][1], corners[i + 1][0], corners[i + 1][1], 0, {}});
  }
  lines.push_back(Line{0, 40, 160, 40, 0, {}, 2});
  design.SetLines(std::move(lines));
  return design;
}

// A 1000 x 700 sheet with margins of 10, columns 5 apart and rows 4 apart.
Layout Sheet(int nestCode = kStraightNest) {
  Layout layout;
  QK_TString error;
  EXPECT_TRUE(SetSheet(&layout, 1000, 700, Margins{10, 10, 10, 10}, &error)) << error;
  EXPECT_TRUE(SetNestData(&layout, nestCode, 5, 4, &error)) << error;
  return layout;
}

GridFit FitOfFirst(const Layout& layout) {
  GridFit fit;
  QK_TString error;
  EXPECT_TRUE(FitOf(layout, 1, &fit, &error)) << error;
  return fit;
}

TEST(NestingGeometryTest, StraightFitsCountGapsAndMargins) {
  Layout layout = Sheet();
  QK_TString error;
  ASSERT_EQ(AddOneup(&layout, Blank(), &error), 1) << error;
  GridFit fit = FitOfFirst(layout);
  // 980 wide: 4 x 200 + 3 x 5 = 815, a fifth needs 1020; 680 high: 5 x 120 + 4 x 4 = 616.
  EXPECT_EQ(fit.columns, 4);
  EXPECT_EQ(fit.rows, 5);

  ASSERT_TRUE(SetSheet(&layout, 1000, 640, Margins{10, 10, 14, 14}, &error));
  EXPECT_EQ(FitOfFirst(layout).rows, 4) << "five rows need 616 of 612";
  ASSERT_TRUE(SetSheet(&layout, 1000, 640, Margins{10, 10, 10, 14}, &error));
  EXPECT_EQ(FitOfFirst(layout).rows, 5) << "exactly 616 fits";
  EXPECT_FALSE(SetSheet(&layout, 1000, 0, Margins{}, &error));
  EXPECT_FALSE(SetSheet(&layout, 100, 640, Margins{50, 50, 0, 0}, &error));
  EXPECT_EQ(error, QK_TString("The margins leave no room on a sheet of 100 x 640"));
  EXPECT_EQ(layout.sheetHeight, 640) << "a refused sheet changes nothing";
}

TEST(NestingGeometryTest, ReverseNestsSaveTheAllowanceOfEveryPairAndAlignNestsHalfOfIt) {
  Design design = Tabbed();
  design.nestX = 30;
  design.nestY = 40;
  QK_TString error;
  std::vector<GridFit> fits;
  for (int code = kStraightNest; code <= kReverseColumnAlignNest; ++code) {
    Layout layout = Sheet(code);
    ASSERT_EQ(AddOneup(&layout, design, &error), 1);
    fits.push_back(FitOfFirst(layout));
  }
  // Rows: 6 x 120 + 5 x 4 - 3 x 40 = 620 fits 680; aligned 6 need 680 - 20 + 60 = 680 too,
  // 7 need 804. Columns: 5 x 200 + 4 x 5 - 2 x 30 = 960 fits 980; aligned 990 does not.
  EXPECT_EQ(fits[0].rows, 5);
  EXPECT_EQ(fits[0].columns, 4);
  EXPECT_EQ(fits[1].rows, 6);
  EXPECT_EQ(fits[1].columns, 4) << "a reverse-row nest saves nothing across";
  EXPECT_EQ(fits[2].rows, 5);
  EXPECT_EQ(fits[2].columns, 5);
  EXPECT_EQ(fits[3].rows, 6);
  EXPECT_EQ(fits[4].columns, 4);

  Layout layout = Sheet(kReverseRowNest);
  ASSERT_EQ(AddOneup(&layout, design, &error), 1);
  ASSERT_TRUE(PlaceGrid(&layout, 1, 0, 2, 1, false, &error)) << error;
  std::vector<PlacedCopy> copies = PlacedCopies(layout);
  ASSERT_EQ(copies.size(), 2u);
  EXPECT_EQ(copies[0].degrees, 0);
  EXPECT_EQ(copies[1].degrees, 180) << "the second row is reversed";
  EXPECT_DOUBLE_EQ(copies[1].y - copies[0].y, 120 + 4 - 40);
  EXPECT_DOUBLE_EQ(BlockSize(layout).height, 2 * 120 + 4 - 40);
}

// An allowance that would make a reversed pair overlap is cut to where
// their outlines touch. Which sides meet depends on the turn: turned half
// way round, the tabbed blank's flat sides face its reversed neighbours and
// nothing is saved. A rectangle's allowance is cut to nothing.
TEST(NestingGeometryTest, AnAllowanceIsCutToWhatKeepsTheReversedBlanksApart) {
  Design design = Tabbed();
  design.nestX = 90;
  design.nestY = 70;
  QK_TString error;
  struct Case {
    int rotation;
    double alongRows;
    double alongColumns;
  };
  for (const Case& c : {Case{0, 40, 40}, Case{90, 40, 0}, Case{180, 0, 0}, Case{270, 0, 40}}) {
    for (int code : {kReverseRowNest, kReverseColumnNest}) {
      Layout layout = Sheet(code);
      ASSERT_EQ(AddOneup(&layout, design, &error), 1);
      ASSERT_TRUE(SetRotation(&layout, c.rotation, &error));
      ASSERT_TRUE(PlaceGrid(&layout, 1, 0, 2, 2, true, &error)) << error;
      std::vector<PlacedCopy> copies = PlacedCopies(layout);
      ASSERT_EQ(copies.size(), 4u);
      Size cell = OneupSize(layout.designs[0], c.rotation);
      if (code == kReverseRowNest) {
        EXPECT_NEAR(copies[2].y - copies[0].y, cell.height + 4 - c.alongRows, 2e-4) << c.rotation;
      } else {
        EXPECT_NEAR(copies[1].x - copies[0].x, cell.width + 5 - c.alongColumns, 2e-4) << c.rotation;
      }
    }
  }

  Design rectangle = Blank();
  rectangle.nestY = 30;
  Layout layout = Sheet(kReverseRowNest);
  ASSERT_EQ(AddOneup(&layout, rectangle, &error), 1);
  ASSERT_TRUE(PlaceGrid(&layout, 1, 0, 2, 1, false, &error));
  EXPECT_DOUBLE_EQ(BlockSize(layout).height, 2 * 120 + 4);
}

// Scrap counts the blank inside the cut contour, not the rectangle around
// it, and never falls below what the blanks leave however much allowance a
// design declares.
TEST(NestingGeometryTest, ScrapIsTheSheetLessTheBlanksInsideTheCutContours) {
  Design design = Tabbed();
  design.nestY = 500;
  Document document(Sheet(kReverseRowNest), "sheet.MFG");
  Layout& layout = *document.layout();
  QK_TString error;
  ASSERT_EQ(AddOneup(&layout, design, &error), 1);
  ASSERT_TRUE(PlaceGrid(&layout, 1, 0, 4, 1, false, &error)) << error;
  ASSERT_TRUE(SetTrim(&layout, 1, 1, &error));
  auto number = [&](const char* name) { return document.Lookup(name)->number; };
  // Two pairs of rows, each 120 + 4 + 120 - 40, with 4 between them.
  EXPECT_NEAR(number("#SHTSIZEY"), 10 + 2 * 204 + 4 + 10, 4e-4);
  EXPECT_NEAR(number("#WASTEHSHT"), 100 * (1 - 4 * 19200.0 / (220 * number("#SHTSIZEY"))), 1e-6);
  ASSERT_TRUE(document.FocusDesign(1));
  EXPECT_EQ(number("#AREA"), 19200);
  EXPECT_EQ(number("#MANSIZEX"), 200) << "sizes stay those of the rectangle";
}

// The blank of a design: the area of its cut contour less the holes cut
// out of it; the rectangle when no cut lines close; computed again when the
// lines change.
TEST(NestingGeometryTest, TheBlankAreaFollowsTheClosedCutLines) {
  Design design = Tabbed();
  EXPECT_EQ(design.Shape().BlankArea(), 19200);
  std::vector<Line> lines = design.lines();
  // A window of 20 x 10, its sides in another order and direction.
  lines.push_back(Line{20, 10, 40, 10, 0, {}});
  lines.push_back(Line{20, 20, 20, 10, 0, {}});
  lines.push_back(Line{40, 10, 40, 20, 0, {}});
  lines.push_back(Line{40, 20, 20, 20, 0, {}});
  design.SetLines(lines);
  EXPECT_EQ(design.Shape().BlankArea(), 19200 - 200);

  lines.erase(lines.end() - 4, lines.end());
  lines.erase(lines.begin());  // the outline no longer closes
  design.SetLines(lines);
  EXPECT_EQ(design.Shape().BlankArea(), 200 * 120) << "the rectangle around the lines";
  EXPECT_FALSE(design.Shape().HasContour());

  Design crossing;
  crossing.SetLines({Line{0, 0, 100, 100, 0, {}}, Line{100, 100, 100, 0, 0, {}}, Line{100, 0, 0, 100, 0, {}},
                     Line{0, 100, 0, 0, 0, {}}});
  EXPECT_FALSE(crossing.Shape().HasContour()) << "a contour that crosses itself is none";
  EXPECT_EQ(crossing.Shape().BlankArea(), 100 * 100);

  design.SetUnit(Unit::kInch);
  EXPECT_NEAR(design.LineExtent().Width(), 200 / 25.4, 1e-12) << "a new unit is a new shape";
}

TEST(NestingGeometryTest, OneupsAddedAcrossTheLayoutsOrientationLieTurned) {
  Layout layout = Sheet();
  layout.orientation = kHorizontal;
  QK_TString error;
  ASSERT_EQ(AddOneup(&layout, Blank(kVertical), &error), 1);
  ASSERT_EQ(AddOneup(&layout, Blank(kHorizontal), &error), 2);
  EXPECT_TRUE(layout.designs[0].placement.turned);
  EXPECT_FALSE(layout.designs[1].placement.turned);
  Size turned = OneupSize(layout.designs[0], 0);
  EXPECT_EQ(turned.width, 120);
  EXPECT_EQ(turned.height, 200);
  EXPECT_EQ(FitOfFirst(layout).columns, 7) << "7 x 120 + 6 x 5 = 870";

  ASSERT_TRUE(SetRotation(&layout, -90, &error));
  EXPECT_EQ(layout.pendingRotation, 270);
  EXPECT_EQ(FitOfFirst(layout).columns, 4) << "a further quarter turn brings it back to 200 wide";
  EXPECT_FALSE(SetRotation(&layout, 45, &error));
  EXPECT_EQ(error, QK_TString("The rotation 45 is not a multiple of 90 degrees"));
  EXPECT_EQ(layout.pendingRotation, 270);
}

TEST(NestingGeometryTest, GridsAreRefusedWhenTheyDoNotFitAndLeaveThePlacementAsItWas) {
  Layout layout = Sheet();
  QK_TString error;
  ASSERT_EQ(AddOneup(&layout, Blank(), &error), 1);
  ASSERT_TRUE(PlaceGrid(&layout, 1, 1, 3, 2, false, &error));
  EXPECT_FALSE(PlaceGrid(&layout, 1, 1, 6, 2, false, &error));
  EXPECT_EQ(error, QK_TString("6 rows and 2 columns do not fit: at most 5 rows and 4 columns fit the sheet"));
  EXPECT_FALSE(PlaceGrid(&layout, 1, 2, 1, 1, false, &error));
  EXPECT_FALSE(PlaceGrid(&layout, 2, 0, 1, 1, false, &error));
  EXPECT_EQ(error, QK_TString("No one-up 2 (the layout has 1 one-ups)"));
  EXPECT_EQ(layout.designs[0].placement.rows, 3);
  EXPECT_EQ(layout.designs[0].ups, 6);

  Design empty;
  EXPECT_EQ(AddOneup(&layout, empty, &error), 0);
  EXPECT_EQ(layout.designs.size(), 1u);
}

TEST(NestingGeometryTest, TrimmingShrinksTheEffectiveSheetToTheBlockAndItsMargins) {
  Document document(Sheet(), "sheet.MFG");
  Layout& layout = *document.layout();
  QK_TString error;
  ASSERT_EQ(AddOneup(&layout, Blank(), &error), 1);
  ASSERT_TRUE(PlaceGrid(&layout, 1, 0, 3, 2, false, &error));
  auto number = [&](const char* name) { return document.Lookup(name)->number; };
  // Block: 2 x 200 + 5 across, 3 x 120 + 2 x 4 along.
  EXPECT_EQ(number("#MANSIZEX"), 405);
  EXPECT_EQ(number("#CUTSIZEY"), 368);
  EXPECT_EQ(number("#SHTSIZEX"), 1000);
  EXPECT_EQ(number("#NCROSS"), 2);
  EXPECT_EQ(number("#NBACK"), 3);
  EXPECT_EQ(number("#NUP"), 6);

  EXPECT_FALSE(SetTrim(&layout, 2, 0, &error));
  ASSERT_TRUE(SetTrim(&layout, 0, 1, &error));
  EXPECT_EQ(number("#SHTSIZEX"), 425);
  EXPECT_EQ(number("#SHTSIZEY"), 700);
  ASSERT_TRUE(SetTrim(&layout, 1, 1, &error));
  EXPECT_EQ(number("#SHTSIZEY"), 388);
  EXPECT_EQ(number("#AREA"), 425 * 388);
  EXPECT_NEAR(number("#WASTEHSHT"), 100 * (1 - 6 * 200.0 * 120 / (425 * 388)), 1e-9);

  ResetNesting(&layout);
  EXPECT_EQ(number("#SHTSIZEX"), 1000) << "a reset drops the options with the one-ups";
  EXPECT_EQ(number("#NUP"), 0);
  EXPECT_EQ(number("#WASTEHSHT"), 100);
}

TEST(NestingGeometryTest, ExpressionsOfAManufacturingFileReadTheLayoutFirst) {
  Layout layout = Sheet();
  layout.diePress = "Press A";
  layout.SetVariable("LAY.SHT1.SIZEX", Value::Number(1020));
  layout.SetVariable("#MANSIZEX", Value::Number(1));  // a file may hold anything; the layout's own comes first
  QK_TString error;
  ASSERT_EQ(AddOneup(&layout, Blank(), &error), 1);
  ASSERT_TRUE(PlaceGrid(&layout, 1, 0, 2, 3, false, &error));
  Document document(std::move(layout), "sheet.MFG");
  auto evaluate = [&](const char* expression) {
    return Evaluate(
        expression, [&](const QK_TString& name) { return document.Lookup(name); },
        [&](const QK_TString& name, const std::vector<Value>& arguments, QK_TString* refusal) {
          return document.CallFunction(name, arguments, refusal);
        });
  };
  EXPECT_EQ(evaluate("LAY.SHT1.SIZEX / 2").value.number, 510);
  EXPECT_EQ(evaluate("LAY.UNIT$ + #DPRSNAME$").value.text, QK_TString("MPress A"));
  EXPECT_EQ(evaluate("LENTYPE(1)").value.number, 6 * 640) << "the cut outline of every up";
  EXPECT_EQ(evaluate("LENTYPE(1 + 1) + lentype(3)").value.number, 6 * 200 + 6 * 50);
  EXPECT_EQ(evaluate("LENTYPE(7)").value.number, 0);
  EXPECT_EQ(evaluate("LENTYPE(\"x\")").error,
            QK_TString("LENTYPE takes one line type, a whole number from 0 to 1000"));
  EXPECT_EQ(evaluate("AREA(2)").error, QK_TString("Unknown function: AREA"));
  EXPECT_EQ(evaluate("#MANSIZEX").value.number, 1);

  ASSERT_TRUE(document.FocusDesign(1));
  EXPECT_EQ(evaluate("LENTYPE(2)").value.number, 200) << "the focused design's own lines";
  EXPECT_EQ(evaluate("#W$ + #NUPD").value.text, QK_TString("blank6"));
  EXPECT_EQ(evaluate("#AREA").value.number, 200 * 120);
  document.ReleaseFocus();
  EXPECT_EQ(evaluate("#AREA").value.number, 1000 * 700);
}

TEST(NestingGeometryTest, TheFileKeepsThePlacementAndTheLayoutsSettings) {
  Design design = Blank();
  design.nestY = 12.5;
  Layout layout = Sheet(kReverseRowNest);
  layout.orientation = kVertical;
  layout.diePress = "Press A";
  layout.SetVariable("LAY.FIL1.TIME$", Value::Text("12"));
  layout.SetVariable("DPRS.MINW", Value::Number(500));
  QK_TString error;
  ASSERT_EQ(AddOneup(&layout, design, &error), 1);
  ASSERT_TRUE(SetRotation(&layout, 180, &error));
  ASSERT_TRUE(PlaceGrid(&layout, 1, 1, 3, 2, true, &error));
  ASSERT_TRUE(SetPosition(&layout, 4, &error));
  ASSERT_TRUE(SetTrim(&layout, 1, 0, &error));

  TempFolder folder;
  Document written(layout, "");
  ASSERT_TRUE(written.Save(QK_TString(folder.File("nest.MFG")), &error)) << error;
  std::unique_ptr<Document> read = Document::Load(QK_TString(folder.File("nest.MFG")), &error);
  ASSERT_NE(read, nullptr) << error;
  const Layout& back = *read->layout();
  EXPECT_EQ(back.margins.top, 10);
  EXPECT_EQ(back.nestCode, kReverseRowNest);
  EXPECT_EQ(back.gapX, 5);
  EXPECT_EQ(back.orientation, kVertical);
  EXPECT_EQ(back.position, 4);
  EXPECT_TRUE(back.trimHeight);
  EXPECT_FALSE(back.trimWidth);
  EXPECT_EQ(back.diePress, QK_TString("Press A"));
  EXPECT_EQ(back.FindVariable("lay.fil1.time$")->value.text, QK_TString("12"));
  ASSERT_EQ(back.designs.size(), 1u);
  const EmbeddedDesign& oneup = back.designs[0];
  EXPECT_EQ(oneup.placement.rows, 3);
  EXPECT_EQ(oneup.placement.columns, 2);
  EXPECT_EQ(oneup.placement.printItem, 1);
  EXPECT_EQ(oneup.placement.rotation, 180);
  EXPECT_TRUE(oneup.placement.turned) << "added vertically, a folding carton lies turned";
  EXPECT_EQ(oneup.ups, 6);
  EXPECT_EQ(oneup.design.nestY, 12.5);
  EXPECT_EQ(oneup.design.lines()[4].type, 2);
  EXPECT_EQ(BlockSize(back).height, BlockSize(layout).height);
  EXPECT_EQ(read->Lookup("#SHTSIZEY")->number, written.Lookup("#SHTSIZEY")->number);

  // In inches every length of the layout keeps its size.
  read->SetUnit(Unit::kInch);
  EXPECT_NEAR(read->Lookup("DPRS.MINW")->number, 500 / 25.4, 1e-9);
  EXPECT_NEAR(read->Lookup("#SHTSIZEY")->number, written.Lookup("#SHTSIZEY")->number / 25.4, 1e-9);
  EXPECT_NEAR(read->layout()->designs[0].design.nestY, 12.5 / 25.4, 1e-12);
}

TEST(NestingGeometryTest, BrokenPlacementsInAFileAreRefusedWithTheirLine) {
  TempFolder folder;
  QK_TString error;
  std::string path =
      folder.Write("bad.MFG", "<Layout>\n  <Design rows=\"2\"><Line x2=\"1\" y2=\"1\"/></Design>\n</Layout>");
  EXPECT_EQ(Document::Load(QK_TString(path), &error), nullptr);
  EXPECT_NE(error.Find("line 2: a grid of 2 rows and 0 columns cannot be placed"), QK_TString::npos) << error;
  path = folder.Write("bad.MFG", "<Layout nestCode=\"6\"/>");
  EXPECT_EQ(Document::Load(QK_TString(path), &error), nullptr);
  EXPECT_NE(error.Find("nestCode"), QK_TString::npos) << error;
}

}  // namespace
