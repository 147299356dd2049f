// The journal that guards one change of odbc.ini made in place, and what
// the next change does with a journal that a stopped writer left.
//
// A change in place moves no byte but its own (odbc_ini::Edit): it
// appends a section at the end, cuts the file where a section that
// nothing but blank lines follows begins, or blanks a section. So a
// writer stopped at any byte leaves every other section where it was,
// whole; only the range of its own section can be part-written. Before
// such a change the writer records that range in a journal (synced), and
// removes the journal once the change is complete. A change by rename
// leaves the old file or the new one, whatever the stop: it needs none.
//
// A journal is a text file:
//
//   Shapejob odbc.ini journal 3
//   file <the odbc.ini it guards>
//   inode <device>:<inode of that file>
//   writer <the run that writes: QK_TProcessId's text>
//   change <create|remove> <the data source's section name>
//   range <append|truncate|blank> <where its bytes begin> <their length>
//
//   <the range's bytes: as the change writes them (append), or as they
//   stood before it (truncate, blank)>
//
// The empty line ends the record. A journal whose body is shorter or
// longer than its record says was itself cut short while it was written:
// its change never began. A journal of a former version of this program
// (another first line, or no record at all) is never used.
//
// The next change reads the file's range against the journal (RangeIn):
// - the range still holds the stopped writer's bytes, each as written, as
//   it stood, or blanked (a blank, or the ';' blanking writes on its way;
//   "\r\n" in either read as "\n"): what is left there of its section is
//   taken out, cut off where nothing but blank lines follows, else
//   blanked. Of an append, the range is what the file holds of its bytes:
//   up to the end of the file, or up to a line end after which the file
//   goes on with a section of somebody else's (blank lines and comments
//   before it aside);
// - the range holds nothing of the section any more (it was never
//   written, or is blanked or cut off whole): nothing is to do;
// - the file was laid out anew or edited there since: nothing is changed
//   on the journal's word.
// Nothing is ever put back, and no byte outside the range is changed.
#pragma once

#include <string>

#include "OdbcIniText.h"

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
  std::string inode;  // "<device>:<inode>"
  std::string writer;
  Change change = Change::kUnknown;
  std::string section;
  odbc_ini::Edit edit;  // kAppend, kTruncate or kBlank
  Form form = Form::kWhole;

  std::string Serialized() const;
  static OdbcIniJournal Parse(const std::string& bytes);
};

// How the file `now` holds the range a journal guards.
struct OdbcIniRange {
  enum class State {
    kGone,   // nothing of the section is left there: nothing to do
    kPart,   // the writer's bytes, part-written: `size` bytes from `at` go
    kOther,  // laid out anew or edited there: left as it is
  };
  State state = State::kGone;
  std::size_t at = 0;
  std::size_t size = 0;
};

OdbcIniRange RangeIn(const OdbcIniJournal& journal, const std::string& now);

}  // namespace SQLUtilities
