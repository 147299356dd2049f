// odbc.ini as text, the way the ODBC installer reads it, kept byte for byte.
//
// The file is a run of lines. A line that begins with "[" opens a section;
// the name is what follows up to the first "]" (or the line's end),
// without blanks at either end. Section names are compared without regard
// to case. Both as the installer reads the file.
// A section's bytes are its header line and every line after it up to the
// next header, line ends included; the bytes before the first header are
// the preamble. Joining the preamble and the sections gives the file back
// exactly, a last line without its line end included.
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

  std::string Joined() const;
  // The first section named `name`, or null.
  const Section* Find(const std::string& name) const;
  // Removes every section named `name`; false when there was none.
  bool Remove(const std::string& name);
};

Text Parse(const std::string& bytes);

// The value of the first entry `key` of the section; "" when it has none.
std::string ValueOf(const Section& section, const std::string& key);

// The name in a lower-case form in which names equal for the installer are
// equal, for maps keyed by section name.
std::string FoldedName(const std::string& name);

bool SameName(const std::string& a, const std::string& b);

// `text` without blanks (spaces, tabs, carriage returns) at either end.
std::string Trimmed(const std::string& text);

// Whether `text` begins with `beginning`, byte for byte.
bool StartsWith(const std::string& text, const std::string& beginning);

// The entries of a section, "key=value" each, keys and values without
// blanks at either end, in file order.
using Entries = std::vector<std::pair<std::string, std::string>>;
Entries EntriesOf(const Section& section);

// A data source's section as the driver-setup library writes it:
// "[name]", "Driver=<driver>", then each attribute but "DSN" as
// "key=value", then an empty line.
std::string DataSourceSection(const std::string& name, const std::string& driver, const Entries& attributes);

// One change of odbc.ini that moves no byte of any other section, so that
// a writer stopped at any byte of it leaves every other section where it
// was, whole; only the section it adds or takes out can be part-written.
// - kAppend: `bytes` (a section, after a line end where the file's last
//   line had none) are written at the end, `at`.
// - kTruncate: the section that nothing but blank lines follows is taken
//   out by cutting the file at `at`: where the section begins, or earlier
//   where lines that blanking left stand right before it (below).
// - kBlank: any other section is blanked in place: its bytes from `at` on
//   become blanks ending in its last line end, so that what is left reads
//   as one blank line. Its lines go from the last to the first, the
//   header last (BlankingSteps): at every moment it reads as the same
//   section, shorter, or as nothing, and none of its lines joins the
//   section above it.
// `bytes` are, for a take-out, what the range held before it.
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
// end), each at its offset in the range: each line from the last to the
// first gets ';' as its first byte (a comment), then blanks over the rest
// and over its line end (the range's last line end stays), then a blank
// in place of the ';'. A line that is blank already only gets its blanks.
struct Step {
  std::size_t at;
  std::string bytes;
};
std::vector<Step> BlankingSteps(const std::string& range);

// A byte that blanking writes: a blank, or the ';' that makes a line a
// comment on the way.
inline bool IsBlankingByte(char c) { return c == ' ' || c == ';'; }

}  // namespace odbc_ini
