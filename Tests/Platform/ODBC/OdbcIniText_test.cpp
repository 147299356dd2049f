// Changes of odbc.ini that move no byte of another section: a section
// blanked in place reads, after every byte of its blanking, as itself
// shorter or as nothing, and never changes a line of another; runs that
// add and take out their sections in any order give back the file byte
// for byte.
#include "OdbcIniText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kSite =
    "[ODBC Data Sources]\nProduction=SQL Server\n\n[Production]\nDriver=SQL Server\nSERVER=prod-host\n\n";
const std::string kRun = "[ended]\nDriver=SQL Server\nDESCRIPTION=New Temporary DSN (run 7)\n\n";
const std::string kLast = "[Last]\nDriver = SQLite3\n; the site's\nDatabase = /srv/last.db\n";

std::string Crlf(std::string text) {
  for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) text.replace(at, 1, "\r\n");
  return text;
}

// Each section of `text` as the installer reads it: its name, then each
// entry, each followed by "|".
std::vector<std::string> Read(const std::string& text) {
  std::vector<std::string> read;
  for (const odbc_ini::Section& section : odbc_ini::Parse(text).sections) {
    std::string entries = section.name + "|";
    for (const auto& [key, value] : odbc_ini::EntriesOf(section)) entries += key + "=" + value + "|";
    read.push_back(entries);
  }
  return read;
}

TEST(OdbcIniEditTest, ASectionBlankedInPlaceReadsAsItselfShorterOrAsNothingAfterEveryByte) {
  for (bool crlf : {false, true}) {
    const std::string site = crlf ? Crlf(kSite) : kSite;
    const std::string run = crlf ? Crlf(kRun) : kRun;
    const std::string last = crlf ? Crlf(kLast) : kLast;
    const std::string before = site + run + last;
    const odbc_ini::Edit edit = odbc_ini::TakingOut(before, "ended");
    ASSERT_EQ(edit.kind, odbc_ini::Edit::Kind::kBlank);
    ASSERT_EQ(edit.at, site.size());
    const std::vector<std::string> whole = Read(before);
    std::string now = before;
    std::size_t states = 0;
    for (const odbc_ini::Step& step : odbc_ini::BlankingSteps(edit.bytes)) {
      for (std::size_t byte = 0; byte < step.bytes.size(); ++byte, ++states) {
        now[edit.at + step.at + byte] = step.bytes[byte];
        std::vector<std::string> read = Read(now);
        SCOPED_TRACE(now);
        ASSERT_TRUE(read.size() == 3 || read.size() == 4);
        EXPECT_EQ(read.front(), whole[0]);
        EXPECT_EQ(read[1], whole[1]) << "the section above keeps its lines";
        EXPECT_EQ(read.back(), whole.back());
        if (read.size() == 4) {
          EXPECT_EQ(whole[2].rfind(read[2], 0), 0u) << "the same section, whole entries fewer";
        }
      }
    }
    EXPECT_GT(states, edit.bytes.size());
    EXPECT_EQ(now, site + std::string(run.size() - 1, ' ') + "\n" + last) << "blanks ending in one line end";
    EXPECT_EQ(now, odbc_ini::Applied(before, edit, true));
    EXPECT_EQ(odbc_ini::Applied(before, edit, false), site + last) << "a file written anew leaves it out";
  }
}

TEST(OdbcIniEditTest, RunsThatAddAndTakeOutInAnyOrderGiveBackTheFileByteForByte) {
  const std::string a = "[a]\nDriver=SQL Server\n\n";
  const std::string b = "[b]\nDriver=SQL Server\nSERVER=h\n\n";
  for (const std::string& site : {kSite, kSite + kLast, std::string()}) {
    for (bool aFirstOut : {true, false}) {
      std::string now = site;
      for (const std::string& section : {a, b}) now = odbc_ini::Applied(now, odbc_ini::Appending(now, section), true);
      for (const char* name : aFirstOut ? std::vector<const char*>{"a", "b"} : std::vector<const char*>{"b", "a"}) {
        const odbc_ini::Edit out = odbc_ini::TakingOut(now, name);
        EXPECT_EQ(out.kind, std::string(name) == "a" && aFirstOut ? odbc_ini::Edit::Kind::kBlank
                                                                   : odbc_ini::Edit::Kind::kTruncate);
        now = odbc_ini::Applied(now, out, true);
      }
      EXPECT_EQ(now, site) << (aFirstOut ? "a out first" : "b out first");
    }
  }
  // The site's own empty line at the end stays; a line end the file
  // lacked comes before the section, and is all that stays of it.
  const std::string open = "[Site]\nDriver=x";
  std::string now = odbc_ini::Applied(open, odbc_ini::Appending(open, a), true);
  EXPECT_EQ(now, open + "\n" + a);
  EXPECT_EQ(odbc_ini::Applied(now, odbc_ini::TakingOut(now, "a"), true), open + "\n");
  now = odbc_ini::Applied(kSite + "\n", odbc_ini::Appending(kSite + "\n", a), true);
  EXPECT_EQ(odbc_ini::Applied(now, odbc_ini::TakingOut(now, "a"), true), kSite + "\n");
}

}  // namespace
