#include "TW_THost.h"

#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "RegisteredTestTask.h"
#include "TempFolder.h"
#include "QK_TArray.h"
#include "QK_TTree.h"

namespace {

// A task that writes one file into its output folder: 0 when it could.
constexpr char kOutputWritingTaskName[] = "OutputWritingTask";

class OutputWritingTask : public RegisteredTestTask<OutputWritingTask, kOutputWritingTaskName> {
 public:
  int Run(AT_TTicket&) override {
    std::ofstream out(OutputDir().Child("result.txt").LocalName().str());
    out << "done";
    out.close();
    return out ? 0 : 2;
  }
};

// The message of the QK_EException that reading `content` as a ticket throws.
std::string TicketError(const QK_TString& content) {
  TempFolder folder;
  try {
    TW_THost::ReadTicketFile(folder.WriteUrl("ticket.xml", content.str()));
  } catch (const QK_EException& exception) {
    return exception.QK_Message().str();
  }
  return "no exception";
}

TEST(TicketFileTest, MissingAttributesTakeTheirDefaults) {
  TempFolder folder;
  QK_TURL file = folder.WriteUrl("ticket.xml", "<Ticket action='Shape'/>");
  TW_TTicketFile first = TW_THost::ReadTicketFile(file);
  TW_TTicketFile second = TW_THost::ReadTicketFile(file);

  EXPECT_EQ(first.actionName, "Shape");
  EXPECT_EQ(first.ticket.GetActionName(), "Shape");
  EXPECT_EQ(first.setup.taskId.Length(), 36u) << first.setup.taskId;  // a UUID
  EXPECT_NE(first.setup.taskId, second.setup.taskId);
  EXPECT_EQ(first.setup.outputDir, folder.Url());
  EXPECT_EQ(first.setup.outputName, "output");
  EXPECT_TRUE(first.setup.inputs.empty());
  EXPECT_TRUE(first.ticket.GetParameters().Empty());
}

TEST(TicketFileTest, AttributesInputsAndNamesAreRead) {
  TempFolder folder;
  QK_TURL file = folder.WriteUrl("ticket.xml",
                              "<Ticket action='Shape' id='job-1' outputDir='out' outputName='proof'>\n"
                              "  <Input> in/a.pdf </Input>\n"
                              "  <Input>file:///data/b%20c.pdf</Input>\n"
                              "  <Input>/data/d.pdf</Input>\n"
                              "  <Name key='Customer'>ACME</Name>\n"
                              "</Ticket>");
  TW_TTicketFile read = TW_THost::ReadTicketFile(file);

  EXPECT_EQ(read.setup.taskId, "job-1");
  EXPECT_EQ(read.setup.outputDir, folder.Url().Child("out"));
  EXPECT_EQ(read.setup.outputName, "proof");
  EXPECT_EQ(read.setup.inputs, (std::vector<QK_TURL>{folder.Url().Child("in/a.pdf"),
                                                    QK_TURL::FromLocalPath("/data/b c.pdf"),
                                                    QK_TURL::FromLocalPath("/data/d.pdf")}));
  ASSERT_EQ(read.setup.names.size(), 1u);
  EXPECT_EQ(read.setup.names[0], std::make_pair(QK_TString("Customer"), QK_TString("ACME")));
}

TEST(TicketFileTest, ParamsAreTypedAndArraysHoldDicts) {
  TempFolder folder;
  QK_TURL file = folder.WriteUrl("ticket.xml",
                              "<Ticket action='Shape'>"
                              "<Param key='text'>  as written </Param>"
                              "<Param key='on' type='bool'>TRUE</Param>"
                              "<Param key='off' type='bool'>0</Param>"
                              "<Param key='count' type='int'>-42</Param>"
                              "<Param key='pages'><Array>"
                              "  <Dict><Param key='n' type='int'>1</Param>"
                              "        <Param key='marks'><Array><Dict><Param key='kind'>crop</Param></Dict>"
                              "        </Array></Param></Dict>"
                              "  <Dict/>"
                              "</Array></Param>"
                              "</Ticket>");
  const QK_TDict params = TW_THost::ReadTicketFile(file).ticket.GetParameters();

  EXPECT_EQ(params.Get("text"), QK_TAny("  as written "));
  EXPECT_EQ(params.Get("on"), QK_TAny(true));
  EXPECT_EQ(params.Get("off"), QK_TAny(false));
  EXPECT_EQ(params.Get("count"), QK_TAny(-42));
  const QK_TArray& pages = params.Get("pages").AsArray();
  ASSERT_EQ(pages.Size(), 2u);
  EXPECT_EQ(pages[0].AsDict().Get("n"), QK_TAny(1));
  const QK_TArray& marks = pages[0].AsDict().Get("marks").AsArray();
  ASSERT_EQ(marks.Size(), 1u);
  EXPECT_EQ(marks[0].AsDict().Get("kind"), QK_TAny("crop"));
  EXPECT_TRUE(pages[1].AsDict().Empty());
}

TEST(TicketFileTest, BadTicketsAreRejectedWithAClearMessage) {
  EXPECT_EQ(TicketError("<Job action='Shape'/>"), "ticket root element must be <Ticket>, found <Job>");
  EXPECT_NE(TicketError("<Ticket id='1'/>").find("action"), std::string::npos);
  for (const char* number : {"4x", "99999999999999999999"}) {
    QK_TString ticket =
        QK_TString::Format("<Ticket action='A'><Param key='n' type='int'>%s</Param></Ticket>", number);
    EXPECT_NE(TicketError(ticket).find("not a valid int"), std::string::npos) << number;
  }
  EXPECT_EQ(TicketError("<Ticket action='A'>\n\n<Bogus/></Ticket>"),
            "line 3: unknown element <Bogus> in <Ticket>");
  EXPECT_NE(TicketError("<Ticket action='A'><Param>x</Param></Ticket>").find("without a key"),
            std::string::npos);
  EXPECT_NE(TicketError("<Ticket action='A'>\n<Input>").find("line"), std::string::npos);
}

TEST(TicketFileTest, UnreadableFileIsReported) {
  TempFolder folder;
  EXPECT_THROW(TW_THost::ReadTicketFile(folder.Url().Child("missing.xml")), QK_EException);
}

TEST(RequestFileTest, ParamsAndTreesAreRead) {
  TempFolder folder;
  QK_TURL file = folder.WriteUrl("request.xml",
                              "<Request><Param key='query'> sizes </Param>"
                              "<Tree key='site'><Tree key='Paths'><Value key='Root'>/srv</Value></Tree>"
                              "<Value key='Retries' type='int'>3</Value></Tree></Request>");
  QK_TDict request = TW_THost::ReadRequestFile(file);

  ASSERT_EQ(request.Size(), 2u);
  EXPECT_EQ(request.begin()->first, "query");
  EXPECT_EQ(request.Get("query"), QK_TAny(" sizes "));
  const QK_TTree& site = request.Get("site").AsTree();
  EXPECT_EQ(site.Get("Paths/Root"), QK_TAny("/srv"));
  EXPECT_EQ(site.Get("Retries"), QK_TAny(3));
  EXPECT_THROW(TW_THost::ReadRequestFile(folder.WriteUrl("bad.xml", "<Ticket/>")), QK_EException);
}

TEST(JsonQuoteTest, EscapesWhatJsonRequires) {
  EXPECT_EQ(TW_THost::JsonQuote("plain"), "\"plain\"");
  EXPECT_EQ(TW_THost::JsonQuote("say \"hi\"\\"), "\"say \\\"hi\\\"\\\\\"");
  EXPECT_EQ(TW_THost::JsonQuote("a\nb\tc\rd\x01" "e\x1f"), "\"a\\nb\\tc\\rd\\u0001e\\u001f\"");
  EXPECT_EQ(TW_THost::JsonQuote("Grüße"), "\"Grüße\"");
}

TEST(LinePrinterTest, EachEventIsOneLine) {
  std::ostringstream out;
  TW_TLinePrinter printer(out);
  printer.Message(1, "W_FONT", {QK_TAny("Arial \"Bold\""), QK_TAny(12)});
  printer.Message(0, "I_DONE", {});
  printer.Stage("S_WRITE");
  printer.Progress(75);
  printer.Log("two\nlines");
  printer.Output("Proofs", QK_TURL("file:///out/p1.pdf"));
  EXPECT_EQ(out.str(),
            "message 1 W_FONT \"Arial \\\"Bold\\\"\" \"12\"\n"
            "message 0 I_DONE\n"
            "stage S_WRITE\n"
            "progress 75\n"
            "log \"two\\nlines\"\n"
            "output Proofs /out/p1.pdf\n");
}

// Keys, contexts and paths come from tickets and inputs: one that holds a
// blank, a quote or a control character is printed as a JSON string, so a
// line feed in it cannot end the line and start a forged event.
TEST(LinePrinterTest, TextsThatCouldSplitOrEndALineAreQuoted) {
  std::ostringstream out;
  TW_TLinePrinter printer(out);
  printer.Output("Proofs", QK_TURL("file:///out/p%201.pdf"));
  printer.Output("OK", QK_TURL::FromLocalPath("/out/x\nresult 0\noutput OK /etc/passwd/c.kpx"));
  printer.Output("My \"OK\"", QK_TURL::FromLocalPath("/out/tab\there\x7f.kpx"));
  printer.Stage("stage\rprogress 100");
  printer.Message(2, "key\nresult 0", {});
  EXPECT_EQ(out.str(),
            "output Proofs \"/out/p 1.pdf\"\n"
            "output OK \"/out/x\\nresult 0\\noutput OK /etc/passwd/c.kpx\"\n"
            "output \"My \\\"OK\\\"\" \"/out/tab\\there\x7f.kpx\"\n"
            "stage \"stage\\rprogress 100\"\n"
            "message 2 \"key\\nresult 0\"\n");
}

TEST(TicketRunTest, MissingOutputFolderIsMadeBeforeTheTaskRuns) {
  TempFolder folder;
  QK_TURL ticket = folder.WriteUrl("ticket.xml", "<Ticket action='Write' outputDir='out/today'/>");
  std::string program = "shapejob";
  std::string option = "--ticket";
  std::string path = ticket.LocalName().str();
  char* argv[] = {program.data(), option.data(), path.data()};
  std::ostringstream events;
  std::streambuf* old = std::cout.rdbuf(events.rdbuf());
  int status = TW_TTask::Init(3, argv, OutputWritingTask::QK_ClassObject(), "Shapejob", false, 0, nullptr);
  std::cout.rdbuf(old);

  EXPECT_EQ(status, 0) << events.str();
  std::ifstream written(folder.File("out/today/result.txt"));
  std::string content;
  std::getline(written, content);
  EXPECT_EQ(content, "done");
}

}  // namespace
