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
// Inside a section, a line "key=value" is an entry; key and value are
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

// How many bytes `a` and `b` have in common from their first on.
std::size_t CommonBeginning(const std::string& a, const std::string& b);

// The entries of a section, "key=value" each, keys and values without
// blanks at either end, in file order.
using Entries = std::vector<std::pair<std::string, std::string>>;
Entries EntriesOf(const Section& section);

// The file `old` with the data source `name` defined anew, as the
// driver-setup library writes it: any section of that name goes, and a
// section "[name]", "Driver=<driver>", then each attribute but "DSN" as
// "key=value", then an empty line, is added at the end (on a line of its
// own when the file's last line had no line end).
std::string WithDataSource(const std::string& old, const std::string& name, const std::string& driver,
                           const Entries& attributes);

// The file `old` without any section `name`.
std::string WithoutDataSource(const std::string& old, const std::string& name);

}  // namespace odbc_ini
