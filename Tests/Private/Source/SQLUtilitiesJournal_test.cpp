// What the next change does with the journal of a write of odbc.ini that a
// stopped writer left: a cut write is finished exactly, and whatever came
// after the stop stays as the site left it.
#include "SQLUtilitiesJournal.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using SQLUtilities::OdbcIniJournal;
using SQLUtilities::OdbcIniRecovery;
using SQLUtilities::Recover;
using Kind = OdbcIniRecovery::Kind;

const std::string kList = "[ODBC Data Sources]\nProduction=SQL Server\n\n";
const std::string kProduction = "[Production]\nDriver=SQL Server\nSERVER=prod-host\n\n";
const std::string kReport = "[sitereport]\nDriver=SQLite3\nDatabase=/srv/report.db\n\n";
const std::string kSite = kList + kProduction + kReport;
const std::string kOwn =
    "[task1]\nDriver=SQL Server\nDESCRIPTION=New Temporary DSN for Shapejob (run 7.8)\nSERVER=h\n\n";
const std::string kAdded = "[Added]\nDriver=SQLite3\nDatabase=/srv/added.db\n\n";

OdbcIniJournal Journal(OdbcIniJournal::Change change, const std::string& before, const std::string& after,
                       bool inPlace) {
  OdbcIniJournal journal = OdbcIniJournal::Of(before, after, inPlace);
  journal.file = "/etc/odbc.ini";
  journal.writer = "7.8";
  journal.change = change;
  journal.section = "task1";
  // What the next change reads back is what it works from.
  return OdbcIniJournal::Parse(journal.Serialized());
}

OdbcIniJournal Create(bool inPlace) { return Journal(OdbcIniJournal::Change::kCreate, kSite, kSite + kOwn, inPlace); }

TEST(OdbcIniJournalTest, ReadsBackWhatItRecordsAndKnowsACopyCutShortOrOfAFormerVersion) {
  const OdbcIniJournal read = Journal(OdbcIniJournal::Change::kRemove, kSite + kOwn, kSite, true);
  EXPECT_EQ(read.form, OdbcIniJournal::Form::kWhole);
  EXPECT_EQ(read.file + " " + read.writer + " " + read.section, "/etc/odbc.ini 7.8 task1");
  EXPECT_EQ(read.change, OdbcIniJournal::Change::kRemove);
  EXPECT_TRUE(read.inPlace);
  EXPECT_EQ(read.firstChange, kSite.size());
  EXPECT_EQ(read.before, kSite + kOwn);
  EXPECT_EQ(read.after, kSite);

  const std::string bytes = read.Serialized();
  for (std::size_t cut : {std::size_t{0}, std::size_t{10}, std::size_t{40}, bytes.size() - 1, bytes.size() - kOwn.size()}) {
    EXPECT_EQ(OdbcIniJournal::Parse(bytes.substr(0, cut)).form, OdbcIniJournal::Form::kCutShort) << cut;
    EXPECT_EQ(Recover(OdbcIniJournal::Parse(bytes.substr(0, cut)), kAdded).kind, Kind::kNothing);
  }
  const OdbcIniJournal former = OdbcIniJournal::Parse("Shapejob odbc.ini journal\nfile /etc/odbc.ini\n\n" + kSite);
  EXPECT_EQ(former.form, OdbcIniJournal::Form::kFormer);
  EXPECT_EQ(former.before, kSite);
  EXPECT_EQ(OdbcIniJournal::Parse(kSite).form, OdbcIniJournal::Form::kFormer);
  // A former copy is never mended from: the file stays, whatever it is.
  const OdbcIniRecovery fromFormer = Recover(former, kList);
  EXPECT_EQ(fromFormer.kind, Kind::kNotUsed);
  EXPECT_EQ(fromFormer.text, kList);
}

TEST(OdbcIniJournalTest, AWriteThatHadNotBegunOrHadEndedLeavesNothingToDo) {
  for (const std::string& now : {kSite, kSite + kOwn, kSite + kOwn + kAdded}) {
    EXPECT_EQ(Recover(Create(true), now).kind, Kind::kNothing) << now;
  }
  // A write that mends a cut file was to replace what it found: not begun,
  // it is finished all the same.
  OdbcIniJournal mending = Create(false);
  mending.mending = true;
  mending = OdbcIniJournal::Parse(mending.Serialized());
  EXPECT_TRUE(mending.mending);
  EXPECT_EQ(Recover(mending, kSite).text, kSite + kOwn);
}

// A data source removed after the stop, an entry taken off, an edit that
// leaves the last line without its line end: none comes back, whichever
// way the stopped write went.
TEST(OdbcIniJournalTest, WhatTheSiteChangedAfterTheStopStays) {
  const std::string withoutReport = kList + kProduction + kOwn;
  const std::string lastEntryGone = kSite + "[task1]\nDriver=SQL Server\nDESCRIPTION=New Temporary DSN for "
                                            "Shapejob (run 7.8)\n\n";
  const std::string editedUnended = kList + kProduction + "[sitereport]\nDriver=SQLite3\nDatabase=/srv/new.db";
  for (const std::string& now : {withoutReport, lastEntryGone, editedUnended, kList + kProduction}) {
    const OdbcIniRecovery byRename = Recover(Create(false), now);
    EXPECT_EQ(byRename.kind, Kind::kNotUsed) << now;
    EXPECT_EQ(byRename.text, now);
  }
  EXPECT_EQ(Recover(Create(true), withoutReport).text, withoutReport);
  EXPECT_EQ(Recover(Create(true), editedUnended).text, editedUnended);
  // A removal from the middle, by rename, then the administrator removed
  // the last entry of the last section.
  const OdbcIniJournal remove = Journal(OdbcIniJournal::Change::kRemove, kList + kOwn + kProduction + kReport,
                                        kSite, false);
  const std::string shorter = kSite.substr(0, kSite.size() - std::string("Database=/srv/report.db\n\n").size());
  EXPECT_EQ(Recover(remove, shorter).text, shorter);
}

TEST(OdbcIniJournalTest, AnInPlaceWriteCutAnywhereIsFinishedWithWhatWasAddedLater) {
  const OdbcIniJournal create = Create(true);
  for (std::size_t cut = kSite.size() + 1; cut < create.after.size(); ++cut) {
    const std::string left = create.after.substr(0, cut);
    const OdbcIniRecovery mended = Recover(create, left);
    EXPECT_EQ(mended.kind, Kind::kFinish) << left;
    EXPECT_EQ(mended.text, kSite + kOwn) << left;
  }
  // Cut after "[task1]" and its driver, then a data source added by hand.
  const std::string cut = kSite + "[task1]\nDriver=SQL Server\n";
  EXPECT_EQ(Recover(create, cut + "\n" + kAdded).text, kSite + kOwn + "\n" + kAdded);

  // A removal from the middle, in place from the removed section on, with
  // two sections of one name after it: each comes back whole.
  const std::string twin = "[Twin]\nSERVER=a\n\n[twin]\nSERVER=b\n\n";
  const OdbcIniJournal remove =
      Journal(OdbcIniJournal::Change::kRemove, kList + kOwn + twin + kReport, kList + twin + kReport, true);
  for (std::size_t cut = remove.firstChange; cut < remove.after.size(); ++cut) {
    const OdbcIniRecovery mended = Recover(remove, remove.after.substr(0, cut));
    EXPECT_EQ(mended.text, kList + twin + kReport) << "cut after " << cut;
  }
}

// A cut file that a tool then rewrote whole (the site's sections in its
// own layout): nothing is finished, but what the stopped write left of its
// data source goes, as written or as the tool closed it, so that its task
// can run again; a section of that name that is somebody else's stays, and
// so does one the file held before the write.
TEST(OdbcIniJournalTest, ARewrittenFileLosesOnlyWhatTheStoppedWriteLeftOfItsDataSource) {
  const std::string rewritten = kList + "[Production]\nDriver = SQL Server\nSERVER = prod-host\n\n" + kReport;
  for (const std::string& cutOwn :
       {std::string("[task1]\nDriver = SQL Server\nDESCRIPTION = New Temporary DSN for Shap\n\n"),
        std::string("[task1]\nDriver=SQL Server\nDESCRI=\n\n"), std::string("[task1]\nDriver=SQL Server\nDES\n"),
        std::string("[]\n\n"), std::string("[tas]\n\n"), std::string("[tas\n")}) {
    const OdbcIniRecovery mended = Recover(Create(true), rewritten + cutOwn + kAdded);
    EXPECT_EQ(mended.kind, Kind::kNotUsed) << cutOwn;
    EXPECT_TRUE(mended.remains.has_value()) << cutOwn;
    EXPECT_EQ(mended.text, rewritten + kAdded) << cutOwn;
  }
  const std::string somebodys = "[TASK1]\nDriver=SQLite3\nDatabase=/srv/task1.db\n\n";
  const OdbcIniRecovery kept = Recover(Create(true), rewritten + somebodys);
  EXPECT_FALSE(kept.remains.has_value());
  EXPECT_EQ(kept.text, rewritten + somebodys);
  // Whole, it carries its run's owner mark: a leftover like any other.
  EXPECT_EQ(Recover(Create(true), rewritten + kOwn).text, rewritten + kOwn);
  // "[Tas]" was the site's before the write.
  const OdbcIniJournal withTas = Journal(OdbcIniJournal::Change::kCreate, kSite + "[Tas]\n\n",
                                         kSite + "[Tas]\n\n" + kOwn, true);
  EXPECT_EQ(Recover(withTas, rewritten + "[Tas]\n\n").text, rewritten + "[Tas]\n\n");
  // Its own "[task1]", laid out anew; and a "[t]" added after the cut one.
  const std::string held = kList + "[task1]\nDriver=SQL Server\n\n" + kReport;
  const OdbcIniJournal taking = Journal(OdbcIniJournal::Change::kCreate, held, kList + kReport + kOwn, true);
  EXPECT_EQ(Recover(taking, kList + "[task1]\nDriver = SQL Server\n\n" + kReport).text,
            kList + "[task1]\nDriver = SQL Server\n\n" + kReport);
  EXPECT_EQ(Recover(Create(true), rewritten + "[task1]\nDriver=SQL Server\nDES\n[t]\n\n").text, rewritten + "[t]\n\n");
}

// What came after the stop is never spliced into the write's finish: the
// write is finished only where the file reads in exactly one way as that
// write cut short and then added to by whole sections; else it stays.
TEST(OdbcIniJournalTest, WhatCameAfterTheStopIsFinishedOnlyWhereTheFileReadsOneWay) {
  const std::string ownCut = kOwn.substr(0, kOwn.find("DESCRIPTION") + 4);
  const OdbcIniJournal sweep = Journal(OdbcIniJournal::Change::kCreate, kOwn + kSite, kSite, true);
  const std::string again = kSite + "[task1]\n\n[task1]\nDriver=x\n\n";
  const OdbcIniJournal unended =
      Journal(OdbcIniJournal::Change::kRemove, kList + kOwn + "[B]\nk=2", kList + "[B]\nk=2", true);
  const struct {
    const char* what;
    OdbcIniJournal journal;
    std::string now, text;
    Kind kind;
  } cases[] = {
      {"not begun, then a section added", Create(true), kSite + kAdded, kSite + kAdded, Kind::kNothing},
      {"ended, then a section after the changed bytes removed", sweep, kList + kReport, kList + kReport,
       Kind::kNotUsed},
      {"cut, then entries added to the last section", Create(true), kSite + ownCut + "\nKey=v\n",
       kSite + ownCut + "\nKey=v\n", Kind::kNotUsed},
      {"cut, then the cut section added again", Create(true), again, kSite + "[task1]\nDriver=x\n\n",
       Kind::kNotUsed},
      {"cut, then a comment and a section added", Create(true), kSite + "[task1]\n; by hand\n" + kAdded,
       kSite + kOwn + "; by hand\n" + kAdded, Kind::kFinish},
      {"ended, then an empty section added", Create(true), kSite + kOwn + "[Tas]\n", kSite + kOwn + "[Tas]\n",
       Kind::kNothing},
      {"cut, N's last line without its end, then a section added", unended, kList + "[B]\n[Added]\n",
       kList + "[B]\nk=2\n[Added]\n", Kind::kFinish},
  };
  for (const auto& test : cases) {
    const OdbcIniRecovery recovery = Recover(test.journal, test.now);
    EXPECT_EQ(recovery.kind, test.kind) << test.what;
    EXPECT_EQ(recovery.text, test.text) << test.what;
  }
}

}  // namespace
