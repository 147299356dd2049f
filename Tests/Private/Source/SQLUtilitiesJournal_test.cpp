// The journal of a change of odbc.ini made in place, and how the next
// change reads the range it guards: the stopped writer's bytes (as
// written, as they stood, blanked, "\r\n" for "\n") are finished; a range
// laid out anew or edited is left alone.
#include "SQLUtilitiesJournal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using SQLUtilities::OdbcIniJournal;
using SQLUtilities::OdbcIniRange;
using SQLUtilities::RangeIn;
using State = OdbcIniRange::State;

const std::string kSite =
    "[ODBC Data Sources]\nProduction=SQL Server\n\n[Production]\nDriver=SQL Server\nSERVER=prod-host\n\n";
const std::string kOwn =
    "[task1]\nDriver=SQL Server\nDESCRIPTION=New Temporary DSN for Shapejob (run 7.8)\nSERVER=h\n\n";
const std::string kAdded = "[Added]\nDriver=SQLite3\nDatabase=/srv/added.db\n";

// The journal of `edit` as the next change reads it back.
OdbcIniJournal Journal(const odbc_ini::Edit& edit) {
  OdbcIniJournal journal;
  journal.file = "/etc/odbc.ini";
  journal.section = "task1";
  journal.edit = edit;
  journal.after = "Production";  // kSite's last section
  return OdbcIniJournal::Parse(journal.Serialized());
}

std::string Crlf(std::string text) {
  for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) text.replace(at, 1, "\r\n");
  return text;
}

// `now` once what RangeIn says is left of the section was taken out, in
// place or in a file written anew.
std::string Finished(const OdbcIniJournal& journal, const std::string& now, bool inPlace = true) {
  const OdbcIniRange range = RangeIn(journal, now);
  if (range.state != State::kPart) return now;
  return odbc_ini::Applied(now, odbc_ini::TakingOutRange(now, range.at, range.size), inPlace);
}

// Each section of `text` as the installer reads it: its name, then each
// entry, each followed by "|".
std::vector<std::string> Read(const std::string& text) {
  std::vector<std::string> read;
  for (const odbc_ini::Section& section : odbc_ini::Parse(text).sections) {
    read.push_back(section.name + "|");
    for (const auto& [key, value] : odbc_ini::EntriesOf(section)) read.back() += key + "=" + value + "|";
  }
  return read;
}

TEST(OdbcIniJournalTest, ReadsBackItsRangeAndKnowsAJournalCutShortOrOfAFormerVersion) {
  const odbc_ini::Edit edit = odbc_ini::TakingOut(kSite + kOwn + kAdded, "task1");
  const OdbcIniJournal read = Journal(edit);
  EXPECT_EQ(read.form, OdbcIniJournal::Form::kWhole);
  EXPECT_EQ(read.section + " " + std::to_string(read.edit.at) + " " + read.edit.bytes,
            "task1 " + std::to_string(edit.at) + " " + edit.bytes);
  const std::string bytes = read.Serialized();
  for (std::size_t cut : {std::size_t{0}, std::size_t{10}, std::size_t{40}, bytes.size() - 1, bytes.size() - 20}) {
    EXPECT_EQ(OdbcIniJournal::Parse(bytes.substr(0, cut)).form, OdbcIniJournal::Form::kCutShort) << cut;
  }
  for (const std::string& former : {"Shapejob odbc.ini journal 2\nfile /etc/odbc.ini\nwrite in-place 3 4 5\n\n" + kSite,
                                    "Shapejob odbc.ini journal\nfile /etc/odbc.ini\n\n" + kSite, kSite}) {
    EXPECT_EQ(OdbcIniJournal::Parse(former).form, OdbcIniJournal::Form::kFormer) << former;
  }
}

// A take-out from the middle stopped at any byte of its blanking reads,
// after every byte, as itself with whole lines fewer, its owner mark kept
// while any other line is, or as nothing, the sections around it
// unchanged; finishing blanks it whole.
TEST(OdbcIniJournalTest, ATakeOutStoppedAtAnyByteIsFinishedAndNoOtherSectionChanges) {
  for (bool crlf : {false, true}) {
    const std::string before = kSite + (crlf ? Crlf(kOwn + kAdded) : kOwn + kAdded);
    const odbc_ini::Edit edit = odbc_ini::TakingOut(before, "task1");
    const OdbcIniJournal blank = Journal(edit);
    const std::string blanked = odbc_ini::Applied(before, edit, true);
    const std::vector<std::string> whole = Read(before);
    std::string now = before;
    for (const odbc_ini::Step& step : odbc_ini::BlankingSteps(edit.bytes)) {
      for (std::size_t byte = 0; byte < step.bytes.size(); ++byte) {
        EXPECT_EQ(Finished(blank, now), blanked) << now;
        now[edit.at + step.at + byte] = step.bytes[byte];
        std::vector<std::string> read = Read(now);
        ASSERT_GE(read.size(), 3u) << now;
        ASSERT_EQ(read.front() + read[1] + read.back(), whole[0] + whole[1] + whole[3]) << now;
        if (read.size() == 3) continue;
        ASSERT_EQ(read.size(), 4u) << now;
        // Its entries, each in the order the whole had them.
        std::size_t at = 0;
        for (std::size_t end, from = 0; (end = read[2].find('|', from)) != std::string::npos; from = end + 1) {
          at = whole[2].find(read[2].substr(from, end + 1 - from), at);
          ASSERT_NE(at, std::string::npos) << now;
        }
        EXPECT_TRUE(read[2] == "task1|" || read[2].find("DESCRIPTION=") != std::string::npos) << now;
      }
    }
    EXPECT_EQ(now, kSite + std::string(edit.bytes.size() - 1, ' ') + "\n" + (crlf ? Crlf(kAdded) : kAdded));
    EXPECT_EQ(RangeIn(blank, now).state, State::kGone);
  }
}

// One stopped change each, then what the file holds: only the writer's
// bytes go (the cut line with the line end that closed it); a range laid
// out anew or moved by an edit before it stays as it is.
TEST(OdbcIniJournalTest, OnlyTheWritersBytesGoAndARangeLaidOutAnewStays) {
  const OdbcIniJournal create = Journal(odbc_ini::Appending(kSite, kOwn));
  const OdbcIniJournal blank = Journal(odbc_ini::TakingOut(kSite + kOwn + kAdded, "task1"));
  const OdbcIniJournal truncate = Journal(odbc_ini::TakingOut(kSite + kOwn, "task1"));
  // A site whose last line had no line end: the line end the create wrote
  // first closed it, and stays the site's.
  const std::string open = kSite + "[Last]\nDatabase=/srv/last.db";
  const OdbcIniJournal openCreate = Journal(odbc_ini::Appending(open, kOwn));
  const OdbcIniJournal openTruncate = Journal(odbc_ini::TakingOut(kSite + "[task1]\nDriver=x", "task1"));
  const OdbcIniJournal onCrlf = Journal(odbc_ini::Appending(Crlf(kSite), kOwn));
  const std::string moved = kSite + "; a comment\n";
  const OdbcIniJournal fragment = Journal(odbc_ini::TakingOut(kSite + kOwn.substr(0, 26), "task1"));
  const struct {
    const char* what;
    const OdbcIniJournal& journal;
    std::string now;
    std::string finished;  // "": as it is
    bool inPlace = true;
  } cases[] = {
      {"a section appended by hand", create, kSite + "[task1]\nDr\n" + kAdded, kSite + "          \n" + kAdded},
      {"a blank line and a comment, then a section", create, kSite + "[tas\n\n; by hand\n" + kAdded,
       kSite + "    \n\n; by hand\n" + kAdded},
      {"the cut line closed by the installer", create, kSite + "[task1]\nDr=\n\n" + kAdded,
       kSite + std::string(11, ' ') + "\n\n" + kAdded},
      {"a cut create's line ends made \"\\r\\n\"", create, kSite + Crlf(kOwn.substr(0, 40)), kSite},
      {"nothing of a create written", create, kSite, ""},
      {"an entry added to the cut section", create, kSite + "[task1]\nDriver=SQL Server\nExtra=1\n", ""},
      {"a line added before the range", create, moved + kOwn.substr(0, 20), moved},
      {"a cut header closed, after another section", create, kSite + kAdded + "[tas]\n", ""},
      {"the same cut section twice", create, moved + kOwn.substr(0, 20) + "\n" + kOwn.substr(0, 20), ""},
      {"a cut-off fragment that begins a longer section", fragment, kSite + kOwn, ""},
      {"somebody else's section where nothing was written", create, kSite + kAdded, ""},
      {"a site in \"\\r\\n\" line ends", onCrlf, Crlf(kSite) + kOwn.substr(0, 30), Crlf(kSite)},
      {"a blanked section laid out anew", blank, kSite + "[task1]\nDriver=SQL Server\n" + kAdded, ""},
      {"a blanked section's line ends made \"\\r\\n\"", blank, kSite + Crlf(kOwn) + kAdded,
       kSite + std::string(Crlf(kOwn).size() - 1, ' ') + "\n" + kAdded},
      {"a cut-off section cut off", truncate, kSite, ""},
      {"a cut-off section not cut off", truncate, kSite + kOwn, kSite},
      {"a cut-off section, then somebody else's", truncate, kSite + kOwn + kAdded,
       kSite + std::string(kOwn.size() - 1, ' ') + "\n" + kAdded},
      {"a create on an open last line, in place", openCreate, open + "\n[tas\n" + kAdded, open + "\n    \n" + kAdded},
      {"a create on an open last line, written anew", openCreate, open + "\n[tas\n" + kAdded, open + "\n" + kAdded,
       false},
      {"a cut-off section without a line end, then somebody else's", openTruncate,
       kSite + "[task1]\nDriver=x\n" + kAdded, kSite + std::string(16, ' ') + "\n" + kAdded},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(Finished(test.journal, test.now, test.inPlace), test.finished.empty() ? test.now : test.finished)
        << test.what;
  }
}

}  // namespace
