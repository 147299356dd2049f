// One change of the site's ODBC configuration (the odbc.ini that the ODBC
// installer writes), safe against other runs at once, against a stop
// half-way, and for every account that runs the program.
//
// While an OdbcIniChange lives it holds an exclusive flock on the folder
// of odbc.ini, opened read-only so that every account that can read the
// folder can take it; the wait is bounded, and a stop asked for while it
// waits ends it (TW_ETaskCanceled). The run marks its life in that folder
// too (QK_TProcess.h). SIGTERM and SIGINT are held (TW_TStopSignalHold): a
// stop takes effect once the change is done.
//
// Each change moves no byte but its own section's (odbc_ini::Edit); one
// made in place is guarded by a journal of that range until it is
// complete (SQLUtilitiesJournal.h): "<odbc.ini>.shapejob-journal-<uid>-
// XXXXXX" where the account may write that folder, else "shapejob-odbc-
// <key>-<uid>-XXXXXX.journal" in $TMPDIR (else /tmp), <key> naming the
// file. It names the file's device and inode: any name of the file finds it.
//
// Before anything else the next holder of the lock finishes what each
// journal it finds says, reports it, and removes the journal once that is
// complete; a finishing write that fails keeps it. Only files of this
// account, of root or of the owner of odbc.ini are read as journals (no
// links, no pipes); others are reported and left alone, and so is one this
// account may not remove. One of those accounts' that this account may not
// read stops the change. A former version's journal is renamed
// "….not-used", the file left alone.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

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

  // Takes the lock, waiting at most `wait`; finishes what stopped writers
  // left (reported through `report`, which may be empty), and reads the
  // file. Throws QK_EException naming the file when the lock cannot be had
  // in time, the file or a journal cannot be read, or a stopped change
  // cannot be finished; TW_ETaskCanceled when a stop came during the wait.
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

  // Makes `edit`, of the data source `section` that this change creates or
  // removes, then reads the file again. Throws QK_EException naming the
  // file when it cannot.
  void Make(OdbcIniJournal::Change change, const std::string& section, const odbc_ini::Edit& edit);

  // As Make, but `write` (the installer) makes the edit; returns what it
  // returned.
  bool MakeThrough(OdbcIniJournal::Change change, const std::string& section, const odbc_ini::Edit& edit,
                   const std::function<bool()>& write);

 private:
  void Lock(std::chrono::milliseconds wait);
  void FinishStoppedWrites(const Report& report);
  // Finishes what the journal `copy`, read as `journal`, says; returns
  // the line that says what was done.
  QK_TString FinishFrom(const std::string& copy, const OdbcIniJournal& journal);
  void ReadAgain();
  std::string Folder() const;

  std::string file_;
  int lock_ = -1;
  std::string text_;
  QK_TProcessId run_;
  std::unique_ptr<TW_TStopSignalHold> hold_;
};

}  // namespace SQLUtilities
