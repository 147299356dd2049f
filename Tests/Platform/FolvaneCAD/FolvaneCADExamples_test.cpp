// The example CAD files under examples/cad open in the stand-in and hold
// what the example tickets rely on.
#include <cstdint>

#include "FolvaneCADTestSupport.h"

namespace {

using namespace conventional;

class ExamplesTest : public FolvaneCADTest {
 protected:
  COleDispatchDriver& Open(const char* example) {
    COleDispatchDriver& cad = Create(L"FolvaneCAD-X.DravoCtrl.1");
    std::wstring path = Wide(std::string(SHAPEJOB_SOURCE_DIR) + "/examples/cad/" + example);
    EXPECT_EQ(Status(cad, kOpen, VTS_BSTR VTS_I2, path.c_str(), short(1)), 0) << example;
    return cad;
  }

  static std::int32_t Count(COleDispatchDriver& cad, std::int32_t kind) {
    std::int32_t count = -1;
    cad.InvokeHelper(kPrintItemCount, DISPATCH_METHOD, VT_I4, &count, VTS_I4, kind);
    return count;
  }
};

TEST_F(ExamplesTest, TheGiftBoxHasThreePrintItemsOfALayerEach) {
  COleDispatchDriver& cad = Open("designs/gift-box.kpx");
  ASSERT_EQ(Count(cad, 1), 3);
  ASSERT_EQ(Count(cad, 2), 3);
  const std::vector<std::wstring> names = {L"Front", L"Back", L"Lid"};
  for (std::int32_t item = 1; item <= 3; ++item) {
    EXPECT_EQ(Text(cad, kPrintItemName, VTS_I4 VTS_I4, std::int32_t{1}, item), names[item - 1]);
    for (std::int32_t layer = 1; layer <= 3; ++layer) {
      EXPECT_EQ(Status(cad, kCheckPrintItem, VTS_I4 VTS_I4 VTS_I4, item, std::int32_t{3}, layer),
                layer == item ? 0 : 1)
          << item << " " << layer;
    }
  }
}

TEST_F(ExamplesTest, TheSheetHoldsDesignsOfTwoNoAndOnePrintItem) {
  COleDispatchDriver& cad = Open("designs/sheet.MFG");
  ASSERT_EQ(Number(cad, kEvalNumber, VTS_BSTR, L"#NDESIGNSA"), 3.0);
  std::vector<double> items;
  for (std::int32_t design = 1; design <= 3; ++design) {
    ASSERT_EQ(Status(cad, kPrepareDesign, VTS_I4 VTS_BOOL, design, true), 0);
    items.push_back(Number(cad, kEvalNumber, VTS_BSTR, L"#NITEMS"));
  }
  EXPECT_EQ(items, (std::vector<double>{2, 0, 1}));
  ASSERT_EQ(Status(cad, kCreatePrintItems, VTS_I4 VTS_BOOL, std::int32_t{4}, true), 0);
  EXPECT_EQ(Text(cad, kEvalText, VTS_BSTR, L"#W$ + \":\" + #ITEM$"), L"sleeve:Label");
}

TEST_F(ExamplesTest, TheManufacturingTemplateHoldsTheLayoutVariablesInMillimetres) {
  COleDispatchDriver& cad = Open("templates/sheet-1020x720.MFG");
  EXPECT_EQ(Number(cad, kEvalNumber, VTS_BSTR, L"#NDESIGNSA"), 0.0);
  EXPECT_EQ(Text(cad, kEvalText, VTS_BSTR, L"LAY.UNIT$ + \":\" + #DPRSNAME$"), L"M:Press A");
  const std::vector<std::pair<const wchar_t*, double>> values = {
      {L"LAY.SHT1.SIZEX", 1020}, {L"LAY.SHT1.SIZEY", 720}, {L"LAY.SHT1.LEFT", 10}, {L"LAY.SHT1.RIGHT", 10},
      {L"LAY.SHT1.TOP", 10},     {L"LAY.SHT1.BOTTOM", 10}, {L"LAY.BLEEDL", 3},     {L"LAY.BLEEDY", 3},
      {L"DPRS.MINW", 500},       {L"DPRS.MINH", 400}};
  for (const auto& [name, value] : values) EXPECT_EQ(Number(cad, kEvalNumber, VTS_BSTR, name), value) << name;
}

TEST_F(ExamplesTest, TheTuckEndDesignTellsCutsCreasesAndPerforations) {
  COleDispatchDriver& cad = Open("designs/tuck-end.kpx");
  EXPECT_EQ(Number(cad, kEvalNumber, VTS_BSTR, L"LENTYPE(2)"), 740.0);
  EXPECT_EQ(Number(cad, kEvalNumber, VTS_BSTR, L"LENTYPE(3)"), 60.0);
  EXPECT_GT(Number(cad, kEvalNumber, VTS_BSTR, L"LENTYPE(1)"), 740.0);
}

TEST_F(ExamplesTest, TheTuckEndDesignCarriesTheMenusOfItsStandard) {
  COleDispatchDriver& standard = Create(L"FolvaneCAD-X.DravoStandard.1");
  std::wstring path = Wide(std::string(SHAPEJOB_SOURCE_DIR) + "/examples/cad/designs/tuck-end.kpx");
  ASSERT_EQ(Status(standard, 1, VTS_BSTR VTS_I2 VTS_I2 VTS_BSTR VTS_BSTR, path.c_str(), short(0), short(1),
                   L"", L"Vertical - millimeters - Single design parameters"),
            0);
  EXPECT_EQ(Status(standard, 2, VTS_NONE), 4);
  COleDispatchDriver& cad = Open("designs/tuck-end.kpx");
  EXPECT_EQ(Count(cad, 1), 2) << "the main control opens it as before";
}

}  // namespace
