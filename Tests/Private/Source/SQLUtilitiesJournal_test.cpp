// What the next change does with the journal of a write of odbc.ini that a
// stopped writer left: a cut write is finished exactly, and whatever came
// after the stop stays as the site left it.
#include "SQLUtilitiesJournal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
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

// A data source removed after the stop, an entry taken off, an edit that
// leaves the last line without its line end: none comes back after a
// write by rename, which leaves no cut file.
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
  for (const std::string& now : {kSite + kAdded, kSite + kOwn + "; by hand\n" + kAdded}) {
    EXPECT_EQ(Recover(Create(false), now).kind, Kind::kNothing) << now;
  }
}

TEST(OdbcIniJournalTest, AnInPlaceWriteCutAnywhereIsFinishedWithWhatWasAddedLater) {
  const OdbcIniJournal create = Create(true);
  for (std::size_t cut = kSite.size() + 1; cut < create.after.size(); ++cut) {
    const OdbcIniRecovery mended = Recover(create, create.after.substr(0, cut));
    EXPECT_EQ(mended.kind, Kind::kFinish) << cut;
    EXPECT_EQ(mended.text, kSite + kOwn) << cut;
    EXPECT_EQ(mended.putBack, std::vector<std::string>{"task1"}) << cut;
  }
  // A removal from the middle, in place from the removed section on, with
  // two sections of one name after it: each comes back whole.
  const std::string twin = "[Twin]\nSERVER=a\n\n[twin]\nSERVER=b\n\n";
  const OdbcIniJournal remove =
      Journal(OdbcIniJournal::Change::kRemove, kList + kOwn + twin + kReport, kList + twin + kReport, true);
  for (std::size_t cut = remove.firstChange; cut < remove.after.size(); ++cut) {
    EXPECT_EQ(Recover(remove, remove.after.substr(0, cut)).text, kList + twin + kReport) << cut;
  }
}

// The sweep of an ended run's section from the middle of the site: the
// write goes in order, so what the file lacks of the sections it had
// still to write was cut off, whatever the site did to the file later.
const std::string kTail = "[sitetail]\nDriver=SQLite3\nDatabase=/srv/tail.db\n\n";
const std::string kSwept = kList + kProduction + kReport + kTail;
OdbcIniJournal Sweep() {
  return Journal(OdbcIniJournal::Change::kCreate, kList + kProduction + kOwn + kReport + kTail, kSwept, true);
}
// The site with a value set, laid out again as the installer writes it.
const std::string kMoved = kList + "[Production]\nDriver=SQL Server\nSERVER=moved\n\n";

struct Case {
  const char* what;
  OdbcIniJournal journal;
  std::string now, text;
  Kind kind;
};

void Check(const Case& test) {
  const OdbcIniRecovery recovery = Recover(test.journal, test.now);
  EXPECT_EQ(recovery.kind, test.kind) << test.what;
  EXPECT_EQ(recovery.text, test.text) << test.what;
}

TEST(OdbcIniJournalTest, ACutFileIsMergedBySectionsWithWhateverCameAfter) {
  const std::string ownCut = kOwn.substr(0, kOwn.find("DESCRIPTION") + 4);
  const OdbcIniJournal unended =
      Journal(OdbcIniJournal::Change::kRemove, kList + kOwn + "[B]\nk=2", kList + "[B]\nk=2", true);
  const std::string task10 = "[task10]\nDriver=SQLite3\n\n";
  const OdbcIniJournal removeBeforeTask10 =
      Journal(OdbcIniJournal::Change::kRemove, kList + kOwn + task10, kList + task10, true);
  const std::string spaced = "[sitereport]\nDriver = SQLite3\nDatabase = /srv/report.db\n\n";
  const OdbcIniJournal spacedSweep =
      Journal(OdbcIniJournal::Change::kCreate, kList + kProduction + kOwn + spaced + kTail,
              kList + kProduction + spaced + kTail, true);
  const std::string editedReport = Replaced(kReport, "report.db", "r.db");
  const std::string dup1 = "[Dup]\nk=1\n\n", dup2 = "[Dup]\nk=2\n\n";
  const OdbcIniJournal dupSweep = Journal(OdbcIniJournal::Change::kCreate, kList + dup1 + kOwn + kReport + dup2,
                                          kList + dup1 + kReport + dup2, true);
  const Case cases[] = {
      {"cut at the byte where a removed name ends that begins the next", removeBeforeTask10, kList + "[task1",
       kList + task10, Kind::kFinish},
      {"so cut, then re-laid", removeBeforeTask10, kList + "[task1]\n\n", kList + task10, Kind::kFinish},
      {"cut, then a section before the cut edited", Sweep(),
       kList + kProduction + editedReport + "[sitetail]\nDriver=SQ", kList + kProduction + editedReport + kTail,
       Kind::kFinish},
      {"cut in a header, then re-laid from a layout of its own", spacedSweep,
       kList + kProduction + kReport + "[sitet]\n\n", kList + kProduction + kReport + kTail, Kind::kFinish},
      {"cut, then an earlier section of the same name removed", dupSweep,
       kList + kReport + "[Dup]\nk=", kList + kReport + dup2, Kind::kFinish},
      {"ended, then a section before the last removed", Sweep(), kList + kProduction + kTail,
       kList + kProduction + kTail, Kind::kNothing},
      {"not begun, then a section removed", Sweep(), kList + kOwn + kReport + kTail, kList + kOwn + kReport + kTail,
       Kind::kNothing},
      {"cut, then a section added", Create(true), kSite + "[task1]\nDriver=SQL Server\n\n" + kAdded,
       kSite + kOwn + kAdded, Kind::kFinish},
      {"cut, then a comment and a section added", Create(true), kSite + "[task1]\n; by hand\n" + kAdded,
       kSite + kOwn + "; by hand\n" + kAdded, Kind::kFinish},
      {"cut, N's last line without its end, then a section added", unended, kList + "[B]\n[Added]\n",
       kList + "[B]\nk=2\n[Added]\n", Kind::kFinish},
      {"cut, then entries added to the cut section", Create(true), kSite + ownCut + "\nKey=v\n",
       kSite + ownCut + "\nKey=v\n", Kind::kNothing},
      {"not begun, then a section added", Create(true), kSite + kAdded, kSite + kAdded, Kind::kNothing},
      {"ended, then an empty section added", Create(true), kSite + kOwn + "[Tas]\n", kSite + kOwn + "[Tas]\n",
       Kind::kNothing},
      {"cut, then the cut section added again", Create(true), kSite + "[task1]\n\n[task1]\nDriver=x\n\n",
       kSite + "[task1]\nDriver=x\n\n", Kind::kNotUsed},
      {"cut in a header, then two headers that could be it", Sweep(), kMoved + "[site]\n\n[sitere]\n\n",
       kMoved + "[site]\n\n[sitere]\n\n", Kind::kNotUsed},
  };
  for (const Case& test : cases) Check(test);
}

// A cut file that a tool then rewrote whole (the site's sections in its
// own layout): what the stopped write left of its data source is
// finished, as written or as the tool closed it; a section of that name
// that is somebody else's stays, and so does one the file held before the
// write.
TEST(OdbcIniJournalTest, WhatIsLeftOfTheDataSourceBeingMadeIsFinishedAndNothingElse) {
  const std::string rewritten = kList + "[Production]\nDriver = SQL Server\nSERVER = prod-host\n\n" + kReport;
  for (const std::string& cutOwn :
       {std::string("[task1]\nDriver = SQL Server\nDESCRIPTION = New Temporary DSN for Shap\n\n"),
        std::string("[task1]\nDriver=SQL Server\nDESCRI=\n\n"), std::string("[task1]\nDriver=SQL Server\nDES\n"),
        std::string("[]\n\n"), std::string("[tas]\n\n"), std::string("[tas\n")}) {
    Check({cutOwn.c_str(), Create(true), rewritten + cutOwn + kAdded, rewritten + kOwn + kAdded, Kind::kFinish});
  }
  const std::string somebodys = "[TASK1]\nDriver=SQLite3\nDatabase=/srv/task1.db\n\n";
  const std::string held = kList + "[task1]\nDriver=SQL Server\n\n" + kReport;
  const Case cases[] = {
      {"somebody's section of that name", Create(true), rewritten + somebodys, rewritten + somebodys, Kind::kNothing},
      {"whole, with its run's owner mark", Create(true), rewritten + kOwn, rewritten + kOwn, Kind::kNothing},
      {"the site's [Tas] from before the write",
       Journal(OdbcIniJournal::Change::kCreate, kSite + "[Tas]\n\n", kSite + "[Tas]\n\n" + kOwn, true),
       rewritten + "[Tas]\n\n", rewritten + "[Tas]\n\n", Kind::kNothing},
      {"its own [task1] laid out anew", Journal(OdbcIniJournal::Change::kCreate, held, kList + kReport + kOwn, true),
       kList + "[task1]\nDriver = SQL Server\n\n" + kReport, kList + "[task1]\nDriver = SQL Server\n\n" + kReport,
       Kind::kNothing},
      {"cut, then a section added after it", Create(true), rewritten + "[task1]\nDriver=SQL Server\nDES\n[t]\n\n",
       rewritten + kOwn + "[t]\n\n", Kind::kFinish},
  };
  for (const Case& test : cases) Check(test);
  // Where the merge is not single, the fragment goes all the same.
  const OdbcIniRecovery twice = Recover(Create(true), rewritten + "[task1]\nDriver=SQL\n\n[tas]\n\n[task1]\nk=v\n\n");
  EXPECT_EQ(twice.kind, Kind::kNotUsed);
  EXPECT_EQ(twice.removed, std::vector<std::string>{"task1"});
  EXPECT_EQ(twice.text, rewritten + "[tas]\n\n[task1]\nk=v\n\n");
}

// A write that mends a cut file was to replace what it found: not begun,
// it is finished all the same, and what the cut file held of the data
// source being made was the first write's, not the site's.
TEST(OdbcIniJournalTest, AMendingWriteFinishesFromTheCutFileItFound) {
  const std::string cut = kSite + "[task1]\nDriver=SQL ";
  for (bool inPlace : {false, true}) {
    OdbcIniJournal mending = Journal(OdbcIniJournal::Change::kCreate, cut, kSite + kOwn, inPlace);
    mending.mending = true;
    mending = OdbcIniJournal::Parse(mending.Serialized());
    EXPECT_TRUE(mending.mending);
    Check({"not begun", mending, cut, kSite + kOwn, Kind::kFinish});
    Check({"not begun, then a value edited", mending, Replaced(cut, "prod-host", "moved"),
           Replaced(kSite + kOwn, "prod-host", "moved"), Kind::kFinish});
    Check({"not begun, then re-laid", mending, kSite + "[task1]\nDriver=SQL\n\n" + kAdded, kSite + kOwn + kAdded,
           Kind::kFinish});
  }
  // The cut file's own sections before the cut were the site's.
  const std::string site = kList + "[Production]\nDriver = SQL Server\n\n[tas]\n\n";
  const std::string relaid = kList + "[Production]\nDriver=SQL Server\n\n[tas]\n\n";
  OdbcIniJournal cutHeader = Journal(OdbcIniJournal::Change::kCreate, site + "[ta", site + kOwn, true);
  OdbcIniJournal cutEntry = Journal(OdbcIniJournal::Change::kCreate, site + "[task1]\nDriver=SQL", site + kOwn, true);
  cutHeader.mending = cutEntry.mending = true;
  Check({"cut in a header, then re-laid", cutHeader, relaid + "[ta]\n\n", relaid + kOwn, Kind::kFinish});
  Check({"cut, then the fragment removed and re-laid", cutEntry, relaid, relaid, Kind::kNothing});
}

}  // namespace
