// Mending odbc.ini after a writer stopped inside its change: what the
// change could have damaged comes back, what came later stays.
#include "SQLUtilitiesJournal.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using SQLUtilities::MendAfterStoppedChange;
using SQLUtilities::OdbcIniJournal;

const std::string kList = "[ODBC Data Sources]\nProduction=SQL Server\n\n";
const std::string kProduction = "[Production]\nDriver=SQL Server\nSERVER=prod-host\n\n";
const std::string kEmpty = "[Empty]\n\n";
const std::string kSite = kList + kProduction + kEmpty;
const std::string kDead = "[task1]\nDriver=SQL Server\nDESCRIPTION=New Temporary DSN for Shapejob (run 7.8)\n\n";
const std::string kLeftover = "[old1]\nDESCRIPTION=New Temporary DSN for Shapejob (run 9.9)\n\n";
const std::string kAdded = "[Added]\nDriver=SQLite3\nDatabase=/srv/added.db\n\n";

OdbcIniJournal Journal(OdbcIniJournal::Change change, const std::string& before) {
  OdbcIniJournal journal;
  journal.file = "/etc/odbc.ini";
  journal.writer = "7.8";
  journal.change = change;
  journal.section = "task1";
  journal.before = before;
  return journal;
}

TEST(OdbcIniJournalTest, ReadsBackWhatItRecordsAndTakesAFormerCopyAsTheFileAlone) {
  const OdbcIniJournal written = Journal(OdbcIniJournal::Change::kRemove, "\n" + kSite);
  const OdbcIniJournal read = OdbcIniJournal::Parse(written.Serialized());
  EXPECT_EQ(read.file, "/etc/odbc.ini");
  EXPECT_EQ(read.writer, "7.8");
  EXPECT_EQ(read.change, OdbcIniJournal::Change::kRemove);
  EXPECT_EQ(read.section, "task1");
  EXPECT_EQ(read.before, "\n" + kSite);

  const OdbcIniJournal former = OdbcIniJournal::Parse(kSite);
  EXPECT_EQ(former.change, OdbcIniJournal::Change::kUnknown);
  EXPECT_EQ(former.before, kSite);
}

TEST(OdbcIniJournalTest, TheStoppedChangesSectionGoesAndWhatCameLaterStays) {
  // Stopped right after it renamed the new file in, then the administrator
  // added a data source and edited one.
  const std::string edited = "[Production]\nDriver=SQL Server\nSERVER=new-host\n\n";
  const auto create = MendAfterStoppedChange(Journal(OdbcIniJournal::Change::kCreate, kSite),
                                             kList + edited + kEmpty + kDead + kAdded, true);
  EXPECT_EQ(create.text, kList + edited + kEmpty + kAdded);
  EXPECT_TRUE(create.sectionRemoved);
  EXPECT_EQ(create.sectionsPutBack, 0u);

  // Stopped before its removal reached the file; the section does not come
  // back from the copy once it is gone either.
  const auto remove =
      MendAfterStoppedChange(Journal(OdbcIniJournal::Change::kRemove, kSite + kDead), kSite + kDead, true);
  EXPECT_EQ(remove.text, kSite);
  EXPECT_EQ(MendAfterStoppedChange(Journal(OdbcIniJournal::Change::kRemove, kSite + kDead), kSite, true).text, kSite);

  // Leftovers the change swept come back in their place (the next change
  // sweeps them again); nothing else moves.
  const auto swept = MendAfterStoppedChange(Journal(OdbcIniJournal::Change::kCreate, kList + kLeftover + kProduction),
                                            kList + kProduction + kAdded, true);
  EXPECT_EQ(swept.text, kList + kLeftover + kProduction + kAdded);
  EXPECT_EQ(swept.sectionsPutBack, 1u);
}

TEST(OdbcIniJournalTest, ARunningWritersSectionStaysAndAPutBackSectionEndsItsLastLine) {
  // A change whose write failed keeps its copy while its run goes on.
  const auto running = MendAfterStoppedChange(Journal(OdbcIniJournal::Change::kCreate, kSite), kList + kDead, false);
  EXPECT_EQ(running.text, kList + kProduction + kEmpty + kDead);
  // A copy whose last line has no line end: what is put back before the
  // administrator's section ends that line first.
  const std::string unended = "[Prod]\nDriver=x\nSERVER=p";
  EXPECT_EQ(
      MendAfterStoppedChange(Journal(OdbcIniJournal::Change::kCreate, kList + unended), kList + kAdded, true).text,
      kList + unended + "\n" + kAdded);
  EXPECT_EQ(MendAfterStoppedChange(Journal(OdbcIniJournal::Change::kCreate, unended + "\n" + kList), kList, true).text,
            unended + "\n" + kList);
}

TEST(OdbcIniJournalTest, AFileCutShortAnywhereComesBackWholeWithoutTheChangesSection) {
  const std::string before = kSite;
  const std::string intended = kSite + kDead;  // what the rewrite in place was writing
  for (std::size_t cut = 0; cut < intended.size(); ++cut) {
    const auto mended =
        MendAfterStoppedChange(Journal(OdbcIniJournal::Change::kCreate, before), intended.substr(0, cut), true);
    EXPECT_EQ(mended.text, kSite) << "cut after " << cut << " bytes: " << intended.substr(0, cut);
  }
  // A removal from the middle, rewritten in place from the removed section
  // on.
  const std::string withDead = kList + kDead + kProduction + kEmpty;
  for (std::size_t cut = kList.size(); cut < kSite.size(); ++cut) {
    const auto mended =
        MendAfterStoppedChange(Journal(OdbcIniJournal::Change::kRemove, withDead), kSite.substr(0, cut), true);
    EXPECT_EQ(mended.text, kSite) << "cut after " << cut << " bytes: " << kSite.substr(0, cut);
  }
  // A site file whose last line has no line end, and that nobody cut, stays.
  const std::string unended = kList + "[Last]\nKey=1";
  EXPECT_EQ(
      MendAfterStoppedChange(Journal(OdbcIniJournal::Change::kCreate, unended), unended + "\n" + kDead, true).text,
      unended + "\n");
  EXPECT_EQ(MendAfterStoppedChange(Journal(OdbcIniJournal::Change::kCreate, kList), kList + "[New]\nKey=1", true).text,
            kList + "[New]\nKey=1");
}

}  // namespace
