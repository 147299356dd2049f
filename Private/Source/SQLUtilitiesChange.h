// One change of the site's ODBC configuration (the odbc.ini that the ODBC
// installer writes), made safe against other runs at once and against a
// stop half-way. The installer rewrites the whole file several times for
// one data source, without any lock between processes, so two writers at
// once, or a writer killed mid-write, can cut the file down to nothing.
//
// While an OdbcIniChange lives:
// - it holds an exclusive lock (flock) on "<odbc.ini>.shapejob-lock" beside
//   the file. Every change this program makes takes it for its whole
//   sequence; waiting for it is bounded.
// - a copy of the file as it was stands beside it, "<odbc.ini>.shapejob-
//   backup"; it goes when the change ends. A copy that the next holder of
//   the lock finds was left by a writer that died half-way (the lock goes
//   with its process): the holder puts the file back from it before
//   anything else, and reports that it did.
// - SIGTERM and SIGINT are held (TW_TStopSignalHold): a stop asked for
//   during the change takes effect once the file is whole again.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "QK_TString.h"

class TW_TStopSignalHold;

namespace SQLUtilities {

// Receives one line for each thing a change mended before it began.
using Report = std::function<void(const QK_TString& line)>;

class OdbcIniChange {
 public:
  static constexpr std::chrono::milliseconds kLockWait{30000};

  // Takes the lock, waiting at most `wait`; puts back a copy that a dead
  // writer left (reported through `report`, which may be empty), and makes
  // the copy of this change. Throws QK_EException naming the file when the
  // lock cannot be had in time or the copy cannot be made or put back.
  OdbcIniChange(const std::string& odbcIni, const Report& report, std::chrono::milliseconds wait = kLockWait);
  // Removes the copy and releases the lock.
  ~OdbcIniChange();
  OdbcIniChange(const OdbcIniChange&) = delete;
  OdbcIniChange& operator=(const OdbcIniChange&) = delete;

  // The files beside `odbcIni` that a change uses.
  static std::string LockPath(const std::string& odbcIni) { return odbcIni + ".shapejob-lock"; }
  static std::string BackupPath(const std::string& odbcIni) { return odbcIni + ".shapejob-backup"; }

 private:
  void Lock(std::chrono::milliseconds wait);
  void RestoreLeftBackup(const Report& report);
  void MakeBackup();

  std::string file_;
  int lock_ = -1;
  std::unique_ptr<TW_TStopSignalHold> hold_;
};

}  // namespace SQLUtilities
