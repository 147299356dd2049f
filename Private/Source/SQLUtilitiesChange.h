// One change of the site's ODBC configuration (the odbc.ini that the ODBC
// installer writes), made safe against other runs at once, against a stop
// half-way, and for every account that runs the program. Two writers at
// once, or a writer killed mid-write, could otherwise cut the file short or
// lose what another writer added.
//
// While an OdbcIniChange lives:
// - it holds an exclusive lock (flock) on the folder of odbc.ini, opened
//   read-only: every account that can read the folder can take it, and
//   nothing is created for it. Every change this program makes takes it
//   for its whole sequence; waiting for it is bounded, and a stop asked
//   for while it waits ends the wait at once (TW_ETaskCanceled). This run
//   also marks its life in that folder (QK_TProcess.h), a lock of another
//   kind: the two never block each other.
// - each write that could leave the file cut short if the run were killed
//   half-way (one in place, and every write of the installer, whose way of
//   writing is its own) is guarded by a journal (SQLUtilitiesJournal.h),
//   removed once the write is complete. A journal stands beside odbc.ini
//   as "<odbc.ini>.shapejob-journal-<uid>-XXXXXX" when the account may
//   write that folder, else in the temporary folder ($TMPDIR, else /tmp)
//   as "shapejob-odbc-<key>-<uid>-XXXXXX.journal", <key> naming the file
//   and XXXXXX a part of its own that nobody can take beforehand.
// - SIGTERM and SIGINT are held (TW_TStopSignalHold): a stop asked for
//   during the change takes effect once the file is whole again.
//
// A journal that the next holder of the lock finds was left by a writer
// stopped inside its write (the lock goes with its process), or kept by a
// write that failed and could not put the file back. Before anything else
// the holder recovers the file from it, as SQLUtilitiesJournal.h says, in
// a write guarded by a journal of its own, and reports what it did. Only
// files (no links, no pipes) of this account, of root or of the owner of
// odbc.ini are read as journals; others are reported and left alone. One
// of those accounts' that this account may not read stops the change (a
// former version's copy, "<odbc.ini>.shapejob-backup", which is never
// mended from, is only reported). One that it may read but not remove is
// marked as used by a note of its own, made where its own journals go:
// "<odbc.ini>.shapejob-applied-<uid>-XXXXXX", or
// "shapejob-odbc-<key>-<uid>-XXXXXX.applied" in the temporary folder. So
// nobody uses it twice; the note goes once the journal has gone.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "QK_TProcess.h"
#include "QK_TString.h"
#include "SQLUtilitiesJournal.h"

class TW_TStopSignalHold;

namespace SQLUtilities {

// Receives one line for each thing a change mended or swept on its way.
using Report = std::function<void(const QK_TString& line)>;

// A short key of `text` (16 hexadecimal digits) that every run, on any
// machine, computes alike.
std::string TextKey(const std::string& text);

class OdbcIniChange {
 public:
  static constexpr std::chrono::milliseconds kLockWait{30000};

  // Takes the lock, waiting at most `wait`; recovers the file after
  // writers that were stopped (reported through `report`, which may be
  // empty), and reads it. Throws QK_EException naming the file when the
  // lock cannot be had in time, the file cannot be read, or a journal
  // cannot be read, and TW_ETaskCanceled when a stop was asked for during
  // the wait.
  OdbcIniChange(const std::string& odbcIni, const Report& report, std::chrono::milliseconds wait = kLockWait);
  // Releases the lock.
  ~OdbcIniChange();
  OdbcIniChange(const OdbcIniChange&) = delete;
  OdbcIniChange& operator=(const OdbcIniChange&) = delete;

  // The file's bytes as this change last saw them.
  const std::string& Text() const { return text_; }
  // This run, its life marked in the folder of odbc.ini.
  const QK_TProcessId& Run() const { return run_; }
  // Whether `run`, named in odbc.ini, still runs (QK_TProcess.h).
  QK_TRunState StateOf(const QK_TProcessId& run) const;

  // Says what the writes that follow are for: the data source `section`
  // that this change creates or removes. Their journals record it.
  void Begin(OdbcIniJournal::Change change, const std::string& section);

  // Puts `text` in place of the file, keeping its owner, mode and links
  // (OdbcIniFile.h). Throws QK_EException naming the file when it cannot.
  void Write(const std::string& text);

  // Calls `write` (the installer), which is to put `expected` in place of
  // the file, guarded by a journal; then reads the file again. Returns
  // what `write` returned. Throws QK_EException naming the file when the
  // journal cannot be made or the file cannot be read afterwards.
  bool WriteThrough(const std::string& expected, const std::function<bool()>& write);

 private:
  void Lock(std::chrono::milliseconds wait);
  void RecoverAfterStoppedWriters(const Report& report);
  // Recovers from the journal `copy`; `notes` are the notes of used
  // journals that trusted accounts left.
  void RecoverFrom(const std::string& copy, uid_t fileOwner, const std::vector<std::string>& notes,
                   const Report& report);
  // Puts in place what `recovery` from the journal `copy` of `journal`
  // says, and retires the journal: removed, kept as not used, or, where
  // this account may not do either, marked as used by the note `note`.
  // Returns what became of the journal ("" when it was removed).
  std::string Apply(const OdbcIniRecovery& recovery, const OdbcIniJournal& journal, const std::string& copy,
                    const std::string& note);
  bool WritesInPlace() const;
  // Runs `write`, which puts `after` in place of the file, with a journal
  // of it standing that records what `what` says (its change, section and
  // whether it mends); `retire` runs once the journal stands, before the
  // write. True when `write` was.
  bool Guarded(const std::string& after, const OdbcIniJournal& what, const std::function<bool()>& write,
               const std::function<void()>& retire = {});
  std::string Folder() const;

  std::string file_;
  int lock_ = -1;
  std::string text_;
  QK_TProcessId run_;
  OdbcIniJournal record_;  // what this change's writes are for (Begin)
  std::unique_ptr<TW_TStopSignalHold> hold_;
};

}  // namespace SQLUtilities
