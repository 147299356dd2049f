// The builder calls: each builder failure becomes the one message of its
// row (after a log of the exception) and a bare TaskError.
#include <gtest/gtest.h>

#include "ConnectedTask.h"
#include "ShopCardTicketException.h"
#include "TaskError.h"

namespace {

class BuilderCallTest : public TaskTest {
 protected:
  QK_TURL Input(const char* name, const char* content) { return folder.WriteUrl(name, content); }
  void Set(std::initializer_list<std::pair<const char*, const char*>> values) {
    for (const auto& [key, value] : values) parameters.Set(key, QK_TAny(value));
  }
  void RunStandardTicket() { SetRunStandardParameters(parameters, "std.ard"); }
  // The messages of severity 2 that the call sent.
  std::vector<std::string> Errors() const { return sink.Starting("message 2"); }

  QK_TDict parameters;
};

TEST_F(BuilderCallTest, RunStandardRowsNameTheInputFileOrTheBuildersMessage) {
  RunStandardTicket();
  parameters.Set("BOARD_CODE", QK_TAny("xpath:/job/board"));
  const QK_TURL notXml = Input("order.pdf", "%PDF-1.4 not xml");
  AT_TTicket ticket("runstandard", parameters);
  CAD::RunStandardTicketData record;
  EXPECT_THROW(task.BuildRunStandardTicket(ticket, notXml, record), TaskError);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0].rfind("message 2 shapejobs.error.NonWellFormedXML " + notXml.ToString().str() +
                                  " Error at line ",
                              0),
            0u)
      << Errors()[0];
  EXPECT_EQ(sink.logs.size(), 1u);

  sink = RecordingSink();
  parameters.Set("BOARD_CODE", QK_TAny("xpath:/job/nothing"));
  AT_TTicket missing("runstandard", parameters);
  EXPECT_THROW(task.BuildRunStandardTicket(missing, Input("job.xml", "<job/>"), record), TaskError);
  EXPECT_EQ(Errors(), std::vector<std::string>{
                          "message 2 shapejobs.message.xpathexception Param Name : BoardCode , Xpath : /job/nothing"});
}

TEST_F(BuilderCallTest, RunStandardOnAnEnterpriseServerNeedsProjectAndName) {
  RunStandardTicket();
  Set({{"PROJECT_NAME", ""}, {"ENT_STD_NAME", "Tray"}, {"VERSION", ""}});
  task.UseServer(EnterpriseServer("Cloud"));
  AT_TTicket ticket("runstandard", parameters);
  CAD::RunStandardTicketData record;
  EXPECT_THROW(task.BuildRunStandardTicket(ticket, Input("job.xml", "<job/>"), record), TaskError);
  EXPECT_EQ(record.databaseKind, QK_TString("Enterprise"));
  EXPECT_EQ(Errors(), std::vector<std::string>{
                          "message 2 shapejobs.message.projectanddesignmandatory Project Name: , Design Name:Tray"});
}

TEST_F(BuilderCallTest, PlainFailuresOfABuilderReportTheFileAndTheText) {
  RunStandardTicket();
  parameters.Set("BOARD_CODE", QK_TAny("<nosuchname/>"));
  const QK_TURL input = Input("job.xml", "<job/>");
  AT_TTicket ticket("runstandard", parameters);
  CAD::RunStandardTicketData record;
  EXPECT_THROW(task.BuildRunStandardTicket(ticket, input, record), TaskError);
  EXPECT_EQ(Errors(), (std::vector<std::string>{
                          "message 2 shapejobs.message.couldnotresolve <nosuchname/>",
                          "message 2 shapejobs.error.CouldNotGetFileInfo " + input.ToString().str() +
                              " Veltrop: <nosuchname/> failed to resolved:"}));
}

TEST_F(BuilderCallTest, ShopCardRowsAndWhatPassesOn) {
  AT_TTicket ticket("createshopcard", parameters);
  CAD::ShopCardTicketData record;
  CAD::StringMapList designs;
  const QK_TURL noDesign = Input("card.xml", "<Ticket><Other/></Ticket>");
  EXPECT_THROW(task.BuildShopCardTicket(ticket, noDesign, record, designs, "buildShopCard"), TaskError);
  EXPECT_EQ(Errors(), std::vector<std::string>{"message 2 shapejobs.error.InvalidXML " + noDesign.ToString().str() +
                                               " shapejobs.message.ticketnodenotfound"});

  sink = RecordingSink();
  CAD::ShopCardTicketData second;
  EXPECT_THROW(task.BuildShopCardTicket(ticket, Input("bad.xml", "<Design><Output Copies=\"x\"/></Design>"), second,
                                        designs, "buildShopCard"),
               TaskError);
  EXPECT_EQ(Errors(), std::vector<std::string>{"message 2 shapejobs.error.BadArgumentsException Copies "});

  sink = RecordingSink();
  CAD::ShopCardTicketData third;
  EXPECT_THROW(task.BuildShopCardTicket(ticket, Input("broken.xml", "<Design>"), third, designs, "buildShopCard"),
               CAD::NonWellFormedXMLException)
      << "classes that no row names pass on to the run";
  EXPECT_TRUE(Errors().empty());
}

TEST_F(BuilderCallTest, SplitDesignRows) {
  Set({{"SELECT_DESIGN", "path"}, {"STANDARD_PATH", "xpath:/job/design"}, {"COMMAND_SCRIPT", ""},
       {"PRINT_ITEM", "Lid"}});
  AT_TTicket ticket("splitdesign", parameters);
  CAD::SplitDesignTicketData record;
  const QK_TURL broken = Input("job.xml", "<job>");
  EXPECT_THROW(task.BuildSplitDesignTicket(ticket, broken, record), TaskError);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0].rfind("message 2 shapejobs.error.NonWellFormedXML " + broken.ToString().str(), 0), 0u)
      << Errors()[0];
  EXPECT_EQ(record.databaseKind, QK_TString("Conventional"));
}

TEST_F(BuilderCallTest, LayoutInvalidValuesAreLoggedWithoutASecondMessage) {
  Set({{"XML_ELEMENT_NAME", ""}});
  AT_TTicket ticket("runlayout", parameters);
  CAD::StringMapList entries;
  CAD::LOTicketParam record;
  const QK_TURL input = Input("job.xml", "<job/>");
  EXPECT_THROW(task.BuildLayoutTicket(ticket, input, entries, record), TaskError);
  EXPECT_EQ(record.inputFile, input);
  EXPECT_EQ(Errors(), std::vector<std::string>{"message 2 shapejobs.message.rootnodeempty"})
      << "the builder's own message only";
  EXPECT_EQ(sink.logs.size(), 1u);
}

}  // namespace

namespace {

// Nested entities that would expand to millions of copies.
const char kEntityBomb[] = R"(<?xml version="1.0"?>
<!DOCTYPE job [
  <!ENTITY a "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa">
  <!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">
  <!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">
  <!ENTITY d "&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;">
  <!ENTITY e "&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;">
]>
<job><board>&e;</board></job>)";

TEST_F(BuilderCallTest, InputFilesThatExpandEntitiesWithoutBoundAreRefused) {
  RunStandardTicket();
  parameters.Set("BOARD_CODE", QK_TAny("xpath:/job/board"));
  const QK_TURL bomb = Input("bomb.xml", kEntityBomb);
  AT_TTicket ticket("runstandard", parameters);
  CAD::RunStandardTicketData record;
  EXPECT_THROW(task.BuildRunStandardTicket(ticket, bomb, record), TaskError);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0].rfind("message 2 shapejobs.error.NonWellFormedXML " + bomb.ToString().str(), 0), 0u);
  EXPECT_NE(Errors()[0].find("entity"), std::string::npos) << Errors()[0];

}

TEST_F(BuilderCallTest, ShopCardEntityBombIsRefused) {
  AT_TTicket card("createshopcard", QK_TDict());
  CAD::ShopCardTicketData cardRecord;
  CAD::StringMapList designs;
  EXPECT_THROW(task.BuildShopCardTicket(card, Input("card.xml", kEntityBomb), cardRecord, designs, "buildShopCard"),
               QK_EException);
}

}  // namespace
