#include "SQLUtilitiesChange.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "OdbcIniFile.h"
#include "QK_EException.h"
#include "QK_TProcess.h"
#include "TW_TCancel.h"
#include "TW_TTask.h"
#include "TW_TTaskIO.h"

namespace SQLUtilities {

namespace {

// How often a waiting change tries the lock again.
constexpr std::chrono::milliseconds kLockRetry{10};

// The names of the copies: beside odbc.ini, in the temporary folder, and
// the one a former version of this program left beside odbc.ini.
constexpr char kBesideMark[] = ".shapejob-journal-";
constexpr char kTemporaryOpening[] = "shapejob-odbc-";
constexpr char kTemporaryEnding[] = ".journal";
constexpr char kFormerCopy[] = ".shapejob-backup";

[[noreturn]] void Refuse(const std::string& file, const std::string& reason) {
  QK_THROW(QK_EException(QK_TString::Format("Cannot change the ODBC configuration %s", file.c_str()),
                         QK_TAny(QK_TString(reason))));
}

std::string SystemReason(const char* what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

// The file the name leads to: a change rewrites the file itself, not a
// link to it.
std::string Resolved(const std::string& path) {
  std::error_code error;
  const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
  return error ? path : target.string();
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TemporaryFolder() { return TW_TTask::TempBase().LocalName().str(); }

bool StartsWith(const std::string& text, const std::string& beginning) {
  return QK_TString(text).StartsWith(QK_TString(beginning));
}

// The names of the entries of `folder`, as paths.
std::vector<std::string> EntriesOf(const std::string& folder) {
  std::vector<std::string> found;
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) return found;
  while (const dirent* entry = readdir(listing)) found.push_back(folder + "/" + entry->d_name);
  closedir(listing);
  return found;
}

bool AllDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// What changes of `file` may have left: the copies, whoever made them, and
// new files a writer was stopped before it renamed them into place. In the
// temporary folder, a copy is named by a key of the file's path.
struct LeftBehind {
  std::vector<std::string> copies;
  std::vector<std::string> unfinished;
};

LeftBehind FindLeftBehind(const std::string& file) {
  LeftBehind left;
  const std::string base = BaseName(file);
  const std::string beside = base + kBesideMark;
  const std::string fresh = base + ".new-";
  const std::string opening = kTemporaryOpening + TextKey(file) + "-";
  const auto sort = [&left](const std::string& path, const std::string& rest, const std::string& ending) {
    if (QK_TString(rest).EndsWith(QK_TString(ending)) && AllDigits(rest.substr(0, rest.size() - ending.size()))) {
      left.copies.push_back(path);
    } else if (rest.find(ending + ".new-") != std::string::npos) {
      left.unfinished.push_back(path);
    }
  };
  const std::string folder = odbc_ini::FolderOf(file);
  for (const std::string& path : EntriesOf(folder)) {
    const std::string name = BaseName(path);
    if (name == base + kFormerCopy) left.copies.push_back(path);
    if (StartsWith(name, beside)) sort(path, name.substr(beside.size()), "");
    if (StartsWith(name, fresh) && name.size() == fresh.size() + 6) left.unfinished.push_back(path);
  }
  for (const std::string& path : EntriesOf(TemporaryFolder())) {
    const std::string name = BaseName(path);
    if (StartsWith(name, opening)) sort(path, name.substr(opening.size()), kTemporaryEnding);
  }
  return left;
}

// Reads a copy that this program may have left: a file (no link, no pipe)
// of this account, of root, or of the owner of odbc.ini, who may write
// odbc.ini anyway. "" on success, else why it is not read.
std::string ReadCopy(const std::string& copy, uid_t fileOwner, std::string& bytes, struct stat& info) {
  const int fd = open(copy.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return SystemReason("cannot read", copy);
  std::string reason;
  if (fstat(fd, &info) != 0) {
    reason = SystemReason("cannot read", copy);
  } else if (!S_ISREG(info.st_mode)) {
    reason = "it is not a file";
  } else if (info.st_uid != 0 && info.st_uid != geteuid() && info.st_uid != fileOwner) {
    reason = "it belongs to another account than this one, root or the owner of the file";
  }
  // Read from what was checked, not from whatever the name leads to now.
  if (reason.empty()) reason = odbc_ini::ReadFrom(fd, copy, bytes);
  close(fd);
  return reason;
}

// True when this account may remove the copy: it may write its folder,
// and in a folder that keeps others' files (the sticky bit of /tmp) it is
// the copy's owner, or root.
bool Removable(const std::string& copy, const struct stat& info) {
  const std::string folder = odbc_ini::FolderOf(copy);
  struct stat folderInfo {};
  if (!odbc_ini::FolderWritable(folder) || stat(folder.c_str(), &folderInfo) != 0) return false;
  return (folderInfo.st_mode & S_ISVTX) == 0 || info.st_uid == geteuid() || geteuid() == 0;
}

std::string Described(const OdbcIniMending& mending, const OdbcIniJournal& journal) {
  std::string what = QK_TString::Format("%zu section(s) put back", mending.sectionsPutBack).str();
  if (mending.sectionRemoved) what += ", its data source " + journal.section + " removed";
  return what;
}

}  // namespace

std::string TextKey(const std::string& text) {
  // 64-bit FNV-1a: the same on every machine and in every build.
  std::uint64_t hash = 14695981039346656037ULL;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  return QK_TString::Format("%016llx", static_cast<unsigned long long>(hash)).str();
}

std::string OdbcIniChange::JournalPath(const std::string& odbcIni) {
  const std::string uid = std::to_string(geteuid());
  if (odbc_ini::FolderWritable(odbc_ini::FolderOf(odbcIni))) return odbcIni + kBesideMark + uid;
  return TemporaryFolder() + "/" + kTemporaryOpening + TextKey(odbcIni) + "-" + uid + kTemporaryEnding;
}

OdbcIniChange::OdbcIniChange(const std::string& odbcIni, const Report& report, std::chrono::milliseconds wait)
    : file_(Resolved(odbcIni)) {
  Lock(wait);
  hold_ = std::make_unique<TW_TStopSignalHold>();
  try {
    const std::string unread = odbc_ini::Read(file_, text_);
    if (!unread.empty()) Refuse(file_, unread);
    MendAfterStoppedWriters(report);
  } catch (...) {
    hold_.reset();
    close(lock_);
    throw;
  }
}

OdbcIniChange::~OdbcIniChange() {
  // A change whose write failed and could not put the file back keeps its
  // copy: the next change mends from it.
  if (!journal_.empty() && FileIsWhole()) unlink(journal_.c_str());
  hold_.reset();
  close(lock_);
}

void OdbcIniChange::Lock(std::chrono::milliseconds wait) {
  const std::string folder = odbc_ini::FolderOf(file_);
  lock_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (lock_ < 0) Refuse(file_, SystemReason("cannot open the folder", folder));
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (flock(lock_, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK || errno == EINTR;
    std::string reason;
    if (!busy) {
      reason = SystemReason("cannot lock the folder", folder);
    } else if (std::chrono::steady_clock::now() >= deadline) {
      reason = QK_TString::Format("another process held the lock of the folder %s for more than %lld ms",
                                  folder.c_str(), static_cast<long long>(wait.count()))
                   .str();
    }
    if (!reason.empty() || TW_TakeCancelRequest()) {
      close(lock_);
      if (reason.empty()) QK_THROW(TW_ETaskCanceled(QK_TString("The task was asked to stop")));
      Refuse(file_, reason);
    }
    std::this_thread::sleep_for(kLockRetry);
  }
}

void OdbcIniChange::MendAfterStoppedWriters(const Report& report) {
  // Holding the lock, no change of this program is under way: every copy
  // there is was left by a writer stopped inside its change, or kept by a
  // change whose write failed.
  const LeftBehind left = FindLeftBehind(file_);
  for (const std::string& copy : left.copies) MendFrom(copy, report);
  for (const std::string& path : left.unfinished) {
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid()) unlink(path.c_str());
  }
}

void OdbcIniChange::MendFrom(const std::string& copy, const Report& report) {
  const auto say = [&report](const QK_TString& line) {
    if (report) report(line);
  };
  struct stat fileInfo {};
  const uid_t fileOwner = stat(file_.c_str(), &fileInfo) == 0 ? fileInfo.st_uid : geteuid();
  std::string bytes;
  struct stat info {};
  std::string refusal = ReadCopy(copy, fileOwner, bytes, info);
  const OdbcIniJournal journal = OdbcIniJournal::Parse(bytes);
  if (refusal.empty() && journal.change != OdbcIniJournal::Change::kUnknown && journal.file != file_) {
    refusal = "it guards " + journal.file;
  }
  if (refusal.empty() && !Removable(copy, info)) {
    refusal = "this account may not remove it; the account that made it mends from it in its next change";
  }
  if (!refusal.empty()) {
    say(QK_TString::Format("Left the copy %s of a stopped change of %s alone: %s", copy.c_str(), file_.c_str(),
                           refusal.c_str()));
    return;
  }
  QK_TProcessId writer;
  const bool writerEnded = QK_TProcessId::Parse(journal.writer, writer) && !writer.IsRunning();
  const OdbcIniMending mending = MendAfterStoppedChange(journal, text_, writerEnded);
  if (mending.text != text_) {
    const std::string failure = odbc_ini::Write(file_, mending.text, text_);
    if (!failure.empty()) {
      say(QK_TString::Format("Could not mend %s from %s: %s", file_.c_str(), copy.c_str(), failure.c_str()));
      return;
    }
    text_ = mending.text;
  }
  say(QK_TString::Format("Mended %s from %s, the copy that a run stopped during a change left behind: %s",
                         file_.c_str(), copy.c_str(), Described(mending, journal).c_str()));
  if (unlink(copy.c_str()) != 0) say(QK_TString(SystemReason("Could not remove the copy", copy)));
}

bool OdbcIniChange::FileIsWhole() const {
  std::string now;
  if (!odbc_ini::Read(file_, now).empty()) return false;
  // Measured against the file as this change last wrote it: what it took
  // out on purpose (leftovers) is not missing.
  OdbcIniJournal written = record_;
  written.before = text_;
  return MendAfterStoppedChange(written, now, false).sectionsPutBack == 0;
}

void OdbcIniChange::Begin(OdbcIniJournal::Change change, const std::string& section) {
  OdbcIniJournal journal;
  journal.file = file_;
  journal.writer = QK_TProcessId::Self().Text();
  journal.change = change;
  journal.section = section;
  journal.before = text_;
  // The copy holds what the file holds, and is in the account's group,
  // not the file's: it gets no wider permissions, and no group's.
  struct stat info {};
  const unsigned mode = stat(file_.c_str(), &info) == 0 ? (info.st_mode & 0604) : 0600;
  const std::string path = JournalPath(file_);
  const std::string failure = odbc_ini::PutNewFile(path, journal.Serialized(), mode);
  if (!failure.empty()) Refuse(file_, failure);
  journal_ = path;
  record_ = journal;
}

void OdbcIniChange::Write(const std::string& text) {
  const std::string failure = odbc_ini::Write(file_, text, text_);
  if (!failure.empty()) Refuse(file_, failure);
  text_ = text;
}

}  // namespace SQLUtilities
