// The journal that guards one change of odbc.ini made in place, and what
// the next change does with one that a stopped writer left.
//
// A change in place moves no byte but those of the one section it adds
// or takes out (odbc_ini::Edit). Before it, the writer records that range
// in a journal (synced), and removes the journal once the change is
// complete. A journal is a text file:
//
//   Shapejob odbc.ini journal 4
//   file <the odbc.ini it guards>
//   inode <device>:<inode of that file>
//   writer <the run that writes: QK_TProcessId's text>
//   change <create|remove> <the data source's section name>
//   range <append|truncate|blank> <where its bytes begin> <their length>
//   after <the name of the last section before the range; empty for none>
//
//   <the range's bytes: as the change writes them, or as they stood>
//
// A journal whose body is not as long as its record says, or that ends
// inside its record, was cut short while it was written: its change never
// began. One of a former version (another first line) is never used.
//
// The next change finds what the stopped writer left (RangeIn), bounded
// as a section (then the file's end, or blank lines and comments and a
// header). First at the range's offset, each byte as written, as it stood
// or blanked (' ', or blanking's ';'; "\r\n" as "\n"): an append's bytes
// as far as they came, a take-out's range whole from a line's start. Else
// (an edit before it, a re-lay) the one section whose lines, blank lines
// and comments aside, the writer may have left: an append's first lines
// (LeftOfWrite; a cut header only right after the section the range
// followed), or a take-out's before one of its blanking steps. That goes,
// up to its last such line; none, or more than one: nothing is changed.
#pragma once

#include <string>
#include <vector>

#include "OdbcIniText.h"

namespace SQLUtilities {

// The owner mark in a data source's description: "New Temporary DSN for
// Shapejob (run <run>[ task <key>])", <run> QK_TProcessId's text, <key> a
// key of the task id.
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
  std::string after;
  Form form = Form::kWhole;

  std::string Serialized() const;
  static OdbcIniJournal Parse(const std::string& bytes);
};

// How the file `now` holds the range a journal guards.
struct OdbcIniRange {
  enum class State {
    kGone,   // nothing of the section is left there (never written, or blanked or cut off whole)
    kPart,   // the writer's bytes, part-written: `size` bytes from `at` go
    kOther,  // laid out anew or edited there: left as it is
  };
  State state = State::kGone;
  std::size_t at = 0;
  std::size_t size = 0;
};

// Whether `left` (lines, as odbc_ini::LinesOf gives them) is what a write
// of the lines `written` leaves when it is stopped: its first lines, the
// last perhaps cut short, then perhaps closed with "=" or "]" by a re-lay.
bool LeftOfWrite(const std::vector<std::string>& left, const std::vector<std::string>& written);

OdbcIniRange RangeIn(const OdbcIniJournal& journal, const std::string& now);

}  // namespace SQLUtilities
