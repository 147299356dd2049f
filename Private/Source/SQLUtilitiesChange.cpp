#include "SQLUtilitiesChange.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "OdbcIniFile.h"
#include "OdbcIniText.h"
#include "QK_EException.h"
#include "TW_TCancel.h"
#include "TW_TTask.h"
#include "TW_TTaskIO.h"

namespace SQLUtilities {

namespace {

// How often a waiting change tries the lock again.
constexpr std::chrono::milliseconds kLockRetry{10};

// The names of the journals, and of the copy a former version of this
// program left: beside odbc.ini ("<base>" followed by these) and in the
// temporary folder.
constexpr char kBesideJournal[] = ".shapejob-journal-";
constexpr char kFormerCopy[] = ".shapejob-backup";
constexpr char kTemporaryOpening[] = "shapejob-odbc-";
constexpr char kJournalEnding[] = ".journal";
constexpr char kNotUsedEnding[] = ".not-used";

[[noreturn]] void Refuse(const std::string& file, const std::string& reason) {
  QK_THROW(QK_EException(QK_TString::Format("Cannot change the ODBC configuration %s", file.c_str()),
                         QK_TAny(QK_TString(reason))));
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::string TemporaryFolder() { return TW_TTask::TempBase().LocalName().str(); }

bool EndsWith(const std::string& text, const std::string& ending) {
  return QK_TString(text).EndsWith(QK_TString(ending));
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

// A journal a change of some odbc.ini may have left (`ours` when named as
// one of `file`'s; another guards `file` too when it names its inode), or
// a former version's copy. This account's writers' new files that a stop
// left unrenamed go on the way.
struct Found {
  std::string path;
  bool ours = false;
  bool former = false;
};

std::vector<Found> FindLeftBehind(const std::string& file) {
  std::vector<Found> found;
  const std::string base = BaseName(file);
  for (const std::string& path : EntriesOf(odbc_ini::FolderOf(file))) {
    const std::string name = BaseName(path);
    struct stat info {};
    if (odbc_ini::StartsWith(name, base + ".new-") && name.size() == base.size() + 11 &&
        lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid()) {
      unlink(path.c_str());
    }
    if (name == base + kFormerCopy) found.push_back(Found{path, true, true});
    if (!EndsWith(name, kNotUsedEnding) && name.find(kBesideJournal) != std::string::npos) {
      found.push_back(Found{path, odbc_ini::StartsWith(name, base + kBesideJournal)});
    }
  }
  const std::string opening = kTemporaryOpening + TextKey(file) + "-";
  for (const std::string& path : EntriesOf(TemporaryFolder())) {
    const std::string name = BaseName(path);
    if (odbc_ini::StartsWith(name, kTemporaryOpening) && EndsWith(name, kJournalEnding)) {
      found.push_back(Found{path, odbc_ini::StartsWith(name, opening)});
    }
  }
  return found;
}

// A file of this account, of root, or of the owner of odbc.ini (who may
// write odbc.ini anyway): only those are read as journals.
bool Trusted(const struct stat& info, uid_t fileOwner) {
  return S_ISREG(info.st_mode) && (info.st_uid == 0 || info.st_uid == geteuid() || info.st_uid == fileOwner);
}

// Reads the file at `path` that a trusted account left (no link, no pipe),
// from the very file that was checked. Returns "" on success, else why
// not; `unreadable` tells a trusted file this account may not read.
std::string ReadTrusted(const std::string& path, uid_t fileOwner, std::string& bytes, bool& unreadable) {
  struct stat info {};
  unreadable = false;
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const std::string reason = odbc_ini::Reason("cannot read", path);
    unreadable = errno == EACCES && lstat(path.c_str(), &info) == 0 && Trusted(info, fileOwner);
    return reason;
  }
  std::string reason;
  if (fstat(fd, &info) != 0) {
    reason = odbc_ini::Reason("cannot read", path);
  } else if (!S_ISREG(info.st_mode)) {
    reason = "it is not a file";
  } else if (!Trusted(info, fileOwner)) {
    reason = "it belongs to another account than this one, root or the owner of the file";
  }
  if (reason.empty()) reason = odbc_ini::ReadFrom(fd, path, bytes);
  close(fd);
  return reason;
}

// The device and inode of `file` ("" when it has none).
std::string InodeOf(const std::string& file) {
  struct stat info {};
  return stat(file.c_str(), &info) != 0 ? std::string()
                                        : std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

// Makes the journal `bytes` of `file` where this account puts them; throws
// naming the file when it cannot.
std::string PutJournal(const std::string& file, const std::string& bytes) {
  // A journal holds what the file holds: it gets no wider permissions,
  // and the account's group, not the file's.
  struct stat info {};
  const unsigned mode = stat(file.c_str(), &info) == 0 ? (info.st_mode & 0604) : 0600;
  const std::string uid = std::to_string(geteuid());
  const bool beside = odbc_ini::FolderWritable(odbc_ini::FolderOf(file));
  std::string path = beside ? file + kBesideJournal + uid + "-XXXXXX"
                            : TemporaryFolder() + "/" + kTemporaryOpening + TextKey(file) + "-" + uid +
                                  "-XXXXXX" + kJournalEnding;
  const int ending = beside ? 0 : static_cast<int>(std::strlen(kJournalEnding));
  const std::string failure = odbc_ini::PutUniqueFile(path, ending, bytes, mode);
  if (!failure.empty()) Refuse(file, failure);
  return path;
}

}  // namespace

std::string TextKey(const std::string& text) {
  return QK_TString::Format("%016llx", static_cast<unsigned long long>(QK_TString(text).StableKey())).str();
}

OdbcIniChange::OdbcIniChange(const std::string& odbcIni, const Report& report, std::chrono::milliseconds wait)
    : file_(odbc_ini::FileBehind(odbcIni)) {
  Lock(wait);
  hold_ = std::make_unique<TW_TStopSignalHold>();
  try {
    run_ = QK_TProcessId::MarkLifeIn(Folder());
    ReadAgain();
    FinishStoppedWrites(report);
  } catch (...) {
    hold_.reset();
    close(lock_);
    throw;
  }
}

OdbcIniChange::~OdbcIniChange() {
  hold_.reset();
  close(lock_);
}

std::string OdbcIniChange::Folder() const { return odbc_ini::FolderOf(file_); }

QK_TRunState OdbcIniChange::StateOf(const QK_TProcessId& run) const { return run.StateIn(Folder()); }

void OdbcIniChange::ReadAgain() {
  const std::string unread = odbc_ini::Read(file_, text_);
  if (!unread.empty()) Refuse(file_, unread);
}

void OdbcIniChange::Lock(std::chrono::milliseconds wait) {
  const std::string folder = Folder();
  lock_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (lock_ < 0) Refuse(file_, odbc_ini::Reason("cannot open the folder", folder));
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (flock(lock_, LOCK_EX | LOCK_NB) != 0) {
    std::string reason;
    if (errno != EWOULDBLOCK && errno != EINTR) {
      reason = odbc_ini::Reason("cannot lock the folder", folder);
    } else if (std::chrono::steady_clock::now() >= deadline) {
      reason = "another process held the lock of the folder " + folder + " for more than " +
               std::to_string(wait.count()) + " ms";
    }
    const bool stop = reason.empty() && TW_TakeCancelRequest();
    if (stop || !reason.empty()) close(lock_);
    if (stop) QK_THROW(TW_ETaskCanceled(QK_TString("The task was asked to stop")));
    if (!reason.empty()) Refuse(file_, reason);
    std::this_thread::sleep_for(kLockRetry);
  }
}

void OdbcIniChange::FinishStoppedWrites(const Report& report) {
  struct stat info {};
  const uid_t fileOwner = stat(file_.c_str(), &info) == 0 ? info.st_uid : geteuid();
  const std::string inode = InodeOf(file_);
  for (const Found& found : FindLeftBehind(file_)) {
    std::string bytes;
    bool unreadable = false;
    const std::string refusal = ReadTrusted(found.path, fileOwner, bytes, unreadable);
    QK_TString line;
    if (!refusal.empty()) {
      if (!found.ours) continue;
      // A former version's copy is never used: what it holds is not needed.
      if (unreadable && !found.former) Refuse(file_, refusal + " (the journal of a stopped write of the file)");
      line = QK_TString::Format("Left the journal %s of a stopped change of %s alone: %s", found.path.c_str(),
                                file_.c_str(), refusal.c_str());
    } else {
      const OdbcIniJournal journal = OdbcIniJournal::Parse(bytes);
      const bool guardsFile = journal.form == OdbcIniJournal::Form::kWhole
                                  ? journal.file == file_ || (!inode.empty() && journal.inode == inode)
                                  : found.ours;
      if (!guardsFile) continue;
      // Cut short while it was written: its change never began.
      if (journal.form == OdbcIniJournal::Form::kCutShort) {
        unlink(found.path.c_str());
        continue;
      }
      line = FinishFrom(found.path, journal);
    }
    if (report) report(line);
  }
}

QK_TString OdbcIniChange::FinishFrom(const std::string& copy, const OdbcIniJournal& journal) {
  const char* file = file_.c_str();
  const char* from = copy.c_str();
  if (journal.form == OdbcIniJournal::Form::kFormer) {
    const std::string kept = copy + kNotUsedEnding;
    const std::string then = rename(from, kept.c_str()) == 0 ? "kept as " + kept : odbc_ini::Reason("cannot rename", copy);
    return QK_TString::Format("Left %s as it is: %s is the journal of a former version, which is not used; %s", file,
                              from, then.c_str());
  }
  const OdbcIniRange range = RangeIn(journal, text_);
  if (range.state == OdbcIniRange::State::kPart) {
    const std::string failure = odbc_ini::Change(file_, text_, odbc_ini::TakingOutRange(text_, range.at, range.size));
    // The journal stays for the next change.
    if (!failure.empty()) Refuse(file_, "cannot finish the change that a stopped run left in " + copy + ": " + failure);
    ReadAgain();
  }
  const char* said[] = {"Nothing to mend in %s: the change that a stopped run left in %s had not begun, or had ended",
                        "Mended %s from %s, the journal of a change that a stopped run left: took out what it "
                        "left of %s",
                        "Left %s as it is after a change that a stopped run left in %s: the file was laid out anew "
                        "or edited there since"};
  QK_TString line = QK_TString::Format(said[static_cast<int>(range.state)], file, from, journal.section.c_str());
  if (unlink(from) != 0) line += QK_TString("; the journal stays: " + odbc_ini::Reason("cannot remove", copy));
  return line;
}

bool OdbcIniChange::MakeThrough(OdbcIniJournal::Change change, const std::string& section, const odbc_ini::Edit& edit,
                                const std::function<bool()>& write) {
  // A change by rename leaves the old file or the new one: no journal;
  // nor has a change of nothing.
  std::string copy;
  const bool inPlace = odbc_ini::WriteMethodFor(file_) == odbc_ini::WriteMethod::kInPlace;
  if (edit.kind != odbc_ini::Edit::Kind::kNone && inPlace) {
    const odbc_ini::Text before = odbc_ini::Parse(text_.substr(0, edit.at));
    const std::string after = before.sections.empty() ? std::string() : before.sections.back().name;
    copy = PutJournal(file_, OdbcIniJournal{file_, InodeOf(file_), run_.Text(), change, section, edit, after}.Serialized());
  }
  const std::string before = text_;
  const bool written = write();
  ReadAgain();
  // A change that failed half-way keeps its journal for the next change.
  if (!copy.empty() && (written || text_ == before)) unlink(copy.c_str());
  return written;
}

void OdbcIniChange::Make(OdbcIniJournal::Change change, const std::string& section, const odbc_ini::Edit& edit) {
  std::string failure;
  if (!MakeThrough(change, section, edit, [&]() {
        failure = odbc_ini::Change(file_, text_, edit);
        return failure.empty();
      })) {
    Refuse(file_, failure);
  }
}

}  // namespace SQLUtilities
