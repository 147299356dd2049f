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
// The bytes a write leaves, by the order of its steps (its states):
// - by rename, the file is O or N and nothing else;
// - in place, the file is first cut to d bytes (unless N only adds to O),
//   then N's bytes from d on are written: at every moment it is a
//   beginning of N at least d bytes long (when d is O's length, the
//   beginning of d bytes is O itself: the write had not begun).
//
// What the next change finds (Recover) may have been changed by anyone
// after the stop. A state followed by nothing, or by whole sections
// appended later, is a reading of the file. What follows the state counts
// as appended only when it
// - starts at a line start, or with the line end that closes a cut line;
// - is blank lines or comments, then a whole header ("[name]"): entries
//   added to the last section are no append;
// - is no tail of N or of O: that is a removal from a written or an
//   unwritten file;
// - holds no section of a name that the state had still to write (the
//   sections of N from the state's end on, or from d on for a write not
//   begun): that is an edit; nor what the write left of its data source
//   (below).
// Each reading says what the file is to hold: for a write cut short, N
// followed by what was appended; for a write that ended, or that had not
// begun, the file as it is. A write that mends the file after a stopped
// writer ("mending") was to put N in place of a file that was itself cut:
// from O it is finished as from a cut. When every reading there is says
// the same, that is done and the journal goes. When none fits, or two
// differ, the file stays as it is, and the journal is kept for the
// administrator under a name that says it was not used. A copy of a former
// version is kept so too, its file left alone.
//
// In every outcome, what a stopped write in place put into the file and
// no one else could have goes: a section that begins the data source it was
// creating and stops short of it. Its name is a beginning of that data
// source's name (no more than a cut header when it is shorter), its lines
// a proper beginning of the lines the write gave it, the last one perhaps
// cut, or closed with "=" by a tool that rewrote the file; and the file did
// not hold that section before the write (in whatever layout). A write
// leaves one such section at most: the first, and none where the data
// source stands whole. No reading takes it for an append, and where no
// reading fits it is removed. Whole, the data source carries its run's
// owner mark and goes with its run like any leftover.
#pragma once

#include <optional>
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

// What to do with the file `now` after the stopped write of `journal`:
// the file is to hold `text`, which is `now` when nothing is to change.
struct OdbcIniRecovery {
  enum class Kind {
    kNothing,  // the write had not begun, or had ended: the journal goes
    kFinish,   // the write was cut short: `text` finishes it; the journal goes
    kNotUsed,  // the file reads in no single way: it stays, but for `remains`; the journal is kept
  };
  Kind kind = Kind::kNothing;
  std::string text;
  std::optional<std::string> remains;  // kNotUsed: the section the stopped write left, which goes
};

OdbcIniRecovery Recover(const OdbcIniJournal& journal, const std::string& now);

}  // namespace SQLUtilities
