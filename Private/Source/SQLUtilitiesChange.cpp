#include "SQLUtilitiesChange.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
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

// The names of the journals, of the notes that mark one as used, and of
// those a former version of this program left: beside odbc.ini ("<base>"
// followed by these) and in the temporary folder.
constexpr char kBesideJournal[] = ".shapejob-journal-";
constexpr char kBesideApplied[] = ".shapejob-applied-";
constexpr char kFormerCopy[] = ".shapejob-backup";
constexpr char kTemporaryOpening[] = "shapejob-odbc-";
constexpr char kJournalEnding[] = ".journal";
constexpr char kAppliedEnding[] = ".applied";
constexpr char kNotUsedEnding[] = ".not-used";
constexpr char kAppliedFirstLine[] = "Shapejob odbc.ini journal applied";

[[noreturn]] void Refuse(const std::string& file, const std::string& reason) {
  QK_THROW(QK_EException(QK_TString::Format("Cannot change the ODBC configuration %s", file.c_str()),
                         QK_TAny(QK_TString(reason))));
}

std::string SystemReason(const char* what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

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

// What changes of `file` may have left: journals and notes of whatever
// account, and new files a writer was stopped before it renamed them into
// place. In the temporary folder they are named by a key of the file's
// path.
struct LeftBehind {
  std::vector<std::string> journals;
  std::vector<std::string> applied;
  std::vector<std::string> unfinished;
};

LeftBehind FindLeftBehind(const std::string& file) {
  LeftBehind left;
  const std::string base = BaseName(file);
  const std::string fresh = base + ".new-";
  for (const std::string& path : EntriesOf(odbc_ini::FolderOf(file))) {
    const std::string name = BaseName(path);
    if (name == base + kFormerCopy) left.journals.push_back(path);
    if (odbc_ini::StartsWith(name, fresh) && name.size() == fresh.size() + 6) left.unfinished.push_back(path);
    if (EndsWith(name, kNotUsedEnding)) continue;
    if (odbc_ini::StartsWith(name, base + kBesideApplied)) left.applied.push_back(path);
    if (!odbc_ini::StartsWith(name, base + kBesideJournal)) continue;
    // A former version wrote its copy to "<name>.new-XXXXXX" first.
    (name.find(".new-") != std::string::npos ? left.unfinished : left.journals).push_back(path);
  }
  const std::string opening = kTemporaryOpening + TextKey(file) + "-";
  for (const std::string& path : EntriesOf(TemporaryFolder())) {
    const std::string name = BaseName(path);
    if (!odbc_ini::StartsWith(name, opening)) continue;
    if (EndsWith(name, kJournalEnding)) left.journals.push_back(path);
    if (EndsWith(name, kAppliedEnding)) left.applied.push_back(path);
    if (name.find(std::string(kJournalEnding) + ".new-") != std::string::npos) left.unfinished.push_back(path);
  }
  return left;
}

// A file of this account, of root, or of the owner of odbc.ini (who may
// write odbc.ini anyway): only those are read as journals and notes.
bool Trusted(const struct stat& info, uid_t fileOwner) {
  return S_ISREG(info.st_mode) && (info.st_uid == 0 || info.st_uid == geteuid() || info.st_uid == fileOwner);
}

// Reads the file at `path` that a trusted account left (no link, no pipe),
// from the very file that was checked. Returns "" on success, else why
// not; `unreadable` tells a trusted file this account may not read.
std::string ReadTrusted(const std::string& path, uid_t fileOwner, std::string& bytes, struct stat& info,
                        bool& unreadable) {
  unreadable = false;
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const std::string reason = SystemReason("cannot read", path);
    unreadable = errno == EACCES && lstat(path.c_str(), &info) == 0 && Trusted(info, fileOwner);
    return reason;
  }
  std::string reason;
  if (fstat(fd, &info) != 0) {
    reason = SystemReason("cannot read", path);
  } else if (!S_ISREG(info.st_mode)) {
    reason = "it is not a file";
  } else if (!Trusted(info, fileOwner)) {
    reason = "it belongs to another account than this one, root or the owner of the file";
  }
  if (reason.empty()) reason = odbc_ini::ReadFrom(fd, path, bytes);
  close(fd);
  return reason;
}

// Which journal a note marks as used: its name and what it was then.
std::string Identity(const std::string& path, const struct stat& info) {
  return path + "\n" + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" +
         std::to_string(info.st_ctim.tv_sec) + "." + std::to_string(info.st_ctim.tv_nsec) + "\n";
}

// The note that marks the journal `identity` names as used.
std::string NoteOf(const std::string& identity) { return kAppliedFirstLine + ("\n" + identity); }

uid_t OwnerOf(const std::string& file) {
  struct stat info {};
  return stat(file.c_str(), &info) == 0 ? info.st_uid : geteuid();
}

// Where this account puts its journals and notes for `file`: the name
// with "XXXXXX" in it, and how many characters follow those.
struct UniqueName {
  std::string pattern;
  int suffixLength = 0;
};

UniqueName NameFor(const std::string& file, bool note) {
  const std::string uid = std::to_string(geteuid());
  if (odbc_ini::FolderWritable(odbc_ini::FolderOf(file))) {
    return {file + (note ? kBesideApplied : kBesideJournal) + uid + "-XXXXXX", 0};
  }
  const char* ending = note ? kAppliedEnding : kJournalEnding;
  return {TemporaryFolder() + "/" + kTemporaryOpening + TextKey(file) + "-" + uid + "-XXXXXX" + ending,
          static_cast<int>(std::strlen(ending))};
}

// Makes a journal or note for `file` with `bytes`; throws naming the file
// when it cannot.
std::string PutFor(const std::string& file, bool note, const std::string& bytes) {
  // A journal holds what the file holds: it gets no wider permissions,
  // and the account's group, not the file's.
  struct stat info {};
  const unsigned mode = note ? 0644 : stat(file.c_str(), &info) == 0 ? (info.st_mode & 0604) : 0600;
  UniqueName name = NameFor(file, note);
  const std::string failure = odbc_ini::PutUniqueFile(name.pattern, name.suffixLength, bytes, mode);
  if (!failure.empty()) Refuse(file, failure);
  return name.pattern;
}

// Reads the journal `copy` of a stopped write of `file`. False when it is
// to be left alone (said through `say`); throws when a trusted account's
// journal, which this account may not read, may guard the file.
bool ReadJournal(const std::string& copy, const std::string& file, uid_t fileOwner, OdbcIniJournal& journal,
                 struct stat& info, const Report& say) {
  bool unreadable = false;
  std::string bytes;
  std::string refusal = ReadTrusted(copy, fileOwner, bytes, info, unreadable);
  // A former version's copy is never mended from: what it holds is not needed.
  const bool former = BaseName(copy) == BaseName(file) + kFormerCopy;
  if (unreadable && !former) Refuse(file, refusal + " (the journal of a stopped write of the file)");
  if (refusal.empty()) {
    journal = OdbcIniJournal::Parse(bytes);
    if (!journal.file.empty() && journal.file != file) refusal = "it guards " + journal.file;
  }
  if (refusal.empty()) return true;
  say(QK_TString::Format("Left the copy %s of a stopped change of %s alone: %s", copy.c_str(), file.c_str(),
                         refusal.c_str()));
  return false;
}

// Section names as a list: "a, b".
std::string Listed(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return list;
}

// The line that says what the recovery from the journal `copy` did, and
// what became of the journal (`retired`).
QK_TString Account(const OdbcIniRecovery& recovery, const OdbcIniJournal& journal, const std::string& file,
                   const std::string& copy, const std::string& retired) {
  const char* path = file.c_str();
  const char* from = copy.c_str();
  const std::string then = retired.empty() ? std::string() : "; the journal: " + retired;
  if (journal.form == OdbcIniJournal::Form::kFormer) {
    return QK_TString::Format("Left %s as it is: %s is a copy that a former version left, which is not mended from%s",
                              path, from, then.c_str());
  }
  switch (recovery.kind) {
    case OdbcIniRecovery::Kind::kFinish:
      return QK_TString::Format(
          "Mended %s from %s, the journal of a write that a stopped run left: the write was "
          "cut short, and is finished (put back: %s)%s",
          path, from, Listed(recovery.putBack).c_str(), then.c_str());
    case OdbcIniRecovery::Kind::kNothing:
      return QK_TString::Format("Nothing to mend in %s: the write that a stopped run left in %s had not begun, or "
                                "had ended%s",
                                path, from, then.c_str());
    default:
      break;
  }
  const std::string why = "it was changed after the stop and reads in no single way as that write cut short";
  if (recovery.removed.empty()) {
    return QK_TString::Format("Left %s as it is after a write that a stopped run left in %s: %s%s", path, from,
                              why.c_str(), then.c_str());
  }
  return QK_TString::Format(
      "Mended %s from %s, the journal of a write that a stopped run left: %s, so it stays as "
      "it is but for what the write left of its data source (%s), which was removed%s",
      path, from, why.c_str(), Listed(recovery.removed).c_str(), then.c_str());
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
    const std::string unread = odbc_ini::Read(file_, text_);
    if (!unread.empty()) Refuse(file_, unread);
    RecoverAfterStoppedWriters(report);
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

void OdbcIniChange::Lock(std::chrono::milliseconds wait) {
  const std::string folder = Folder();
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

void OdbcIniChange::RecoverAfterStoppedWriters(const Report& report) {
  // Holding the lock, no write of this program is under way: every
  // journal there is was left by a writer stopped inside its write, or
  // kept by a write that failed.
  const LeftBehind left = FindLeftBehind(file_);
  const uid_t fileOwner = OwnerOf(file_);
  std::vector<std::string> notes(left.applied.size());
  for (std::size_t i = 0; i < notes.size(); ++i) {
    struct stat info {};
    bool unreadable = false;
    if (!ReadTrusted(left.applied[i], fileOwner, notes[i], info, unreadable).empty()) notes[i].clear();
  }
  for (const std::string& journal : left.journals) RecoverFrom(journal, fileOwner, notes, report);
  for (const std::string& path : left.unfinished) {
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid()) unlink(path.c_str());
  }
  // A note whose journal has gone has done its work.
  const std::size_t nameStart = std::strlen(kAppliedFirstLine) + 1;
  for (std::size_t i = 0; i < notes.size(); ++i) {
    if (notes[i].empty()) continue;
    const std::string journal = notes[i].substr(nameStart, notes[i].find('\n', nameStart) - nameStart);
    struct stat journalInfo {};
    if (lstat(journal.c_str(), &journalInfo) != 0 || notes[i] != NoteOf(Identity(journal, journalInfo))) {
      unlink(left.applied[i].c_str());
    }
  }
}

void OdbcIniChange::RecoverFrom(const std::string& copy, uid_t fileOwner, const std::vector<std::string>& notes,
                                const Report& report) {
  const Report say = [&report](const QK_TString& line) {
    if (report) report(line);
  };
  OdbcIniJournal journal;
  struct stat info {};
  if (!ReadJournal(copy, file_, fileOwner, journal, info, say)) return;
  // A journal used already by an account that could not remove it, and
  // one whose writer was stopped while it wrote it (the write it was to
  // guard never began), only go; where this account may not remove them,
  // they stay.
  const std::string note = NoteOf(Identity(copy, info));
  if (std::find(notes.begin(), notes.end(), note) != notes.end() || journal.form == OdbcIniJournal::Form::kCutShort) {
    unlink(copy.c_str());
    return;
  }
  const OdbcIniRecovery recovery = Recover(journal, text_);
  const std::string retired = Apply(recovery, journal, copy, note);
  say(Account(recovery, journal, file_, copy, retired));
}

std::string OdbcIniChange::Apply(const OdbcIniRecovery& recovery, const OdbcIniJournal& journal,
                                 const std::string& copy, const std::string& note) {
  std::string retired;
  const auto retire = [&]() {
    const bool notUsed = recovery.kind == OdbcIniRecovery::Kind::kNotUsed;
    const std::string kept = copy + kNotUsedEnding;
    if (notUsed ? rename(copy.c_str(), kept.c_str()) == 0 : unlink(copy.c_str()) == 0) {
      if (notUsed) retired = "kept as " + kept + ", not used";
    } else {
      retired = "this account may not remove it; it is marked as used by " + PutFor(file_, true, note);
    }
  };
  if (recovery.text == text_) {
    retire();
    return retired;
  }
  // The mending write is guarded itself; its journal stands before this
  // one goes.
  OdbcIniJournal mending;
  mending.change = journal.change;
  mending.section = journal.section;
  mending.mending = true;
  std::string failure;
  const auto write = [&]() {
    failure = odbc_ini::Write(file_, recovery.text, text_);
    return failure.empty();
  };
  if (!Guarded(recovery.text, mending, write, retire)) Refuse(file_, "cannot mend it from " + copy + ": " + failure);
  text_ = recovery.text;
  return retired;
}

bool OdbcIniChange::WritesInPlace() const {
  return odbc_ini::WriteMethodFor(file_) == odbc_ini::WriteMethod::kInPlace;
}

bool OdbcIniChange::Guarded(const std::string& after, const OdbcIniJournal& what, const std::function<bool()>& write,
                            const std::function<void()>& retire) {
  OdbcIniJournal journal = OdbcIniJournal::Of(text_, after, WritesInPlace());
  journal.file = file_;
  journal.writer = run_.Text();
  journal.change = what.change;
  journal.section = what.section;
  journal.mending = what.mending;
  const std::string path = PutFor(file_, false, journal.Serialized());
  if (retire) retire();
  const bool written = write();
  // A write that failed and could not put the file back keeps its journal
  // for the next change.
  std::string now;
  if (written || (odbc_ini::Read(file_, now).empty() && now == text_)) unlink(path.c_str());
  return written;
}

void OdbcIniChange::Begin(OdbcIniJournal::Change change, const std::string& section) {
  record_.change = change;
  record_.section = section;
}

void OdbcIniChange::Write(const std::string& text) {
  if (text == text_) return;
  std::string failure;
  const auto write = [&]() {
    failure = odbc_ini::Write(file_, text, text_);
    return failure.empty();
  };
  // A new file renamed into place cannot leave the file cut short.
  if (!(WritesInPlace() ? Guarded(text, record_, write) : write())) Refuse(file_, failure);
  text_ = text;
}

bool OdbcIniChange::WriteThrough(const std::string& expected, const std::function<bool()>& write) {
  // The installer's way of writing is its own: guarded whichever it is.
  const bool written = Guarded(expected, record_, write);
  const std::string unread = odbc_ini::Read(file_, text_);
  if (!unread.empty()) Refuse(file_, unread);
  return written;
}

}  // namespace SQLUtilities
