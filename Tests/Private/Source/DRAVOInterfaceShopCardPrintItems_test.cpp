// Shop-card outputs made per print item, on a mock CAD application whose
// design holds the print items Front, Lid and Back: output names, the
// outputs of every or of listed print items, and the per-output drivers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "OperationDriver.h"
#include "ShopCardTestRecords.h"
#include "TaskError.h"

namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::InSequence;
using ::testing::Return;

using Names = std::vector<QK_TString>;

TEST(PrintItemOutputNameTest, TheSanitizedNameGoesBeforeTheExtensionOfTheFileName) {
  QK_TString location("C:\\out\\card.pdf");
  EXPECT_EQ(CAD::DRAVOInterface::MakePrintItemOutputName(location, "Lid"), QK_TString("C:/out/card_Lid.pdf"));
  EXPECT_EQ(location, QK_TString("C:/out/card.pdf"));
  QK_TString dottedFolder("/out/v1.2/card");
  EXPECT_EQ(CAD::DRAVOInterface::MakePrintItemOutputName(dottedFolder, "Lid"),
            QK_TString("/out/v1.2/card_Lid"));
  EXPECT_EQ(CAD::DRAVOInterface::MakePrintItemOutputName(location, "Top/Side:1"),
            QK_TString("C:/out/card_Top_Side_1.pdf"));
}

class PrintItemOutputTest : public OperationTest {
 protected:
  PrintItemOutputTest() {
    ON_CALL(cad, OpenDesign(_)).WillByDefault([this](const QK_TString&) { ++opened; });
    ON_CALL(cad, CloseDesign()).WillByDefault([this] { --opened; });
    ON_CALL(cad, GetPrintItemCount(1)).WillByDefault(Return(3));
    ON_CALL(cad, GetPrintItemName(1, _)).WillByDefault([](std::int32_t, std::int32_t index) {
      return QK_TString(index == 1 ? "Front" : index == 2 ? "Lid" : "Back");
    });
    ON_CALL(cad, InvokeMethod16(_, _, _))
        .WillByDefault([this](const QK_TString&, std::int16_t, const QK_TString& path) {
          written.push_back(path);
          return std::int16_t{0};
        });
    record.designPath = "/designs";
    record.designName = "box.kpx";
    record.outputLocation = QK_TURL(QK_TString("/out/job.xml"));
  }

  CAD::ShopCardTicketData record;
  int opened = 0;  // designs open now
  Names written;   // output paths, in order
};

TEST_F(PrintItemOutputTest, EveryPrintItemIsOutputOncePerCopyInAFreshlyPreparedDesign) {
  record.rebuildDesign = 1;
  AddShopCardVariable(record, "L", "300");
  EXPECT_CALL(cad, SetNumericVariable(QK_TString("L"), 300.0)).Times(3).WillRepeatedly(Return(0));
  EXPECT_CALL(cad, Rebuild()).Times(3).WillRepeatedly(Return(0));
  EXPECT_CALL(cad, OpenDesign(QK_TString("box.kpx"))).Times(4);  // the count, then each item
  for (int index : {1, 2, 3}) EXPECT_CALL(cad, SelectPrintItem(1, index, 1)).WillOnce(Return(0));
  Names produced;
  cad.OutputAllPrintItems(record, "box.kpx", *ShopCardOutput("Sheet", "/out/sheet.pdf", 2), produced);
  EXPECT_EQ(written, (Names{"/out/sheet_Front.pdf", "/out/sheet_Front.pdf", "/out/sheet_Lid.pdf",
                            "/out/sheet_Lid.pdf", "/out/sheet_Back.pdf", "/out/sheet_Back.pdf"}));
  EXPECT_EQ(produced, (Names{"/out/sheet_Front.pdf", "/out/sheet_Lid.pdf", "/out/sheet_Back.pdf"}));
  EXPECT_EQ(opened, 0);
}

TEST_F(PrintItemOutputTest, AListedNameMatchesIgnoringCaseAndItsPrintItemIsSelectedBeforeItsOutput) {
  {
    InSequence order;
    EXPECT_CALL(cad, SelectPrintItem(1, 2, 1)).WillOnce(Return(0));
    EXPECT_CALL(cad, InvokeMethod16(QK_TString("Sheet"), 1, QK_TString("/out/s_Lid.pdf")))
        .WillOnce(Return(0));
  }
  Names produced;
  EXPECT_THROW(cad.OutputListedPrintItems(record, {"lid", "BOTTOM"}, "box.kpx",
                                          *ShopCardOutput("Sheet", "/out/s.pdf"), produced),
               TaskError);
  EXPECT_EQ(produced, (Names{"/out/s_Lid.pdf"}));
  EXPECT_EQ(task.Messages().back(), "message 2 shapejobs.error.noprintitemmatch BOTTOM");
  EXPECT_EQ(opened, 0);
}

TEST_F(PrintItemOutputTest, AnOutputWithoutLocationOrADesignWithoutPrintItemsIsAnError) {
  Names produced;
  EXPECT_THROW(cad.OutputAllPrintItems(record, "box.kpx", *ShopCardOutput("Sheet"), produced), TaskError);
  ON_CALL(cad, GetPrintItemCount(1)).WillByDefault(Return(0));
  EXPECT_THROW(cad.OutputListedPrintItems(record, {"LID"}, "box.kpx", *ShopCardOutput("Sheet", "/out/s.pdf"),
                                          produced),
               TaskError);
  EXPECT_THAT(task.Messages(), testing::IsSupersetOf({"message 2 shapejobs.error.pathnotprovided Sheet",
                                                      "message 2 shapejobs.error.noprintitemfound"}));
  EXPECT_EQ(written, Names{});
}

TEST_F(PrintItemOutputTest, TheOutputListGivesOneListPerOutputAlsoForOutputsThatMakeNothing) {
  record.layerClasses = "ALL";
  record.outputs = {ShopCardOutput("", "/out/none.pdf"), ShopCardOutput("Sheet", "/out/sheet.pdf"),
                    ShopCardOutput("Cut", "/out/cut.pdf", 0), ShopCardOutput("Plan", "/out/plan.pdf")};
  EXPECT_CALL(cad, SetLayer(0, 1)).Times(1);  // only the output of the whole design switches layers
  CAD::DRAVOInterface::PrintItemNameLists produced;
  cad.RunShopCardOutputList(record, {{}, {"ALL"}, {}, {}}, produced);
  EXPECT_THAT(produced,
              ElementsAre(Names{}, Names{"/out/sheet_Front.pdf", "/out/sheet_Lid.pdf", "/out/sheet_Back.pdf"},
                          Names{}, Names{"/out/plan.pdf"}));
  EXPECT_EQ(task.sink.Starting("message 0 shapejobs.message.shopcardrunoutput").size(), 4u);
  EXPECT_EQ(opened, 0);
}

TEST_F(PrintItemOutputTest, TheSingleOutputOfOnePrintItemGoesToTheTaskLocationOfSeveralToTheirOwn) {
  record.outputs = {ShopCardOutput("Sheet", "/out/sheet.pdf", 2)};
  record.outputLocation = QK_TURL(QK_TString("/out/job.pdf"));
  EXPECT_CALL(cad, SelectPrintItem(1, 3, 1)).Times(2);
  EXPECT_CALL(cad, SelectPrintItem(1, 1, 1));
  Names produced;
  cad.RunShopCardSingleOutput(record, {{"BACK"}}, produced);
  EXPECT_EQ(written, (Names{"/out/job.pdf", "/out/job.pdf"}));
  EXPECT_EQ(produced, Names{});
  cad.RunShopCardSingleOutput(record, {{"BACK", "FRONT"}}, produced);
  EXPECT_EQ(produced, (Names{"/out/sheet_Back.pdf", "/out/sheet_Front.pdf"}));
  EXPECT_EQ(opened, 0);
}

}  // namespace
