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
// after the stop. A write by rename leaves O or N whole: the file stays
// as it is, and the journal is kept for the administrator (under a name
// that says it was not used) unless the file is O or N followed only by
// whole sections the write had nothing to do with. A write in place, and
// a write that mends the file after a stopped writer ("mending", whose O
// was itself cut), are merged by sections, as the installer reads them
// (Merge):
// - a write in place that takes sections out cuts the file first: while
//   the file still holds one of them whole, the write had not begun, and
//   the file stays;
// - the sections the file holds stay as they are, in their order;
// - of N's sections that the write had still to write (those whose bytes
//   reach past byte d), the last that the file holds by name is where the
//   write was cut; failing that, a header that begins the name of the
//   next one. If that section of the file is a fragment of N's, it
//   becomes N's whole section. N's sections after it come back right
//   after it, ahead of whatever the file holds after it; those before it
//   that the file lacks were removed after the stop and stay removed.
//   Where the file holds none of them, all come back after the last
//   section that N has before them;
// - the data source the write was creating comes back only from what is
//   left of it: its fragment, wherever it stands, is finished (it then
//   carries its run's owner mark and goes with its run like any
//   leftover); nothing is made anew;
// - a fragment of N's section is, where the file holds N's bytes up to
//   that section's own place, a proper beginning of its bytes there,
//   perhaps followed by the line end that closed the cut line and by
//   blank lines and comments (the comments stay after it), or such a
//   beginning as the installer writes it back. Elsewhere it is a section
//   whose header ("[name" or "[name]") begins the name of N's (with
//   nothing after it when it is shorter or unclosed) and whose lines are a
//   proper beginning of N's, the last one perhaps cut or closed with "=";
//   unless O held a section of its name and lines (comments and blank
//   lines aside; of a mending write's O, only what stood before the cut).
//   The data source being made has no fragment off its place in a file
//   that holds O's bytes before d (nobody re-laid it), and no shorter
//   header where its own was written whole;
// - the file's sections are paired with N's of their names in order.
// Where a name still to write is held more often than N has it, or two
// sections could be the fragment, the merge is not single: the file stays
// as it is, but for the fragments of the data source the write was
// creating (none where it stands whole), and the journal is kept for the
// administrator. A copy of a former version is kept so too, its file left
// alone.
#pragma once

#include <string>
#include <vector>

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
    kNothing,  // nothing of the write is missing: the journal goes
    kFinish,   // the write was cut short: `text` finishes it; the journal goes
    kNotUsed,  // the file reads in no single way: it stays, but for `removed`; the journal is kept
  };
  Kind kind = Kind::kNothing;
  std::string text;
  std::vector<std::string> putBack;  // kFinish: the sections made whole or put back
  std::vector<std::string> removed;  // kNotUsed: the fragments of the data source being made, which go
};

OdbcIniRecovery Recover(const OdbcIniJournal& journal, const std::string& now);

}  // namespace SQLUtilities
