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
//   for while it waits ends the wait at once (TW_ETaskCanceled).
// - once the change says what it is about to do (Begin), a copy of the
//   file as it was, with that record, stands where the account may write
//   (the format in SQLUtilitiesJournal.h): beside odbc.ini as
//   "<odbc.ini>.shapejob-journal-<uid>" when the account may write that
//   folder, else in the temporary folder ($TMPDIR, else /tmp) as
//   "shapejob-odbc-<key>-<uid>.journal", <key> naming the file. It goes
//   when the change ends with the file whole.
// - SIGTERM and SIGINT are held (TW_TStopSignalHold): a stop asked for
//   during the change takes effect once the file is whole again.
//
// A copy that the next holder of the lock finds was left by a writer that
// died inside its change (the lock goes with its process): before
// anything else the holder mends the file from it, keeping whatever came
// later, and reports what it did. A copy it may not trust (not a file, of
// an account other than this one, root or the file's owner), or that it
// may not remove (another account's in a sticky folder), is reported,
// left alone and never stops the change.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

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

  // Takes the lock, waiting at most `wait`; mends the file after writers
  // that died (reported through `report`, which may be empty), and reads
  // it. Throws QK_EException naming the file when the lock cannot be had
  // in time or the file cannot be read, and TW_ETaskCanceled when a stop
  // was asked for during the wait.
  OdbcIniChange(const std::string& odbcIni, const Report& report, std::chrono::milliseconds wait = kLockWait);
  // Removes the copy and releases the lock.
  ~OdbcIniChange();
  OdbcIniChange(const OdbcIniChange&) = delete;
  OdbcIniChange& operator=(const OdbcIniChange&) = delete;

  // The file (links followed) and its bytes as this change last saw them.
  const std::string& File() const { return file_; }
  const std::string& Text() const { return text_; }

  // Makes the copy that guards the change: what it is about to do to the
  // section `section`, and the file as it is. Comes before the change's
  // first write. Throws QK_EException when the copy cannot be made.
  void Begin(OdbcIniJournal::Change change, const std::string& section);

  // Puts `text` in place of the file, keeping its owner, mode and links
  // (OdbcIniFile.h). Throws QK_EException naming the file when it cannot.
  void Write(const std::string& text);

  // Where a change of this account keeps its copy for `odbcIni` (links
  // followed by the caller).
  static std::string JournalPath(const std::string& odbcIni);

 private:
  void Lock(std::chrono::milliseconds wait);
  void MendAfterStoppedWriters(const Report& report);
  void MendFrom(const std::string& copy, const Report& report);
  // True when the file holds everything this change left in it (but for
  // its own section, which the installer writes).
  bool FileIsWhole() const;

  std::string file_;
  int lock_ = -1;
  std::string text_;
  std::string journal_;
  OdbcIniJournal record_;
  std::unique_ptr<TW_TStopSignalHold> hold_;
};

}  // namespace SQLUtilities
