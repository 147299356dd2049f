// The split operation on a mock CAD application whose design holds the
// print items Front, Lid and Back: the print item kept, the others deleted,
// the parts of no kept item removed, the result saved at the output path.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DravoException.h"
#include "OperationDriver.h"
#include "TaskError.h"

namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::InSequence;
using ::testing::Return;

class SplitTest : public OperationTest {
 protected:
  SplitTest() {
    ON_CALL(cad, GetPrintItemCount(1)).WillByDefault(Return(3));
    ON_CALL(cad, GetPrintItemName(1, _)).WillByDefault([](std::int32_t, std::int32_t index) {
      return QK_TString(index == 1 ? "Front" : index == 2 ? "Lid" : "Back");
    });
    ON_CALL(cad, DeletePrintItem(_)).WillByDefault([this](std::int32_t index) {
      deleted.push_back(index);
      return std::int16_t{0};
    });
    record.designPath = "/designs/box.kpx";
    record.printItem = "lid";
    record.outputPath = "/out/job.kpx";
    record.databaseKind = "Enterprise";
  }

  CAD::SplitDesignTicketData record;
  std::vector<std::int32_t> deleted;
};

TEST_F(SplitTest, TheOtherPrintItemsAreDeletedHighestFirstAndTheDesignSavedAtTheOutputPath) {
  {
    InSequence order;
    EXPECT_CALL(cad, OpenDesign(QK_TString("/designs/box.kpx")));
    EXPECT_CALL(cad, DeletePrintItem(3));
    EXPECT_CALL(cad, DeletePrintItem(1));
    EXPECT_CALL(cad, SetOption72(1));
    EXPECT_CALL(cad, SetOption36(0));
    EXPECT_CALL(cad, SaveDesign(QK_TString("/out/job.kpx"))).WillOnce(Return(0));
    EXPECT_CALL(cad, CloseDesign());
  }
  EXPECT_EQ(cad.SplitDesign(record), 0);
  EXPECT_THAT(task.Messages(), ElementsAre("message 0 shapejobs.message.designname /designs/box.kpx",
                                           "message 0 shapejobs.message.outputdesignpath /out/job.kpx"));
}

TEST_F(SplitTest, AnOutputNameIsSavedInTheOutputFolderWithOrWithoutItsTrailingSlash) {
  record.outputFileName = "lid.kpx";
  record.outputPath = "/out";
  EXPECT_CALL(cad, SaveDesign(QK_TString("/out/lid.kpx"))).Times(2).WillRepeatedly(Return(0));
  cad.SplitDesign(record);
  record.outputPath = "/out/";
  cad.SplitDesign(record);
}

TEST_F(SplitTest, TheDesignNameMustBeGivenAndEndInTheNativeExtension) {
  record.designPath = "";
  try {
    cad.SplitDesign(record);
    FAIL() << "no exception";
  } catch (const CAD::EmptyDesignNameException& e) {
    EXPECT_EQ(e.QK_Message(), QK_TString("The Design Name is Empty"));
  }
  EXPECT_THAT(task.Messages(), ElementsAre());
  record.designPath = "/designs/BOX.KpX";
  EXPECT_EQ(cad.SplitDesign(record), 0);
  for (const char* design : {"/designs/box.MFG", "/designs/box", "@Cartons:box", "/designs/box.kpx.bak"}) {
    record.designPath = design;
    EXPECT_THROW(cad.SplitDesign(record), TaskError) << design;
    EXPECT_EQ(task.Messages().back(), std::string("message 2 shapejobs.error.invalidfiletype ") + design);
  }
}

TEST_F(SplitTest, APrintItemThatIsNotThereOrNotNamedEndsTheSplit) {
  EXPECT_CALL(cad, DeletePrintItem(_)).Times(0);
  EXPECT_CALL(cad, SaveDesign(_)).Times(0);
  record.printItem = "Bottom";
  EXPECT_THROW(cad.SplitDesign(record), TaskError);
  record.printItem = "";
  EXPECT_THROW(cad.SplitDesign(record), TaskError);
  EXPECT_THAT(task.Messages(), ElementsAre("message 0 shapejobs.message.designname /designs/box.kpx",
                                           "message 2 shapejobs.error.noprintitemmatch Bottom",
                                           "message 0 shapejobs.message.designname /designs/box.kpx",
                                           "message 2 shapejobs.error.noprintitemprovided"));
}

TEST_F(SplitTest, AFailedDeleteIsReportedWithTheDesignAndEndsTheSplit) {
  EXPECT_CALL(cad, DeletePrintItem(3)).WillOnce(Return(2));
  EXPECT_CALL(cad, DeletePrintItem(1)).Times(0);
  EXPECT_CALL(cad, CloseDesign()).Times(0);  // the design stays open after a failure
  EXPECT_THROW(cad.SplitDesign(record), TaskError);
  EXPECT_THAT(task.Messages(),
              ElementsAre("message 0 shapejobs.message.designname /designs/box.kpx",
                          "message 2 shapejobs.error.deleteprintitemfailed",
                          "message 2 shapejobs.message.designpathnotfound /designs/box.kpx"));
}

TEST_F(SplitTest, AFailingCommandScriptOnlyWarns) {
  record.commandScript = "EXE /s/split.cmd";
  EXPECT_CALL(cad, RunCommand(QK_TString("EXE /s/split.cmd"))).WillOnce(Return(1));
  EXPECT_CALL(cad, GetErrorString()).WillOnce(Return(QK_TString("script failed")));
  EXPECT_CALL(cad, SaveDesign(_)).WillOnce(Return(0));
  EXPECT_EQ(cad.SplitDesign(record), 0);
  EXPECT_THAT(task.Messages(),
              testing::Contains("message 1 shapejobs.message.dravoerrorstring script failed"));
}

TEST_F(SplitTest, TheLastPrintItemOfTheWantedNameIsKeptAndNoneOfThatNameIsDeleted) {
  ON_CALL(cad, GetPrintItemName(1, _)).WillByDefault([](std::int32_t, std::int32_t index) {
    return QK_TString(index == 2 ? "Back" : "LID");
  });
  ON_CALL(cad, GetPrintItemCount(2)).WillByDefault(Return(1));
  EXPECT_CALL(cad, CheckPrintItem(3, 3, 1)).WillOnce(Return(0));
  cad.SplitDesign(record);
  EXPECT_EQ(deleted, std::vector<std::int32_t>{2});
}

TEST_F(SplitTest, MatchingListsTheOthersHighestFirstAndRemovesThePartsOfNoKeptItem) {
  ON_CALL(cad, GetPrintItemCount(2)).WillByDefault(Return(3));
  {
    InSequence order;
    EXPECT_CALL(cad, CheckPrintItem(2, 3, 3)).WillOnce(Return(1));
    EXPECT_CALL(cad, RemovePrintItem(3));
    EXPECT_CALL(cad, CheckPrintItem(2, 3, 2)).WillOnce(Return(0));
    EXPECT_CALL(cad, SetLayer(0, 1));
    EXPECT_CALL(cad, CheckPrintItem(2, 3, 1)).WillOnce(Return(1));
    EXPECT_CALL(cad, RemovePrintItem(1));
  }
  std::vector<QK_TString> names;
  std::vector<std::int32_t> indexes;
  cad.MatchSplitPrintItem(names, indexes, 3, "LID");
  EXPECT_EQ(names, (std::vector<QK_TString>{"Back", "Front"}));
  EXPECT_EQ(indexes, (std::vector<std::int32_t>{3, 1}));
}

}  // namespace
