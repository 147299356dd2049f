// Shop-card tickets through the program, end to end: the card's XML ticket
// (design, variables, hook scripts, rebuild, layers, save, outputs) read
// from the ticket's input, the design opened by the CAD stand-in, and the
// events, the exit status, the journal of the stand-in's outputs and the
// files the card leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ShapejobE2eSite.h"

namespace {

namespace fs = std::filesystem;
using e2e::Failed;
using e2e::InOrder;
using e2e::ReadFile;

const char kMessage[] = "message 0 shapejobs.message.";

class ShopCardTest : public e2e::Site {
 protected:
  // Runs a shop card whose XML ticket is `card` (a Design element), with
  // its output named `outputName` in the folder "out".
  ProgramRun RunCard(const std::string& card, const std::string& outputName,
                     const std::string& scenario = "") {
    return RunCards({card}, outputName, scenario);
  }
  // The same with one input per card: card.xml, card2.xml and so on.
  ProgramRun RunCards(const std::vector<std::string>& cards, const std::string& outputName,
                      const std::string& scenario = "") {
    TicketXml ticket("createshopcard", "e2e-card-1");
    ticket.Attribute("outputDir", "out").Attribute("outputName", outputName);
    for (std::size_t i = 0; i < cards.size(); ++i) {
      const std::string name = i == 0 ? "card.xml" : "card" + std::to_string(i + 1) + ".xml";
      folder_.Write(name, cards[i]);
      ticket.Input(name);
    }
    return RunTicket(ticket.Param("SERVER", "Local").Xml(), scenario);
  }

  // A Design element of the tuck-end design with `attributes` and `body`.
  std::string TuckEnd(const std::string& attributes, const std::string& body) const {
    return "<Design Name='tuck-end.kpx' Path='" + folder_.File("designs") + "' " + attributes + ">" + body +
           "</Design>";
  }

  std::string Out(const std::string& name) const { return folder_.File("out/" + name); }
};

bool IsPdf(const std::string& path) {
  const std::string text = ReadFile(path);
  return text.rfind("%PDF-", 0) == 0 && text.find("%%EOF") != std::string::npos;
}

// One output, two copies: the hooks around it (one names a missing command
// file, which is reported and passed), the variables, the rebuild, layer 1
// only, and the rebuilt design saved.
TEST_F(ShopCardTest, OneOutputWithHooksVariablesRebuildLayersAndSave) {
  folder_.Write("post-open.txt", "dset NOTE$ = 'opened'\n");
  fs::create_directories(folder_.File("saved"));  // the CAD application saves into a folder that exists
  const std::string variables =
      "<Variables><Variable Name='L' Value='70'/><Variable Name='ARTICLE$' Value='Green tea'/></Variables>";
  const std::string scripts = "<CommandScript><CommandScript Name='EXE " + folder_.File("post-open.txt") +
                              "' RunAt='POST_OPEN'/><CommandScript Name='EXE " + folder_.File("missing.txt") +
                              "' RunAt='PRE_OUTPUT'/></CommandScript>";
  const std::string save = "<Save Name='rebuilt' Path='file://" + folder_.File("saved") + "'/>";
  ProgramRun run =
      RunCard(TuckEnd("RebuildDesign='1' LayerClasses='1'",
                      variables + scripts + save + "<Output Name='card' SampleType='1' Copies='2'/>"),
              "card.pdf");
  const std::string m = kMessage;
  EXPECT_TRUE(
      InOrder(run, {
                       m + "shopcarddesign \"" + folder_.File("designs") + "\\\\tuck-end.kpx\"",
                       m + "shopcarddopostopendesign \"EXE " + folder_.File("post-open.txt") + "\"",
                       m + "shopcarddovariables",
                       m + "shopcarddorebuild",
                       m + "shopcarddolayers \"1\"",
                       m + "shopcardrunpreoutput \"EXE " + folder_.File("missing.txt") + "\"",
                       "message 2 shapejobs.message.dravoerrorstring \"Command file not found: " +
                           folder_.File("missing.txt") + "\"",
                       m + "shopcardrunoutput \"card\"",
                       m + "shopcardsaverebuildurl \"file://" + folder_.File("saved/rebuilt.kpx") + "\"",
                       m + "shopcardclosingdesign",
                       m + "shopcardclosedesign",
                       "output OK " + Out("card.pdf"),
                       "result 0",
                   }));
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(IsPdf(Out("card.pdf")));
  const std::string written =
      "Control.WriteOutput(\"card\", 1, \"" + Out("card.pdf") + "\") = 0 -> " + Out("card.pdf");
  EXPECT_EQ(JournalLines("Control.WriteOutput"), std::vector<std::string>(2, written));

  // The saved design: the ticket's variables, the hook's, only layer 1 on.
  const std::string saved = ReadFile(folder_.File("saved/rebuilt.kpx"));
  for (const char* expected :
       {"name=\"L\" type=\"numeric\" value=\"70\"", "name=\"ARTICLE$\" type=\"text\" value=\"Green tea\"",
        "name=\"NOTE$\" type=\"text\" value=\"opened\"", "<Layer name=\"Front artwork\" on=\"1\"/>",
        "<Layer name=\"Back artwork\" on=\"0\"/>"}) {
    EXPECT_NE(saved.find(expected), std::string::npos) << expected << " in\n" << saved;
  }
}

// Two outputs, one of two print items named in another case than the
// design's: a file per print item beside the output's path, the other
// output whole, and the card's document lists each file made.
TEST_F(ShopCardTest, TwoOutputsOneOfPrintItemsAreListedInTheDocument) {
  ProgramRun run = RunCard(
      TuckEnd("", "<Output Name='sheet' SampleType='1' Copies='1' PrintItem='front, BACK' OutputPathName='" +
                      Out("sheet.pdf") + "'/><Output Name='whole' SampleType='1' OutputPathName='" +
                      Out("whole.pdf") + "'/>"),
      "card");
  const std::string m = kMessage;
  EXPECT_TRUE(InOrder(run, {m + "shopcardclosedesign", m + "shopcardrunoutput \"sheet\"",
                            m + "shopcardrunoutput \"whole\"", "output OK " + Out("card.xml"), "result 0"}));
  EXPECT_EQ(run.status, 0);
  for (const char* file : {"sheet_Front.pdf", "sheet_Back.pdf", "whole.pdf"}) {
    EXPECT_TRUE(IsPdf(Out(file))) << file;
  }
  EXPECT_FALSE(fs::exists(Out("sheet.pdf")));
  EXPECT_EQ(JournalLines("Control.WriteOutput").size(), 3u);

  const std::string document = ReadFile(Out("card.xml"));
  auto row = [this](const std::string& name, const std::string& file) {
    return "<Output Name=\"" + name + "\" OutputPathName=\"" + Out(file) + "\" Result=\"Success\"/>";
  };
  const std::string rows = "<ShopCardMultipleOutputs>" + row("sheet", "sheet_Front.pdf") +
                           row("sheet", "sheet_Back.pdf") + row("whole", "whole.pdf") +
                           "</ShopCardMultipleOutputs>";
  EXPECT_NE(document.find(rows), std::string::npos) << document;
}

// A design that cannot be opened gives way to the card's fallback design.
TEST_F(ShopCardTest, MissingDesignFallsBackToTheNotFoundPath) {
  ProgramRun run =
      RunCard("<Design Name='gone.kpx' Path='" + folder_.File("designs") + "' DesignNotFoundPath='" +
                  Design("tuck-end.kpx") + "'><Output Name='card' SampleType='1'/></Design>",
              "card.pdf");
  const std::string m = kMessage;
  EXPECT_TRUE(InOrder(run, {m + "shopcarddesign \"" + folder_.File("designs") + "\\\\gone.kpx\"",
                            m + "shopcarddesignnotfoundpath \"" + Design("tuck-end.kpx") + "\"",
                            m + "shopcardrunoutput \"card\"", m + "shopcardclosedesign",
                            "output OK " + Out("card.pdf"), "result 0"}));
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(IsPdf(Out("card.pdf")));
}

// Each failure of an output ends the ticket with its own message.
TEST_F(ShopCardTest, OutputFailuresAreReportedByTheirOwnMessage) {
  struct Case {
    const char* what;
    std::string body;
    std::string scenario;
    std::vector<std::string> expected;  // in order
  };
  const std::string e = "message 2 shapejobs.";
  const std::vector<Case> cases = {
      {"a refused output",
       "<Output Name='card' SampleType='1'/>",
       "WriteOutput status=5 error=Printer jammed\n",
       {e + "message.shopcardrunoutputfail \"Printer jammed\"",
        e + "message.dravoerrorstring \"Printer jammed\""}},
      {"a sample type beyond 16 bits",
       "<Output Name='card' SampleType='40000'/>",
       "",
       {e + "error.invalidsampletype \"40000\""}},
      {"a print item the design lacks",
       "<Output Name='card' SampleType='1' PrintItem='Lid'/>",
       "",
       {e + "error.noprintitemmatch \"LID\""}},
      {"a print-item output without a path",
       "<Output Name='front' Copies='1' PrintItem='Front'/><Output Name='whole' Copies='1'/>",
       "",
       {e + "error.pathnotprovided \"front\""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(folder_.File("out"));
    ProgramRun run = RunCard(TuckEnd("", c.body), "card.pdf", c.scenario);
    EXPECT_TRUE(InOrder(run, c.expected));
    EXPECT_TRUE(Failed(run));
    EXPECT_FALSE(fs::exists(Out("card.pdf")));
  }
}

// An output of no copies makes nothing: beside another output it is only
// listed; alone it registers nothing, also where an earlier run left the
// file. A number of copies that is not one from 0 to 65535 is refused.
TEST_F(ShopCardTest, ZeroCopiesMakeNothing) {
  ProgramRun run =
      RunCard(TuckEnd("", "<Output Name='proof' Copies='0' OutputPathName='" + Out("proof.pdf") +
                              "'/><Output Name='sheet' Copies='2' OutputPathName='" + Out("sheet.pdf") + "'/>"),
              "card");
  EXPECT_TRUE(run.Starting("message 2 ").empty());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.Starting("output "), std::vector<std::string>{"output OK " + Out("card.xml")});
  const std::string sheet = "Control.WriteOutput(\"sheet\", 1, \"" + Out("sheet.pdf") + "\") = 0 -> " + Out("sheet.pdf");
  EXPECT_EQ(JournalLines("Control.WriteOutput"), std::vector<std::string>(2, sheet));
  EXPECT_FALSE(fs::exists(Out("proof.pdf")));

  for (const bool leftOver : {false, true}) {
    SCOPED_TRACE(leftOver ? "a file of an earlier run" : "an empty output folder");
    fs::remove_all(Out(""));
    if (leftOver) folder_.Write("out/card.pdf", "%PDF-1.4 of an earlier run");
    run = RunCard(TuckEnd("", "<Output Name='card' Copies='0'/>"), "card.pdf");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.Starting("output ").empty());
    EXPECT_TRUE(run.Has("result 0"));
    EXPECT_TRUE(JournalLines("Control.WriteOutput").empty());
    EXPECT_EQ(fs::exists(Out("card.pdf")), leftOver);
  }
  // One print item of no copies: nothing to list either.
  run = RunCard(TuckEnd("", "<Output Name='card' Copies='0' PrintItem='all'/>"), "card.pdf");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.Starting("output ").empty());
  EXPECT_TRUE(JournalLines("Control.WriteOutput").empty());

  for (const char* copies : {"x", "70000"}) {
    SCOPED_TRACE(copies);
    run = RunCard(TuckEnd("", std::string("<Output Name='card' Copies='") + copies + "'/>"), "card.pdf");
    EXPECT_TRUE(InOrder(run, {"message 2 shapejobs.error.BadArgumentsException \"Copies \""}));
    EXPECT_TRUE(Failed(run));
  }
}

// Two cards of one ticket and one output name: the second card's list of
// outputs takes a name of its own; the first keeps its own rows.
TEST_F(ShopCardTest, TwoCardsOfOneOutputNameKeepTheirOwnLists) {
  const auto card = [this](const std::string& design, const std::string& prefix) {
    return "<Design Name='" + design + "' Path='" + folder_.File("designs") + "'><Output Name='a' Copies='1' " +
           "OutputPathName='" + Out(prefix + "-a.pdf") + "'/><Output Name='b' Copies='1' OutputPathName='" +
           Out(prefix + "-b.pdf") + "'/></Design>";
  };
  ProgramRun run = RunCards({card("tuck-end.kpx", "tuck"), card("gift-box.kpx", "gift")}, "card");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.Starting("output "),
            (std::vector<std::string>{"output OK " + Out("card.xml"), "output OK " + Out("card_2.xml")}));
  const std::string first = ReadFile(Out("card.xml"));
  const std::string second = ReadFile(Out("card_2.xml"));
  EXPECT_NE(first.find(Out("tuck-a.pdf")), std::string::npos) << first;
  EXPECT_EQ(first.find("gift-"), std::string::npos) << first;
  EXPECT_NE(second.find(Out("gift-b.pdf")), std::string::npos) << second;
  for (const char* file : {"tuck-a.pdf", "tuck-b.pdf", "gift-a.pdf", "gift-b.pdf"}) {
    EXPECT_TRUE(IsPdf(Out(file))) << file;
  }
}

// Two cards of one ticket whose outputs name the same files: the second
// card's files take "_2" before their extension, logged, and its list
// names them; the first card's list names its own.
TEST_F(ShopCardTest, TwoCardsNamingTheSameFilesKeepEachOthersFiles) {
  const std::string outputs = "<Output Name='front' Copies='1' OutputPathName='" + Out("front.pdf") +
                              "'/><Output Name='back' Copies='1' OutputPathName='" + Out("back.pdf") + "'/>";
  ProgramRun run = RunCards({TuckEnd("", outputs), TuckEnd("", outputs)}, "card");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.Starting("log \"An earlier input of the ticket delivered ").size(), 3u) << Printed(run);
  for (const std::string suffix : {"", "_2"}) {
    const std::string list = ReadFile(Out("card" + suffix + ".xml"));
    for (const std::string name : {"front", "back"}) {
      EXPECT_TRUE(IsPdf(Out(name + suffix + ".pdf"))) << name << suffix;
      EXPECT_NE(list.find("OutputPathName=\"" + Out(name + suffix + ".pdf") + "\""), std::string::npos) << list;
    }
  }
  EXPECT_EQ(ReadFile(Out("card.xml")).find("_2.pdf"), std::string::npos);
}

}  // namespace
