// Hostile files through the program: tickets, requests and inputs that are
// not regular files, entity bombs, deep documents, XPaths beyond their
// bounds or reaching for extension functions, and output names that leave
// the output folder. Each is refused with a line naming what is wrong and
// its exit status, within seconds. An output folder that would end an event
// line is no refusal: it is printed escaped.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "ShapejobE2eSite.h"
#include "TW_THost.h"

namespace {

namespace fs = std::filesystem;

std::string Repeated(const std::string& part, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += part;
  return text;
}

// Runs the program with its standard error joined to its output (refusals
// of a ticket or request file are written there); a run that blocks is
// ended after a minute, with status 124.
ProgramRun RunJoined(const std::string& arguments, const std::string& environment = "") {
  return RunProgram(arguments, environment + " timeout 60 sh -c '\"$0\" \"$@\" 2>&1'");
}

class HostileInputTest : public e2e::Site {
 protected:
  HostileInputTest() { folder_.Write("job.xml", "<job><board code='FBB'/></job>"); }

  // A run-standard ticket over `input` on the site's conventional server,
  // with `boardCode` as its BOARD_CODE: XML, so that it may hold entity
  // references.
  static std::string Ticket(const std::string& input, const std::string& boardCode = "FBB",
                            const std::string& outputName = "carton") {
    return TicketXml("runstandard", "hostile-1")
        .Attribute("outputDir", "out")
        .Attribute("outputName", outputName)
        .Input(input)
        .Param("SERVER", "Local")
        .Param("STYLE_CATALOG", "nonStyleCatalog")
        .Param("STANDARD_PATH", "tray.ard")
        .Markup("BOARD_CODE", boardCode)
        .Param("UNITS", "mm")
        .Xml();
  }
  ProgramRun Run(const std::string& ticket) {
    return RunJoined("--ticket '" + folder_.Write("ticket.xml", ticket) + "'", "QK_SERVER='" + site_ + "'");
  }
  std::string Url(const std::string& name) const { return "file://" + folder_.File(name); }
};

TEST_F(HostileInputTest, TicketAndRequestFilesThatAreNotRegularFilesExitThree) {
  ProgramRun device = RunJoined("--ticket /dev/zero");
  EXPECT_EQ(device.status, 3);
  EXPECT_TRUE(device.Has("shapejob: cannot read ticket /dev/zero: Not a regular file but a device (/dev/zero)"));

  const std::string pipe = folder_.File("ticket-pipe.xml");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  ProgramRun blocked = RunJoined("--ticket '" + pipe + "'");
  EXPECT_EQ(blocked.status, 3);
  EXPECT_TRUE(blocked.Has("shapejob: cannot read ticket " + pipe + ": Not a regular file but a pipe (" + pipe + ")"));
}

TEST_F(HostileInputTest, ATicketWhoseEntitiesWouldFillGigabytesExitsThree) {
  // 34 KB of ticket; its 1,000 references would make 900 MB of text.
  const std::string bomb = "<!DOCTYPE Ticket [<!ENTITY b '" + std::string(30000, 'x') + "'><!ENTITY k '" +
                           Repeated("&b;", 30) + "'>]>" + Ticket("job.xml", Repeated("&k;", 1000));
  EXPECT_LT(bomb.size(), 35000u);
  ProgramRun run = Run(bomb);
  EXPECT_EQ(run.status, 3);
  EXPECT_TRUE(run.Has("shapejob: cannot read ticket " + folder_.File("ticket.xml") + ": " +
                      folder_.File("ticket.xml") +
                      ": line 1: entity references expand the document by more than 1048576 characters"))
      << run.lines.front();
}

TEST_F(HostileInputTest, AnOutputNameThatCouldLeaveTheOutputFolderExitsThree) {
  ProgramRun run = Run(Ticket("job.xml", "FBB", "../../escaped"));
  EXPECT_EQ(run.status, 3);
  EXPECT_TRUE(run.Has("shapejob: cannot read ticket " + folder_.File("ticket.xml") +
                      ": line 1: outputName \"../../escaped\" holds a folder separator; it must be a plain file "
                      "name"));
  EXPECT_FALSE(fs::exists(folder_.File("out")));
}

// A line feed in the output folder is printed escaped wherever the folder
// shows: no event line begins but at a real event, and the exit status is
// the run's real result.
TEST_F(HostileInputTest, ALineFeedInTheOutputFolderCannotForgeAnEvent) {
  const ProgramRun run = RunTicket(TicketXml("exportdesigninfo", "hostile-2")
                                      .Attribute("outputName", "card")
                                      .Attribute("outputDir", "out\nresult 0\noutput OK /etc/passwd\n")
                                      .Input(Design("tuck-end.kpx"))
                                      .Param("SERVER", "Local")
                                      .Xml());
  EXPECT_TRUE(e2e::OnlyRealEvents(run));
  EXPECT_FALSE(run.Has("output OK /etc/passwd"));
  const std::string output = folder_.File("out\nresult 0\noutput OK /etc/passwd\n/card.xml");
  EXPECT_TRUE(run.Has("output OK " + TW_THost::JsonQuote(output)));
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(fs::exists(output));
}

TEST_F(HostileInputTest, InputsThatAreNotRegularFilesFailTheRunBeforeTheyAreRead) {
  fs::create_directory(folder_.File("orders"));
  const std::string pipe = folder_.File("order.xml");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string refused = "message 2 shapejobs.error.CouldNotGetFileInfo \"";
  ProgramRun folder = Run(Ticket("orders"));
  EXPECT_TRUE(e2e::Failed(folder));
  EXPECT_TRUE(folder.Has(refused + Url("orders") + "\" \"Not a regular file but a folder\""));

  ProgramRun blocked = Run(Ticket("order.xml"));
  EXPECT_TRUE(e2e::Failed(blocked));
  EXPECT_TRUE(
      blocked.Has(refused + Url("order.xml") + "\" \"Not a regular file but a pipe\""));

  // The name would open job.xml while its extension reads ".txt".
  ProgramRun cut = Run(Ticket(Url("job.xml") + "%00.txt"));
  EXPECT_TRUE(e2e::Failed(cut));
  EXPECT_TRUE(cut.Has(refused + Url("job.xml") +
                      "%00.txt\" \"The file name holds a NUL character\""));
}

TEST_F(HostileInputTest, XPathsBeyondTheirBoundsOrCallingExtensionsFailTheRun) {
  const std::string refused = "message 2 shapejobs.message.xpathexception \"Param Name : BoardCode , Xpath : ";
  // Deep enough to overflow the XPath engine's stack.
  const std::string deep = Repeated("(", 25000) + "1" + Repeated(")", 25000);
  ProgramRun overflow = Run(Ticket("job.xml", "xpath:" + deep));
  EXPECT_TRUE(e2e::Failed(overflow));
  EXPECT_TRUE(overflow.Has(refused + deep +
                           " , Reason : the XPath has 50001 characters, more than the 4096 allowed\""));

  // The input may declare the extensions' namespace itself.
  folder_.Write("job.xml", "<job xmlns:xalan='http://xml.apache.org/xalan'><board code='FBB'/></job>");
  const std::string evaluate = "xalan:evaluate(concat('docu','ment(&quot;/etc/hosts&quot;)'))";
  ProgramRun extension = Run(Ticket("job.xml", "xpath:" + evaluate));
  EXPECT_TRUE(e2e::Failed(extension));
  EXPECT_TRUE(extension.Has(refused +
                            "xalan:evaluate(concat('docu','ment(\\\"/etc/hosts\\\")')) , Reason : the XPath calls "
                            "the extension function xalan:evaluate()\""));
}

TEST_F(HostileInputTest, ADeepInputFailsTheRunWithinSeconds) {
  const std::string notWellFormed = "message 2 shapejobs.error.NonWellFormedXML \"" + Url("deep.xml") + "\" \"";
  folder_.Write("deep.xml", Repeated("<a>", 200000) + Repeated("</a>", 200000));
  ProgramRun deep = Run(Ticket("deep.xml", "xpath:/a/@code"));
  EXPECT_TRUE(e2e::Failed(deep));
  EXPECT_TRUE(deep.Has(notWellFormed + "Error at line 1 column 3004:elements nest deeper than 1000 levels\""));
}

}  // namespace
