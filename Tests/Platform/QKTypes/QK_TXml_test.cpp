#include "QK_TXml.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "QK_EException.h"
#include "QK_TFile.h"

namespace {

QK_TXmlElement Parse(const char* text) { return QK_TXml::ParseText(QK_TString(text), "test.xml"); }

TEST(QKTXmlTest, ReadsElementsAttributesTextAndLines) {
  QK_TXmlElement root = Parse(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<Ticket id=\"7\" name=\"a &amp; b\">\n"
      "  <Input>Gr\xC3\xB6\xC3\x9F" "e &#x20AC; \xF0\x9F\x98\x80</Input>\n"
      "  <Empty/>\n"
      "</Ticket>\n");
  EXPECT_EQ(root.name.str(), "Ticket");
  EXPECT_EQ(root.line, 2u);
  ASSERT_NE(root.Attribute("name"), nullptr);
  EXPECT_EQ(root.Attribute("name")->str(), "a & b");
  EXPECT_EQ(root.Attribute("id")->str(), "7");
  EXPECT_EQ(root.Attribute("missing"), nullptr);
  ASSERT_EQ(root.children.size(), 2u);
  EXPECT_EQ(root.children[0].name.str(), "Input");
  EXPECT_EQ(root.children[0].text.str(), "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80");
  EXPECT_EQ(root.children[0].line, 3u);
  EXPECT_EQ(root.children[1].line, 4u);
  EXPECT_TRUE(root.children[1].text.Empty());
}

TEST(QKTXmlTest, MalformedDocumentThrowsWithLineAndColumn) {
  try {
    Parse("<a>\n  <b></a>\n");
    FAIL() << "a malformed document was read";
  } catch (const QK_EException& error) {
    EXPECT_TRUE(error.QK_Message().Contains("test.xml")) << error.QK_Message();
    EXPECT_TRUE(error.QK_Message().Contains("line 2")) << error.QK_Message();
    EXPECT_TRUE(error.QK_Message().Contains("column ")) << error.QK_Message();
  }
  EXPECT_THROW(Parse(""), QK_EException);
  EXPECT_THROW(Parse("<a>"), QK_EException);
  EXPECT_THROW(Parse("<a/><b/>"), QK_EException);
}

TEST(QKTXmlTest, ExternalEntitiesAndDtdsAreNotLoaded) {
  for (const char* text : {"<!DOCTYPE x [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><x>&e;</x>",
                           "<!DOCTYPE x [<!ENTITY % p SYSTEM \"file:///etc/passwd\"> %p;]><x/>",
                           "<!DOCTYPE x SYSTEM \"file:///etc/passwd\"><x>y</x>"}) {
    try {
      QK_TXmlElement root = Parse(text);
      EXPECT_FALSE(root.text.Contains("root:")) << text;
    } catch (const QK_EException& error) {
      EXPECT_FALSE(error.QK_Message().Contains("root:")) << error.QK_Message();
    }
  }
}

TEST(QKTXmlTest, EntityExpansionIsBounded) {
  // Five levels of ten references: a hundred thousand expansions from a few lines.
  std::string text = "<!DOCTYPE x [<!ENTITY e0 \"0123456789\">";
  for (int level = 1; level <= 5; ++level) {
    text += "<!ENTITY e" + std::to_string(level) + " \"";
    for (int i = 0; i < 10; ++i) text += "&e" + std::to_string(level - 1) + ";";
    text += "\">";
  }
  text += "]><x>&e5;</x>";
  // Refused once a thousand references are expanded, long before the text
  // they make would be.
  try {
    QK_TXml::ParseText(QK_TString(text), "test.xml");
    ADD_FAILURE() << "a hundred thousand expansions were read";
  } catch (const QK_EException& e) {
    EXPECT_NE(e.QK_Message().Find("more than '1000' entity expansions"), QK_TString::npos) << e.QK_Message();
  }
  EXPECT_EQ(Parse("<!DOCTYPE x [<!ENTITY e \"ok\">]><x>&e;&e;</x>").text.str(), "okok");
}

TEST(QKTXmlTest, DeeplyNestedDocumentsAreRefused) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  for (int i = 0; i < 100000; ++i) deep += "</a>";
  try {
    QK_TXml::ParseText(QK_TString(deep), "deep.xml");
    FAIL() << "a document 100,000 levels deep was read";
  } catch (const QK_EException& e) {
    EXPECT_NE(e.QK_Message().Find("nested deeper"), QK_TString::npos) << e.QK_Message();
  }
  std::string fine;
  for (int i = 0; i < 100; ++i) fine += "<a>";
  for (int i = 0; i < 100; ++i) fine += "</a>";
  EXPECT_EQ(QK_TXml::ParseText(QK_TString(fine), "fine.xml").name, QK_TString("a"));
}

TEST(QKTXmlTest, ParseFileReadsAFileAndNamesItInErrors) {
  TempFolder folder;
  ASSERT_FALSE(folder.path().empty());
  QK_TURL file = QK_TURL::FromLocalPath(QK_TString(folder.path())).Child("c.xml");
  QK_TFile::WriteAll(file, "<Configuration><Value key=\"a\">1</Value></Configuration>");
  EXPECT_EQ(QK_TXml::ParseFile(file).children.at(0).text.str(), "1");

  QK_TFile::WriteAll(file, "<Configuration>\n<");
  try {
    QK_TXml::ParseFile(file);
    FAIL() << "a malformed file was read";
  } catch (const QK_EException& error) {
    EXPECT_TRUE(error.QK_Message().Contains(file.LocalName())) << error.QK_Message();
  }
  EXPECT_THROW(QK_TXml::ParseFile(file.Child("missing.xml")), QK_EException);
}

TEST(QKTXmlTest, ReadTreeBuildsTypedValuesAndSubtrees) {
  QK_TTree tree = QK_TXml::ReadTree(Parse(
      "<Configuration>\n"
      "  <Tree key=\"Servers\">\n"
      "    <Tree key=\"Local\">\n"
      "      <Value key=\"Port\" type=\"int\"> -8080 </Value>\n"
      "      <Value key=\"Secure\" type=\"bool\">TRUE</Value>\n"
      "      <Value key=\"Root\" type=\"url\">file:///srv/a%20b</Value>\n"
      "    </Tree>\n"
      "  </Tree>\n"
      "  <Value key=\"Name\"> main </Value>\n"
      "  <Comment>ignored</Comment>\n"
      "  <Value key=\"Big\" type=\"int\">9223372036854775807</Value>\n"
      "</Configuration>\n"));
  EXPECT_EQ(tree.Get("Servers/Local/Port"), QK_TAny(-8080));
  EXPECT_EQ(tree.Get("Servers/Local/Secure"), QK_TAny(true));
  EXPECT_EQ(tree.Get("Servers/Local/Root").AsURL().LocalName().str(), "/srv/a b");
  EXPECT_EQ(tree.Get("Name"), QK_TAny(" main "));
  EXPECT_EQ(tree.Get("Big").AsInt(), 9223372036854775807LL);
  EXPECT_EQ(tree.Size(), 3u);
  EXPECT_EQ(QK_TXml::TypedValue("0", "bool", 1), QK_TAny(false));
  EXPECT_EQ(QK_TXml::TypedValue("-9223372036854775808", "int", 1).AsInt(), INT64_MIN);
}

TEST(QKTXmlTest, ReadTreeRejectsBadEntriesNamingTheLine) {
  const char* bad[] = {
      "<C>\n<Value>1</Value></C>",
      "<C>\n<Tree key=\"\"/></C>",
      "<C>\n<Value key=\"n\" type=\"int\">12a</Value></C>",
      "<C>\n<Value key=\"n\" type=\"int\">99999999999999999999</Value></C>",
      "<C>\n<Value key=\"n\" type=\"int\">9223372036854775808</Value></C>",
      "<C>\n<Value key=\"n\" type=\"int\"></Value></C>",
      "<C>\n<Value key=\"n\" type=\"int\">+-5</Value></C>",
      "<C>\n<Value key=\"n\" type=\"bool\">yes</Value></C>",
      "<C>\n<Value key=\"n\" type=\"float\">1.5</Value></C>",
  };
  for (const char* text : bad) {
    QK_TXmlElement root = Parse(text);
    try {
      QK_TXml::ReadTree(root);
      ADD_FAILURE() << "accepted " << text;
    } catch (const QK_EException& error) {
      EXPECT_TRUE(error.QK_Message().Contains("line 2")) << error.QK_Message();
    }
  }
}

}  // namespace
