// Reading and rewriting odbc.ini without taking it from its owner.
//
// A site's odbc.ini may belong to another account than the one that
// changes it, sit in a folder that account may not write (/etc), be
// read-only, or have further names (hard links). A change keeps its owner,
// group, mode and links, and one the account may not write is refused.
//
// Change makes one change of the file (an Edit, OdbcIniText.h) in one of
// two ways, chosen before it writes anything (WriteMethodFor):
// - by rename: a new file beside it (same mode and group) is written,
//   synced and renamed over it: a reader sees the old bytes or the new.
//   Only for a file of the account's own with no other link, in a folder
//   the account may write, in a group it may give its new files; and for
//   a missing file.
// - in place: the edit's bytes alone are written, then synced; the caller
//   guards the range (a journal). An append that fails (a full disk) is
//   cut off again before it reports.
// A file that nobody may write is refused for root too.
#pragma once

#include <sys/types.h>

#include <string>

#include "OdbcIniText.h"

namespace odbc_ini {

enum class WriteMethod { kRename, kInPlace };

// How Change edits the file at `path` (a file, not a link to one).
WriteMethod WriteMethodFor(const std::string& path);

// The file `path` names: links followed, however many, also to a target
// that does not exist yet (a relative target is taken from the link's
// folder). `path` itself when it is no link or the links go round.
std::string FileBehind(const std::string& path);

// Reads the whole file at `path` into `bytes`; a missing file reads as
// empty. Returns "" on success, else why not.
std::string Read(const std::string& path, std::string& bytes);

// Reads what is left of the open file `fd` (named `path` in a failure)
// into `bytes`. Returns "" on success, else why not.
std::string ReadFrom(int fd, const std::string& path, std::string& bytes);

// Makes `edit` to the file at `path` (a file, not a link), which holds
// `old`; a missing file is created (0644 less the umask). Returns "" on
// success, else why not ("cannot write <path>: Permission denied" for a
// file the account may not write), having changed nothing but, in place,
// part of the edit's range.
std::string Change(const std::string& path, const std::string& old, const Edit& edit);

// Makes a new file of a name no other process has (mkstemps: "XXXXXX",
// followed by the last `suffixLength` characters of `path`, becomes six of
// its own; `path` is set to the name made) with `bytes` (synced), `mode`
// and the group `*group` when given. Returns "" on success, else why not,
// leaving nothing behind.
std::string PutUniqueFile(std::string& path, int suffixLength, const std::string& bytes, unsigned mode,
                          const gid_t* group = nullptr);

// "<what> <path>: <the system's reason for errno>".
std::string Reason(const char* what, const std::string& path);

// True when the account may create and rename files in `folder`.
bool FolderWritable(const std::string& folder);

// The folder of `path` ("." for a bare name).
std::string FolderOf(const std::string& path);

}  // namespace odbc_ini
