// The steps of a shop-card output on a mock CAD application: the rebuild
// between its hooks, the variables, the layers, the print-item lists, and
// one output with its sample type.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "DravoException.h"
#include "OperationDriver.h"
#include "ShopCardTestRecords.h"
#include "TW_THost.h"
#include "TaskError.h"

namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::InSequence;
using ::testing::Return;

class ShopCardPrepareTest : public OperationTest {
 protected:
  CAD::ShopCardTicketData record;
};

TEST_F(ShopCardPrepareTest, RebuildRunsBetweenItsHooksAndAnswersTheRebuildStatus) {
  AddCommandScript(record, "PRE_REBUILD", "EXE /s/pre.cmd");
  AddCommandScript(record, "POST_REBUILD", "EXE /s/post.cmd");
  ON_CALL(cad, GetErrorString()).WillByDefault(Return(QK_TString("not rebuilt")));
  {
    InSequence order;
    EXPECT_CALL(cad, RunCommand(QK_TString("EXE /s/pre.cmd"))).WillOnce(Return(0));
    EXPECT_CALL(cad, Rebuild()).WillOnce(Return(3));
    EXPECT_CALL(cad, RunCommand(QK_TString("EXE /s/post.cmd"))).WillOnce(Return(0));
  }
  EXPECT_EQ(cad.RebuildDesign(record), 3);
  EXPECT_THAT(task.Messages(),
              ElementsAre("message 0 shapejobs.message.shopcarddoprerebuild EXE /s/pre.cmd",
                          "message 0 shapejobs.message.shopcarddorebuild",
                          "message 2 shapejobs.message.dravoerrorstring not rebuilt",
                          "message 0 shapejobs.message.shopcarddopostrebuild EXE /s/post.cmd"));
}

TEST_F(ShopCardPrepareTest, VariablesAreSetAsTextOrNumberAddedWhenMissingAndARefusalNamesTheVariable) {
  AddShopCardVariable(record, "TITLE$", "42");
  AddShopCardVariable(record, "L", "12.5mm");
  AddShopCardVariable(record, "W", "wide");
  AddShopCardVariable(record, "NOTE$", "hello");
  {
    InSequence order;
    EXPECT_CALL(cad, SetStringVariable(QK_TString("TITLE$"), QK_TString("42"))).WillOnce(Return(0));
    EXPECT_CALL(cad, SetNumericVariable(QK_TString("L"), 12.5)).WillOnce(Return(1));
    EXPECT_CALL(cad, AddNumericVariable(QK_TString("L"), 12.5)).WillOnce(Return(0));
    EXPECT_CALL(cad, SetNumericVariable(QK_TString("W"), 0.0)).WillOnce(Return(0));
    EXPECT_CALL(cad, SetStringVariable(QK_TString("NOTE$"), _)).WillOnce(Return(1));
    EXPECT_CALL(cad, AddStringVariable(QK_TString("NOTE$"), _)).WillOnce(Return(1));
    EXPECT_CALL(cad, GetErrorString()).WillOnce(Return(QK_TString("no such variable")));
  }
  cad.SetShopCardVariables(record);
  EXPECT_THAT(task.Messages(), ElementsAre("message 0 shapejobs.message.shopcarddovariables",
                                           "message 2 NOTE$\thello no such variable"));
}

TEST(VariableFailureLineTest, AKeyMadeOfTicketTextIsPrintedAsOneQuotedField) {
  std::ostringstream out;
  TW_TLinePrinter printer(out);
  printer.Message(2, "NOTE$\thello world", {QK_TAny("no such variable")});
  printer.Message(2, "say\"x\"", {});
  printer.Message(2, "shapejobs.message.dravoerrorstring", {QK_TAny("x")});
  EXPECT_EQ(out.str(),
            "message 2 \"NOTE$\\thello world\" \"no such variable\"\n"
            "message 2 \"say\\\"x\\\"\"\n"
            "message 2 shapejobs.message.dravoerrorstring \"x\"\n");
}

// The SetLayer calls that a layerClasses text gives.
class LayerClassesTest : public ShopCardPrepareTest {
 protected:
  using LayerCalls = std::vector<std::pair<int, int>>;

  LayerClassesTest() {
    ON_CALL(cad, SetLayer(_, _)).WillByDefault([this](std::int32_t index, std::int16_t on) {
      calls.emplace_back(index, on);
      return std::int16_t{0};
    });
  }
  LayerCalls Calls(const char* classes) {
    calls.clear();
    record.layerClasses = classes;
    cad.ApplyLayerClasses(record);
    return calls;
  }

  LayerCalls calls;
};

TEST_F(LayerClassesTest, AllLastOrANumberListReadWhole) {
  EXPECT_EQ(Calls("all"), (LayerCalls{{0, 1}}));
  EXPECT_EQ(Calls("LaSt"), (LayerCalls{{-1, 1}}));
  EXPECT_EQ(Calls(""), (LayerCalls{{0, 0}}));
  EXPECT_EQ(Calls("1,4"), (LayerCalls{{0, 0}, {1, 1}, {4, 1}}));
  EXPECT_EQ(Calls("12, 3,"), (LayerCalls{{0, 0}, {12, 1}, {3, 1}}));
  EXPECT_EQ(task.Messages().front(), "message 0 shapejobs.message.shopcarddolayers all");
}

TEST_F(LayerClassesTest, AnItemThatIsNoLayerNumberIsReportedAndNeverAddressesAllOrTheLastLayer) {
  EXPECT_EQ(Calls("0,-1,2x,5"), (LayerCalls{{0, 0}, {5, 1}}));
  const std::vector<std::string> messages = task.Messages();
  ASSERT_EQ(messages.size(), 4u);
  for (const char* item : {"\"0\"", "\"-1\"", "\"2x\""}) {
    EXPECT_THAT(messages, testing::Contains(testing::AllOf(
                              testing::StartsWith("message 2 shapejobs.message.dravoerrorstring"),
                              testing::HasSubstr(item))));
  }
}

TEST_F(ShopCardPrepareTest, EachOutputGetsItsUpperCaseListAndOnlyNamedListsAreCollectedAgain) {
  for (const char* items : {"front, back,,", "", " lid "}) {
    record.outputs.push_back(ShopCardOutput("Sheet", "", 1, items));
  }
  CAD::DRAVOInterface::PrintItemNameLists lists;
  CAD::DRAVOInterface::PrintItemNameLists named;
  CAD::DRAVOInterface::CollectOutputPrintItems(record, lists, named);
  using Names = std::vector<QK_TString>;
  EXPECT_THAT(lists, ElementsAre(Names{"FRONT", "BACK"}, Names{}, Names{"LID"}));
  EXPECT_THAT(named, ElementsAre(Names{"FRONT", "BACK"}, Names{"LID"}));
}

TEST_F(ShopCardPrepareTest, TheSampleTypeIsASigned16BitNumberOrTheOutputFailsBeforeTheCadApplication) {
  EXPECT_CALL(cad, InvokeMethod16(QK_TString("Sheet"), 2, QK_TString("/out/card.pdf"))).WillOnce(Return(0));
  EXPECT_CALL(cad, InvokeMethod16(QK_TString("Sheet"), -5, QK_TString(""))).WillOnce(Return(0));
  auto output = ShopCardOutput("Sheet");
  for (const char* accepted : {"2", "-5"}) {
    output->SampleType = accepted;
    cad.OutputDesign(*output, accepted == std::string("2") ? "/out/card.pdf" : "");
  }
  for (const char* refused : {"40000", "two", ""}) {
    output->SampleType = refused;
    EXPECT_THROW(cad.OutputDesign(*output, ""), TaskError) << refused;
  }
  EXPECT_EQ(task.Messages().front(), "message 2 shapejobs.error.invalidsampletype 40000");
  EXPECT_EQ(task.Messages().size(), 3u);
}

TEST_F(ShopCardPrepareTest, ARefusedOutputIsReportedClosesTheDesignAndCarriesTheTextReadAfterTheClose) {
  {
    InSequence order;
    EXPECT_CALL(cad, InvokeMethod16(_, _, _)).WillOnce(Return(2));
    EXPECT_CALL(cad, GetErrorString()).WillOnce(Return(QK_TString("output refused")));
    EXPECT_CALL(cad, CloseDesign());
    EXPECT_CALL(cad, GetErrorString()).WillOnce(Return(QK_TString("no design open")));
  }
  try {
    cad.OutputDesign(*ShopCardOutput("Sheet"), "");
    FAIL() << "no exception";
  } catch (const CAD::DravoError& e) {
    EXPECT_EQ(e.QK_Message(), QK_TString("OutputDesign failed"));
    EXPECT_EQ(e.QK_Data().ToText(), QK_TString("no design open"));
  }
  EXPECT_THAT(task.Messages(),
              ElementsAre("message 2 shapejobs.message.shopcardrunoutputfail output refused"));
}

}  // namespace
