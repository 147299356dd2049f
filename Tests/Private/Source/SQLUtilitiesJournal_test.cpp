// The journal of a change of odbc.ini made in place, and how the next
// change reads the range it guards: the stopped writer's bytes (as
// written, as they stood, blanked, "\r\n" for "\n") are finished; a range
// laid out anew or edited is left alone.
#include "SQLUtilitiesJournal.h"

#include <gtest/gtest.h>

#include <string>

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
  journal.inode = "2049:131";
  journal.writer = "7.8";
  journal.change = edit.kind == odbc_ini::Edit::Kind::kAppend ? OdbcIniJournal::Change::kCreate
                                                               : OdbcIniJournal::Change::kRemove;
  journal.section = "task1";
  journal.edit = edit;
  return OdbcIniJournal::Parse(journal.Serialized());
}

std::string Crlf(std::string text) {
  for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) text.replace(at, 1, "\r\n");
  return text;
}

// `now` once what RangeIn says is left of the section was taken out.
std::string Finished(const OdbcIniJournal& journal, const std::string& now) {
  const OdbcIniRange range = RangeIn(journal, now);
  if (range.state != State::kPart) return now;
  return odbc_ini::Applied(now, odbc_ini::TakingOutRange(now, range.at, range.size), true);
}

TEST(OdbcIniJournalTest, ReadsBackItsRangeAndKnowsAJournalCutShortOrOfAFormerVersion) {
  const OdbcIniJournal read = Journal(odbc_ini::TakingOut(kSite + kOwn + kAdded, "task1"));
  EXPECT_EQ(read.form, OdbcIniJournal::Form::kWhole);
  EXPECT_EQ(read.file + " " + read.inode + " " + read.writer + " " + read.section, "/etc/odbc.ini 2049:131 7.8 task1");
  EXPECT_EQ(read.change, OdbcIniJournal::Change::kRemove);
  EXPECT_EQ(read.edit.kind, odbc_ini::Edit::Kind::kBlank);
  EXPECT_EQ(read.edit.at, kSite.size());
  EXPECT_EQ(read.edit.bytes, kOwn);
  const std::string bytes = read.Serialized();
  for (std::size_t cut : {std::size_t{0}, std::size_t{10}, std::size_t{40}, bytes.size() - 1, bytes.size() - 20}) {
    EXPECT_EQ(OdbcIniJournal::Parse(bytes.substr(0, cut)).form, OdbcIniJournal::Form::kCutShort) << cut;
  }
  for (const std::string& former : {"Shapejob odbc.ini journal 2\nfile /etc/odbc.ini\nwrite in-place 3 4 5\n\n" + kSite,
                                    "Shapejob odbc.ini journal\nfile /etc/odbc.ini\n\n" + kSite, kSite}) {
    EXPECT_EQ(OdbcIniJournal::Parse(former).form, OdbcIniJournal::Form::kFormer) << former;
  }
}

// A create cut at any byte, as written or with its line ends made "\r\n":
// what it wrote goes, to the file as it was; nothing written, nothing to do.
TEST(OdbcIniJournalTest, ACreateCutAtAnyByteIsTakenOutAsWrittenOrWithCrlfLineEnds) {
  const OdbcIniJournal create = Journal(odbc_ini::Appending(kSite, kOwn));
  for (bool crlf : {false, true}) {
    for (std::size_t cut = 0; cut <= kOwn.size(); ++cut) {
      const std::string written = crlf ? Crlf(kOwn.substr(0, cut)) : kOwn.substr(0, cut);
      const OdbcIniRange range = RangeIn(create, kSite + written);
      EXPECT_EQ(range.state, cut == 0 ? State::kGone : State::kPart) << cut;
      EXPECT_EQ(range.size, written.size()) << cut;
      EXPECT_EQ(Finished(create, kSite + written), kSite) << cut;
    }
  }
  // A site in "\r\n" line ends: the append's own "\n" are as written.
  const OdbcIniJournal onCrlf = Journal(odbc_ini::Appending(Crlf(kSite), kOwn));
  EXPECT_EQ(Finished(onCrlf, Crlf(kSite) + kOwn.substr(0, 30)), Crlf(kSite));
}

// Then somebody else's section after the cut: the cut line and its line
// end are blanked, the section after stays; a file laid out anew or moved
// by an edit before the range is left as it is.
TEST(OdbcIniJournalTest, AfterACutOnlyTheWritersBytesGoAndARangeLaidOutAnewStays) {
  const OdbcIniJournal create = Journal(odbc_ini::Appending(kSite, kOwn));
  const struct {
    const char* what;
    std::string now;
    State state;
    std::string finished;
  } cases[] = {
      {"a section appended by hand", kSite + "[task1]\nDr\n" + kAdded, State::kPart,
       kSite + std::string(10, ' ') + "\n" + kAdded},
      {"a blank line and a comment, then a section", kSite + "[tas\n\n; by hand\n" + kAdded, State::kPart,
       kSite + "    \n\n; by hand\n" + kAdded},
      {"the cut line closed by the installer", kSite + "[task1]\nDr=\n\n" + kAdded, State::kOther, ""},
      {"a cut header closed by the installer", kSite + "[tas]\n\n" + kAdded, State::kOther, ""},
      {"an entry added to the cut section", kSite + "[task1]\nDriver=SQL Server\nExtra=1\n", State::kOther, ""},
      {"a value set before the range", "[ODBC Data Sources]\nProduction=SQL Server\n\n[Production]\nDriver=SQL "
                                       "Server\nSERVER=moved\n\n" + kOwn.substr(0, 20),
       State::kOther, ""},
      {"somebody else's section where nothing was written", kSite + kAdded, State::kOther, ""},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(RangeIn(create, test.now).state, test.state) << test.what;
    EXPECT_EQ(Finished(create, test.now), test.state == State::kPart ? test.finished : test.now) << test.what;
  }
}

// A section taken out from the middle, stopped before its first byte or
// at any byte of its blanking: finishing blanks it whole; blanked whole,
// nothing is to do. A section taken out from the end: cut off, or not.
TEST(OdbcIniJournalTest, ATakeOutStoppedAnywhereIsFinishedFromAsItStoodOrBlanked) {
  for (bool crlf : {false, true}) {
    const std::string own = crlf ? Crlf(kOwn) : kOwn;
    const std::string before = kSite + own + kAdded;
    const odbc_ini::Edit edit = odbc_ini::TakingOut(before, "task1");
    const OdbcIniJournal blank = Journal(edit);
    const std::string blanked = odbc_ini::Applied(before, edit, true);
    std::string now = before;
    EXPECT_EQ(RangeIn(blank, now).state, State::kPart);
    for (const odbc_ini::Step& step : odbc_ini::BlankingSteps(edit.bytes)) {
      for (std::size_t byte = 0; byte < step.bytes.size(); ++byte) {
        EXPECT_EQ(Finished(blank, now), blanked) << now;
        now[edit.at + step.at + byte] = step.bytes[byte];
      }
    }
    EXPECT_EQ(now, blanked);
    EXPECT_EQ(RangeIn(blank, now).state, State::kGone);
  }
  const OdbcIniJournal blank = Journal(odbc_ini::TakingOut(kSite + kOwn + kAdded, "task1"));
  EXPECT_EQ(RangeIn(blank, kSite + "[task1]\nDriver=SQL Server\n" + kAdded).state, State::kOther) << "re-laid";
  EXPECT_EQ(RangeIn(blank, kSite + Crlf(kOwn) + kAdded).state, State::kPart) << "its line ends made \\r\\n";

  const OdbcIniJournal truncate = Journal(odbc_ini::TakingOut(kSite + kOwn, "task1"));
  EXPECT_EQ(truncate.edit.kind, odbc_ini::Edit::Kind::kTruncate);
  EXPECT_EQ(RangeIn(truncate, kSite).state, State::kGone);
  EXPECT_EQ(Finished(truncate, kSite + kOwn), kSite);
  EXPECT_EQ(Finished(truncate, kSite + kOwn + kAdded), kSite + std::string(kOwn.size() - 1, ' ') + "\n" + kAdded);
}

// A file whose last line had no line end: the line end the create wrote
// first, and what closed the cut-off range later, stay; nothing joins a
// line of the site, in place or in a file written anew.
TEST(OdbcIniJournalTest, TheLineEndThatClosedTheSitesLastLineStaysTheSites) {
  const std::string open = kSite + "[Last]\nDatabase=/srv/last.db";
  const OdbcIniJournal create = Journal(odbc_ini::Appending(open, kOwn));
  const std::string cut = open + "\n[tas\n" + kAdded;
  const OdbcIniRange range = RangeIn(create, cut);
  ASSERT_EQ(range.state, State::kPart);
  EXPECT_EQ(odbc_ini::Applied(cut, odbc_ini::TakingOutRange(cut, range.at, range.size), false), open + "\n" + kAdded);
  EXPECT_EQ(Finished(create, cut), open + "\n    \n" + kAdded);
  const OdbcIniJournal truncate = Journal(odbc_ini::TakingOut(kSite + "[task1]\nDriver=x", "task1"));
  EXPECT_EQ(Finished(truncate, kSite + "[task1]\nDriver=x\n" + kAdded), kSite + std::string(16, ' ') + "\n" + kAdded);
}

}  // namespace
