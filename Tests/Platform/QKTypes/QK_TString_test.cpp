#include "QK_TString.h"

#include <gtest/gtest.h>

namespace {

TEST(QKTStringTest, NonAsciiTextSurvivesTheWideRoundTrip) {
  const char* utf8 = "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80";  // "Größe € 😀"
  QK_TString text(utf8);
  std::wstring wide = text.wc_str();
  EXPECT_EQ(wide, std::wstring(L"Gr\u00F6\u00DFe \u20AC \U0001F600"));
  EXPECT_EQ(QK_TString(wide).str(), utf8);
  EXPECT_EQ(QK_TString(L"\u00C4rger", 2).str(), "\xC3\x84r");
}

TEST(QKTStringTest, MalformedUtf8BecomesReplacementCharacters) {
  // A stray continuation byte, a lead byte without its continuation, and a
  // sequence cut off by the end of the text.
  QK_TString text(std::string("a\x80" "b\xC3" "c\xE2\x82"));
  EXPECT_EQ(text.wc_str(), std::wstring(L"a\uFFFDb\uFFFDc\uFFFD\uFFFD"));
  // Overlong forms, surrogates and code points past U+10FFFF are malformed too.
  EXPECT_EQ(QK_TString("\xC0\x80").wc_str(), std::wstring(L"\uFFFD\uFFFD"));
  EXPECT_EQ(QK_TString("\xED\xA0\x80").wc_str(), std::wstring(L"\uFFFD\uFFFD\uFFFD"));
  EXPECT_EQ(QK_TString("\xF4\x90\x80\x80").wc_str(), std::wstring(4, L'\uFFFD'));
}

TEST(QKTStringTest, FormatFillsInTextAndNumbers) {
  EXPECT_EQ(QK_TString::Format("%s has %d pages", "job.pdf", 12).str(), "job.pdf has 12 pages");
  EXPECT_EQ(QK_TString::Format("%s", "").str(), "");
  std::string longText(5000, 'x');
  EXPECT_EQ(QK_TString::Format("<%s>", longText.c_str()).Length(), 5002u);
}

TEST(QKTStringTest, TrimRemovesSurroundingWhiteSpaceOnly) {
  EXPECT_EQ(QK_TString(" \t a b \r\n").Trim().str(), "a b");
  EXPECT_EQ(QK_TString(" \n ").Trim().str(), "");
  EXPECT_EQ(QK_TString("ab").Trim().str(), "ab");
}

TEST(QKTStringTest, ReplaceChangesEveryOccurrence) {
  EXPECT_EQ(QK_TString("a-b-c-").Replace("-", "--").str(), "a--b--c--");
  EXPECT_EQ(QK_TString("aaaa").Replace("aa", "b").str(), "bb");
  EXPECT_EQ(QK_TString("abc").Replace("", "x").str(), "abc");
  EXPECT_EQ(QK_TString("C:\\x\\y").ReplaceChars('\\', '/').str(), "C:/x/y");
}

TEST(QKTStringTest, CaseInsensitiveComparisons) {
  EXPECT_TRUE(QK_TString("RunStandard").EqualsIgnoreCase("runSTANDARD"));
  EXPECT_FALSE(QK_TString("RunStandard").EqualsIgnoreCase("RunStandar"));
  EXPECT_TRUE(QK_TString("RunStandard").StartsWith("runs", false));
  EXPECT_FALSE(QK_TString("RunStandard").StartsWith("runs"));
  EXPECT_TRUE(QK_TString("job.KPX").EndsWith(".kpx", false));
  EXPECT_FALSE(QK_TString("x").EndsWith("long suffix"));
  EXPECT_EQ(QK_TString("MiXeD 1").ToUpper().str(), "MIXED 1");
}

TEST(QKTStringTest, FindAndSubstringStayInsideTheText) {
  QK_TString text("a/b/c");
  EXPECT_EQ(text.Find("/"), 1u);
  EXPECT_EQ(text.Find("/", 2), 3u);
  EXPECT_EQ(text.FindLast('/'), 3u);
  EXPECT_EQ(text.Find("x"), QK_TString::npos);
  EXPECT_EQ(text.Substring(2).str(), "b/c");
  EXPECT_EQ(text.Substring(99).str(), "");
}

TEST(QKTStringTest, WildcardMatch) {
  QK_TString name("RunStandard_x");
  EXPECT_TRUE(name.Match("runstandard*", false));
  EXPECT_FALSE(name.Match("runstandard*", true));
  EXPECT_TRUE(name.Match("RunStandard*", true));
  EXPECT_TRUE(name.Match("Run?tandard_?", true));
  EXPECT_FALSE(name.Match("Run?tandard_", true));
  EXPECT_TRUE(name.Match("*Stand*_*", true));
  EXPECT_TRUE(name.Match("*x", true));
  EXPECT_FALSE(name.Match("*y", true));
  EXPECT_TRUE(QK_TString("aXbXc").Match("a*b*c", true));
  EXPECT_FALSE(QK_TString("aXbXd").Match("a*b*c", true));
  EXPECT_TRUE(QK_TString("").Match("", true));
  EXPECT_TRUE(QK_TString("").Match("*", true));
  EXPECT_FALSE(name.Match("", true));
  EXPECT_FALSE(QK_TString("").Match("?", true));
}

}  // namespace
