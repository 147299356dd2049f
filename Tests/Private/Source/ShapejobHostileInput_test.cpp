// Hostile input below the program: the untrusted-XML reader's bounds (only
// regular files, element depth, entity text), the checks of ticket XPaths
// before the XPath engine, and the host's ticket and request readers and
// event lines.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>
#include <string>
#include <vector>

#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>

#include "ConnectedTask.h"
#include "RunStandardTickeException.h"
#include "TW_THost.h"
#include "TempFolder.h"
#include "XUtility.h"
#include "XUtilityXPath.h"
#include "XUtilityXml.h"

namespace {

std::string Repeated(const std::string& part, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += part;
  return text;
}

// A document whose elements nest `depth` deep.
std::string Nested(std::size_t depth) { return Repeated("<a>", depth) + "x" + Repeated("</a>", depth); }

// A document of `copies` references to an entity of 64 KiB (16 entities
// of 4 KiB each), in the content or in one attribute.
std::string Expanding(std::size_t copies, bool inAttribute) {
  const std::string references = Repeated("&k;", copies);
  return "<!DOCTYPE r [<!ENTITY b '" + std::string(4096, 'x') + "'><!ENTITY k '" + Repeated("&b;", 16) + "'>]>" +
         (inAttribute ? "<r a='" + references + "'/>" : "<r>" + references + "</r>");
}

// Counts the characters that reach the handler.
class CountingHandler : public xercesc::DefaultHandler {
 public:
  void characters(const XMLCh* const, const XMLSize_t length) override { characters_ += length; }
  XMLSize_t Characters() const { return characters_; }

 private:
  XMLSize_t characters_ = 0;
};

class UntrustedDocumentTest : public ::testing::Test {
 protected:
  UntrustedDocumentTest() { CAD::InitializeXmlLibraries(); }

  // Why the SAX pass refused `path` ("" when it read it).
  std::string SaxFailure(const std::string& path) {
    try {
      CAD::ParseUntrustedXml(QK_TURL::FromLocalPath(QK_TString(path)), {&handler},
                             &CAD::ThrowTicketException<CAD::NonWellformedXMLException>, "test");
    } catch (const CAD::NonWellformedXMLException& e) {
      return e.QK_Message().str();
    }
    return "";
  }
  // Why the DOM reader refused `path` ("" when it read it).
  std::string DomFailure(const std::string& path) {
    try {
      CAD::ParseUntrustedDom(QK_TURL::FromLocalPath(QK_TString(path)),
                             &CAD::ThrowTicketException<CAD::NonWellformedXMLException>, "test");
    } catch (const CAD::NonWellformedXMLException& e) {
      return e.QK_Message().str();
    }
    return "";
  }
  // Both readers' failures for `content`, which must agree.
  std::string Failure(const std::string& content) {
    const std::string path = folder.Write("doc-" + std::to_string(++count_) + ".xml", content);
    const std::string sax = SaxFailure(path);
    EXPECT_EQ(DomFailure(path), sax);
    return sax;
  }

  TempFolder folder;
  CountingHandler handler;

 private:
  int count_ = 0;
};

TEST_F(UntrustedDocumentTest, ElementsNestAtMostAThousandDeep) {
  EXPECT_EQ(Failure(Nested(1000)), "");
  EXPECT_EQ(Failure(Nested(1001)), "Error at line 1 column 3004:elements nest deeper than 1000 levels");
  // Far deeper documents are refused at the same level, without first
  // building a tree of them.
  EXPECT_EQ(Failure(Nested(200000)), "Error at line 1 column 3004:elements nest deeper than 1000 levels");
  // Depth is the nesting, not the count: many siblings, empty or not.
  EXPECT_EQ(Failure("<r>" + Repeated("<a/><b></b>", 3000) + "</r>"), "");
}

TEST_F(UntrustedDocumentTest, EntityTextIsBoundedInCharactersAsWellAsInCount) {
  const std::string refused = "entity references expand the document by more than 1048576 characters";
  // 10 references of 64 KiB: 640 KiB, within the bound, and all delivered.
  EXPECT_EQ(SaxFailure(folder.Write("fits.xml", Expanding(10, false))), "");
  EXPECT_EQ(handler.Characters(), 10u * 64 * 1024);
  // 20 of them, 1.25 MiB in 340 expansions, far fewer than the count allows.
  EXPECT_NE(Failure(Expanding(20, false)).find(refused), std::string::npos);
  EXPECT_NE(Failure(Expanding(20, true)).find(refused), std::string::npos);

  // A document of 31 KB whose 620 expansions would make 18 MB.
  std::string bomb = "<!DOCTYPE r [<!ENTITY b '" + std::string(30000, 'x') + "'><!ENTITY k '" +
                     Repeated("&b;", 30) + "'>]><r>" + Repeated("&k;", 20) + "</r>";
  EXPECT_LT(bomb.size(), 31000u);
  EXPECT_NE(Failure(bomb).find(refused), std::string::npos);
}

TEST_F(UntrustedDocumentTest, OnlyRegularFilesAreOpened) {
  const std::string pipe = folder.File("pipe.xml");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_EQ(SaxFailure(folder.path()), "Error at line -1 column -1:" + folder.path() +
                                           ": Not a regular file but a folder");
  EXPECT_EQ(DomFailure(folder.path()), SaxFailure(folder.path()));
  EXPECT_EQ(SaxFailure(pipe), "Error at line -1 column -1:" + pipe + ": Not a regular file but a pipe");
  EXPECT_EQ(DomFailure("/dev/zero"), "Error at line -1 column -1:/dev/zero: Not a regular file but a device");
  EXPECT_EQ(SaxFailure(folder.File("missing.xml")),
            "Error at line -1 column -1:" + folder.File("missing.xml") +
                ": Cannot open file for reading");

  // "%00" in a URL decodes to a NUL: the name the parser would open ends
  // there, while the extension is read from the whole.
  folder.Write("job.xml", "<job/>");
  const QK_TURL cut(QK_TString("file://" + folder.File("job.xml") + "%00.txt"));
  EXPECT_EQ(cut.Extension(), QK_TString(".txt"));
  EXPECT_EQ(CAD::IrregularInputProblem(cut), QK_TString("The file name holds a NUL character"));
  // A missing file is left to its reader.
  EXPECT_EQ(CAD::IrregularInputProblem(QK_TURL::FromLocalPath(QK_TString(folder.File("none.xml")))), std::nullopt);
}

TEST_F(UntrustedDocumentTest, BrokenDocumentsFailAsErrorsOfTheDocument) {
  for (const std::string& broken : std::vector<std::string>{
           "<?xml version='1.0' encoding='no-such-encoding'?><r/>",
           "<!DOCTYPE r [<!ENTITY e SYSTEM '/etc/hosts'>]><r>&e;</r>",
           "<r>&undefined;</r>",
           "\xFF\xFE<\0r",
           std::string("<r>\0</r>", 9),
           "<r><a></r>",
       }) {
    const std::string failure = Failure(broken);
    EXPECT_EQ(failure.rfind("Error at line ", 0), 0u) << broken << ": " << failure;
  }
}

// ---- ticket XPaths ----

std::string XPathProblem(const std::string& expression) {
  return CAD::UntrustedXPathProblem(QK_TString(expression)).value_or(QK_TString()).str();
}

TEST(TicketXPathTest, ExtensionFunctionsAreRefusedButPrefixedNamesInPathsAreNot) {
  for (const char* allowed :
       {"/job/ns:board/@ns:code", "child::node()", "//a[@x='xalan:evaluate(1)']/text()", "count(//b:item)",
        "processing-instruction('x')", "ancestor-or-self::ns:*[1]", "concat(\"a:b(\", //c)"}) {
    EXPECT_EQ(XPathProblem(allowed), "") << allowed;
  }
  EXPECT_EQ(XPathProblem("xalan:evaluate(concat('docu','ment(\"/etc/hosts\")'))"),
            "the XPath calls the extension function xalan:evaluate()");
  EXPECT_EQ(XPathProblem("//a[exsl : node-set (//b)]"), "the XPath calls the extension function exsl : node-set()");
  EXPECT_EQ(XPathProblem("string(dyn:evaluate('1'))"), "the XPath calls the extension function dyn:evaluate()");
}

// The XPath engine overruns a buffer turning a number of some hundred
// digits into text: no XPath may make one.
TEST(TicketXPathTest, NumbersThatCanGrowWithoutBoundAreRefused) {
  EXPECT_EQ(XPathProblem("/r[@v = " + Repeated("5", 100) + "]"), "the XPath holds a number of more than 15 digits");
  EXPECT_EQ(XPathProblem("concat('', number(/r/@v))"), "the XPath computes with numbers (number())");
  EXPECT_EQ(XPathProblem("sum (//v)"), "the XPath computes with numbers (sum())");
  EXPECT_EQ(XPathProblem("//a[. * 2 > 3]"), "the XPath computes with numbers (*)");
  EXPECT_EQ(XPathProblem("/r/@v div 2"), "the XPath computes with numbers (div)");
  EXPECT_EQ(XPathProblem("-/r/@v"), "the XPath computes with numbers (-)");
  EXPECT_EQ(XPathProblem("/r/@v + 0"), "the XPath computes with numbers (+)");
  // Names, name tests and the functions of the document's size stay.
  for (const char* allowed : {"/job/*", "//@*", "/job/div/mod", "/order-id/number", "count(//a) > 1",
                              "string-length(/a) = 123456789012345", "/a[last()]/b[position() = 2]",
                              "//v[@name = '1+1*2']"}) {
    EXPECT_EQ(XPathProblem(allowed), "") << allowed;
  }
}

TEST(TicketXPathTest, LengthAndBracketNestingAreBounded) {
  const std::string nested64 = Repeated("(", 32) + Repeated("[", 32) + "1" + Repeated("]", 32) + Repeated(")", 32);
  EXPECT_EQ(XPathProblem(nested64), "");
  EXPECT_EQ(XPathProblem("(" + nested64 + ")"), "the XPath nests brackets deeper than 64 levels");
  // Brackets in literals are text, and closed brackets give their level back.
  EXPECT_EQ(XPathProblem("concat('" + Repeated("(", 100) + "', '')"), "");
  EXPECT_EQ(XPathProblem(Repeated("(a)|", 100) + "a"), "");

  EXPECT_EQ(XPathProblem("/" + std::string(4095, 'a')), "");
  EXPECT_EQ(XPathProblem("/" + std::string(4096, 'a')), "the XPath has 4097 characters, more than the 4096 allowed");
  // Characters, not bytes: 4,096 two-byte letters are allowed.
  EXPECT_EQ(XPathProblem(Repeated("\xC3\xA9", 4096)), "");
  EXPECT_EQ(XPathProblem(Repeated("(", 25000)), "the XPath has 25000 characters, more than the 4096 allowed");
}

const CAD::TicketFamily kFamily = {"test", &CAD::ThrowTicketException<CAD::NonWellformedXMLException>,
                                   &CAD::ThrowTicketException<CAD::InvalidXpathException>, false};

class TicketReaderXPathTest : public ::testing::Test {
 protected:
  TicketReaderXPathTest()
      : input(folder.WriteUrl("job.xml",
                              "<job xmlns:xalan='http://xml.apache.org/xalan'><board code='FBB'/></job>")),
        reader(task, ticket, input, kFamily) {
    task.Prepare(TW_TTaskSetup(), &sink);
  }
  // The value of the "xpath:" value `xpath`, or the failure it throws.
  std::string Value(const std::string& xpath) {
    try {
      return reader.Value(QK_TString("xpath:" + xpath), "BoardCode").value.str();
    } catch (const CAD::InvalidXpathException& e) {
      return "refused: " + e.QK_Message().str();
    }
  }

  TempFolder folder;
  RecordingSink sink;
  TestTask task;
  AT_TTicket ticket;
  QK_TURL input;
  CAD::TicketReader reader;
};

TEST_F(TicketReaderXPathTest, TheEngineCopesWithTheLargestXPathsTheBoundsAdmit) {
  EXPECT_EQ(Value("/job/board[" + Repeated("1=1 and ", 500) + "true()]/@code"), "FBB");
  EXPECT_EQ(Value("/job/board[" + Repeated("false() or ", 360) + "true()]/@code"), "FBB");
  EXPECT_EQ(Value("/job/board[" + Repeated("not(", 62) + "true()" + Repeated(")", 62) + "]/@code"), "FBB");
  EXPECT_EQ(Value("/job/board" + Repeated("/.", 2030) + "/@code"), "FBB");
}

// ---- the host's readers and event lines ----

class HostFileTest : public ::testing::Test {
 protected:
  // Why the host refused the ticket file at `path` ("" when it read it).
  static std::string TicketFailure(const std::string& path) {
    try {
      TW_THost::ReadTicketFile(QK_TURL::FromLocalPath(QK_TString(path)));
    } catch (const QK_EException& e) {
      return e.QK_Message().str();
    }
    return "";
  }
  std::string Ticket(const std::string& attributes) {
    return TicketFailure(folder.Write("ticket.xml", "<Ticket action='runstandard' " + attributes + "/>"));
  }

  TempFolder folder;
};

TEST_F(HostFileTest, TicketAndRequestFilesAreRegularFilesOfAtMostSixteenMebibytes) {
  EXPECT_EQ(TicketFailure(folder.path()), "Not a regular file but a folder");
  const std::string pipe = folder.File("pipe.xml");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string content = "<Ticket action='x'>" + std::string(16u << 20, ' ') + "</Ticket>";
  EXPECT_EQ(TicketFailure(folder.Write("large.xml", content)),
            "The file holds " + std::to_string(content.size()) + " bytes, more than the 16777216 allowed");
  try {
    TW_THost::ReadRequestFile(QK_TURL::FromLocalPath(QK_TString(pipe)));
    ADD_FAILURE() << "a pipe was read as a request";
  } catch (const QK_EException& e) {
    EXPECT_EQ(e.QK_Message(), QK_TString("Not a regular file but a pipe"));
    EXPECT_EQ(e.QK_Data().ToText(), QK_TString(pipe));
  }
}

TEST_F(HostFileTest, OutputNamesArePlainFileNames) {
  EXPECT_EQ(Ticket("outputName='carton.v2'"), "");
  EXPECT_EQ(Ticket("outputName='../carton'"),
            "line 1: outputName \"../carton\" holds a folder separator; it must be a plain file name");
  EXPECT_EQ(Ticket("outputName='sub\\carton'"),
            "line 1: outputName \"sub\\\\carton\" holds a folder separator; it must be a plain file name");
  EXPECT_EQ(Ticket("outputName='..'"), "line 1: outputName \"..\" holds \"..\"; it must be a plain file name");
  EXPECT_EQ(Ticket("outputName='a&#9;b'"),
            "line 1: outputName \"a\\tb\" holds a control character; it must be a plain file name");
}

TEST(EventLineTest, EchoedTextsAreCutAtSixtyFourKibibytesWithAMark) {
  std::ostringstream out;
  TW_TLinePrinter printer(out);
  // A two-byte character straddles the cut: it goes whole.
  const std::string value = std::string(65535, 'v') + "\xC3\xA9" + std::string(40000, 'w');
  printer.Message(0, "shapejobs.boardcode.value", {QK_TAny(QK_TString(value)), QK_TAny("short")});
  printer.Log(QK_TString(std::string(70000, 'l')));
  printer.Log("plain");
  EXPECT_EQ(out.str(), "message 0 shapejobs.boardcode.value \"" + std::string(65535, 'v') +
                           "...[cut, 105537 bytes in all]\" \"short\"\n"
                           "log \"" + std::string(65536, 'l') + "...[cut, 70000 bytes in all]\"\n"
                           "log \"plain\"\n");
}

}  // namespace
