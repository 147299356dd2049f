// The journal that guards one write of odbc.ini, and what the next change
// does with a journal that a stopped writer left.
//
// Before a write that could leave odbc.ini cut short if its writer were
// stopped half-way, the writer records in a journal the file as it is (O),
// the bytes it writes (N) and how (by rename, or in place from byte d: the
// first byte in which N differs from O). Once the write is complete it
// removes the journal. A journal is a text file:
//
//   Shapejob odbc.ini journal 2
//   file <the odbc.ini it guards>
//   writer <the run that writes: QK_TProcessId's text>
//   change <create|remove> <the data source's section name>
//   write <rename|in-place> <d> <bytes of O> <bytes of N from d on>[ mending]
//
//   <O><N from byte d on>
//
// The empty line ends the record; N is O's first d bytes followed by what
// the journal holds of it. A journal whose body is shorter or longer than
// its record says was itself cut short while it was written: its write
// never began. A copy of a former version of this program (a record
// without the "write" line, or no record at all) holds O alone.
//
// The bytes a write leaves, by the order of its steps:
// - by rename, the file is O or N and nothing else;
// - in place, the file is first cut to d bytes (unless N only adds to O),
//   then N's bytes from d on are written: at every moment it is a
//   beginning of N at least d bytes long.
// So what the next change finds (Recover):
// - the file is O or N: the write did not begin, or it ended: nothing to
//   do. But a write that mends the file after a stopped writer ("mending")
//   was to put N in place of a file that was itself cut: from O it is
//   finished, as from a cut;
// - in place, a beginning of N at least d bytes long, followed by nothing
//   or by what was appended to it later: the write was cut there. The
//   file is finished: N, then what was appended;
// - anything else was rewritten after the stop (a tool that rewrites the
//   whole file): it stays as it is, but for the stopped change's own
//   section when it was cut before it was whole (the change creates it,
//   and its entries are a proper beginning of those N holds for it). The
//   journal is kept for the administrator under a name that says it was
//   not used. A copy of a former version is kept so too, its file left
//   alone.
// The stopped change's own section, whole, is an ordinary leftover of its
// run: it carries the run's owner mark, and goes when that run has ended.
#pragma once

#include <string>

namespace SQLUtilities {

// The owner mark a data source of this program carries in its
// description: "New Temporary DSN for Shapejob (run <run>)", or "... (run
// <run> task <key>)"; <run> is QK_TProcessId's text, <key> a key of the
// task id.
struct OwnerMark {
  std::string run;
  std::string task;  // empty when the mark names none
};
std::string OwnerDescription(const OwnerMark& mark);
// False when `description` is no owner mark.
bool ReadOwnerMark(const std::string& description, OwnerMark& mark);

struct OdbcIniJournal {
  enum class Change { kUnknown, kCreate, kRemove };
  enum class Form { kWhole, kCutShort, kFormer };

  std::string file;
  std::string writer;
  Change change = Change::kUnknown;
  std::string section;
  bool inPlace = false;
  bool mending = false;
  std::size_t firstChange = 0;  // d
  std::string before;           // O
  std::string after;            // N
  Form form = Form::kWhole;

  // A journal of the write of `after` over `before`.
  static OdbcIniJournal Of(const std::string& before, const std::string& after, bool inPlace);

  std::string Serialized() const;
  static OdbcIniJournal Parse(const std::string& bytes);
};

// What to do with the file `now` after the stopped write of `journal`.
struct OdbcIniRecovery {
  enum class Kind {
    kNothing,   // the write did not begin, or it ended
    kFinish,    // finish the cut write: put `text` in place
    kNotUsed,   // the file was rewritten later: put `text` in place (when it differs), keep the journal
  };
  Kind kind = Kind::kNothing;
  std::string text;
  bool sectionRemoved = false;  // kNotUsed: the change's own section, cut before it was whole, goes
};

OdbcIniRecovery Recover(const OdbcIniJournal& journal, const std::string& now);

}  // namespace SQLUtilities
