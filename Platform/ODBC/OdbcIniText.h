// odbc.ini as text, the way the ODBC installer reads it, kept byte for byte.
//
// The file is a run of lines. A line that begins with "[" opens a section;
// the name is what follows up to the first "]" (or the line's end),
// without blanks at either end, compared without regard to case. A
// section's bytes are its header line and every line up to the next
// header, line ends included; the bytes before the first are the preamble.
// Preamble and sections joined give the file back exactly.
//
// Inside a section, a line "key=value" is an entry (one that begins with
// ";" or "#", blanks aside, is a comment); key and value are
// read without blanks at either end, keys without regard to case.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace odbc_ini {

struct Section {
  std::string name;
  std::string text;
};

struct Text {
  std::string preamble;
  std::vector<Section> sections;

  // The first section named `name`, or null.
  const Section* Find(const std::string& name) const;
};

Text Parse(const std::string& bytes);

// The value of the first entry `key` of the section; "" when it has none.
std::string ValueOf(const Section& section, const std::string& key);

bool SameName(const std::string& a, const std::string& b);

// `text` without blanks (spaces, tabs, carriage returns) at either end.
std::string Trimmed(const std::string& text);

// Whether `text` begins with `beginning`, byte for byte.
bool StartsWith(const std::string& text, const std::string& beginning);

// Whether the line of `text` that begins at `start` holds nothing for the
// installer: blanks alone, or a comment.
bool IsBlankOrComment(const std::string& text, std::size_t start);

// The lines of `text` that hold something for the installer (blank lines
// and comments aside), each without its line end and a "\r" before it.
std::vector<std::string> LinesOf(const std::string& text);

// The entries of a section, "key=value" each, keys and values without
// blanks at either end, in file order.
using Entries = std::vector<std::pair<std::string, std::string>>;
Entries EntriesOf(const Section& section);

// A data source's section as the driver-setup library writes it:
// "[name]", "Driver=<driver>", then each attribute but "DSN" as
// "key=value", then an empty line.
std::string DataSourceSection(const std::string& name, const std::string& driver, const Entries& attributes);

// One change of odbc.ini that moves no byte of another section: a writer
// stopped at any byte leaves every other section where it was, whole.
// - kAppend: `bytes` (a section, after a line end where the file's last
//   line had none) are written at the end, `at`.
// - kTruncate: a section that only blank lines follow is cut off at `at`:
//   where it begins, or before the lines of blanks alone right before it.
// - kBlank: any other section is blanked in place (BlankingSteps) into one
//   blank line, reading at every moment as itself with fewer lines.
// For a take-out, `bytes` are what the range held before it.
struct Edit {
  enum class Kind { kNone, kAppend, kTruncate, kBlank };
  Kind kind = Kind::kNone;
  std::size_t at = 0;
  std::string bytes;
};

// The edit that adds `section` to the file `old`.
Edit Appending(const std::string& old, const std::string& section);

// The edit that takes out the first section `name` of `old`: kNone when
// it holds none.
Edit TakingOut(const std::string& old, const std::string& name);

// The edit that takes out the `size` bytes of `text` from `at` on, which
// end with a line end or at the end of the file.
Edit TakingOutRange(const std::string& text, std::size_t at, std::size_t size);

// The file `old` after `edit`. In place, a blanked range stays as blanks;
// a file written anew (`inPlace` false) leaves it out.
std::string Applied(const std::string& old, const Edit& edit, bool inPlace);

// The writes, in order, that blank `range` (bytes ending with a line
// end), at offsets in the range: each line from the last to the first,
// but the first "DESCRIPTION" entry's (an owner mark) last but the
// header's, gets ';' first (a comment), then blanks over the rest, then a
// blank for the ';'; a blank line only its blanks. A line end goes only
// into a line of blanks: no line ever joins one that is not blanks, and
// what is left is one line of blanks.
struct Step {
  std::size_t at;
  std::string bytes;
};
std::vector<Step> BlankingSteps(const std::string& range);

}  // namespace odbc_ini
