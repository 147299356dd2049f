// The copy that guards one change of odbc.ini, and the mending of the file
// after a writer stopped inside its change.
//
// The copy records the change it guards and holds the file as it was
// before the change began. It is a text file:
//
//   Shapejob odbc.ini journal
//   file <the odbc.ini it guards>
//   writer <the run that changes it: QK_TProcessId's text>
//   change <create|remove> <the data source's section name>
//
//   <the bytes of odbc.ini as they were, to the end of the copy>
//
// The empty line ends the record. A copy without the first line is one a
// former version of this program left: the file as it was, no record.
//
// A change rewrites odbc.ini with the section it creates or removes, and
// may remove leftover sections of ended runs on the way; a writer stopped
// inside it can leave the file without the removed sections, or cut short
// where it was rewritten in place. Mending repairs only that and keeps
// whatever came later (a data source the administrator added, an edited
// entry):
// - every section the copy holds that the file now lacks comes back whole,
//   after the section it followed in the copy;
// - a section (or the bytes before the first section) that the file now
//   holds only a beginning of comes back whole. That is a section whose
//   bytes are a proper beginning of the copy's, or the file's last section
//   when the file ends in a line without its line end: that line is the
//   part of a line a writer cut off;
// - a file that ends in the part of a line (no line end) that begins a
//   line of the copy, or the header of the change's own section, loses
//   that part: it is what the writer cut off;
// - the change's own section never comes back from the copy; it goes when
//   its writer has ended and the section is the writer's (its description
//   names the writer's run), or is the file's last and was cut before its
//   description;
// - every other section and every other byte stays exactly as it is.
#pragma once

#include <string>

namespace SQLUtilities {

// The owner mark a data source of this program carries in its
// description: "New Temporary DSN for Shapejob (run <run>)", or "... (run
// <run> task <key>)"; <run> is QK_TProcessId's text, <key> a key of the
// task id. A change's copy names its writer by the same <run>.
struct OwnerMark {
  std::string run;
  std::string task;  // empty when the mark names none
};
std::string OwnerDescription(const OwnerMark& mark);
// False when `description` is no owner mark.
bool ReadOwnerMark(const std::string& description, OwnerMark& mark);

struct OdbcIniJournal {
  enum class Change { kUnknown, kCreate, kRemove };

  std::string file;
  std::string writer;
  Change change = Change::kUnknown;
  std::string section;
  std::string before;

  std::string Serialized() const;
  // The copy's bytes as a journal; a copy without the record is one of a
  // former version (change kUnknown, `before` the whole copy).
  static OdbcIniJournal Parse(const std::string& bytes);
};

// What mending did, for the report.
struct OdbcIniMending {
  std::string text;
  std::size_t sectionsPutBack = 0;
  bool sectionRemoved = false;
};

// `now` mended after the stopped change that `journal` records, as above;
// `writerEnded` tells whether the writer's run has ended.
OdbcIniMending MendAfterStoppedChange(const OdbcIniJournal& journal, const std::string& now, bool writerEnded);

}  // namespace SQLUtilities
