#include "OdbcIniText.h"

#include <strings.h>

#include <cctype>

namespace odbc_ini {

namespace {


// The section name of a header line; false for any other line.
bool SectionHeader(const std::string& line, std::string& name) {
  if (line.empty() || line.front() != '[') return false;
  const std::size_t close = line.find(']');
  name = Trimmed(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

}  // namespace

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string FoldedName(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

bool SameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

bool StartsWith(const std::string& text, const std::string& beginning) {
  return text.size() >= beginning.size() && text.compare(0, beginning.size(), beginning) == 0;
}

std::size_t CommonBeginning(const std::string& a, const std::string& b) {
  std::size_t same = 0;
  while (same < a.size() && same < b.size() && a[same] == b[same]) ++same;
  return same;
}

Text Parse(const std::string& bytes) {
  Text text;
  std::string* current = &text.preamble;
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t end = bytes.find('\n', start);
    const std::size_t next = end == std::string::npos ? bytes.size() : end + 1;
    const std::string line = bytes.substr(start, (end == std::string::npos ? bytes.size() : end) - start);
    std::string name;
    if (SectionHeader(line, name)) {
      text.sections.push_back(Section{name, std::string()});
      current = &text.sections.back().text;
    }
    current->append(bytes, start, next - start);
    start = next;
  }
  return text;
}

std::string Text::Joined() const {
  std::string bytes = preamble;
  for (const Section& section : sections) bytes += section.text;
  return bytes;
}

const Section* Text::Find(const std::string& name) const {
  for (const Section& section : sections) {
    if (SameName(section.name, name)) return &section;
  }
  return nullptr;
}

bool Text::Remove(const std::string& name) {
  const std::size_t before = sections.size();
  std::vector<Section> kept;
  kept.reserve(sections.size());
  for (Section& section : sections) {
    if (!SameName(section.name, name)) kept.push_back(std::move(section));
  }
  sections = std::move(kept);
  return sections.size() != before;
}

Entries EntriesOf(const Section& section) {
  Entries entries;
  // The header line comes first; the entries follow.
  std::size_t start = section.text.find('\n');
  while (start != std::string::npos && start < section.text.size()) {
    ++start;
    const std::size_t end = section.text.find('\n', start);
    const std::string line = section.text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) entries.emplace_back(Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1)));
    start = end;
  }
  return entries;
}

std::string ValueOf(const Section& section, const std::string& key) {
  for (const auto& [name, value] : EntriesOf(section)) {
    if (SameName(name, key)) return value;
  }
  return std::string();
}

std::string WithDataSource(const std::string& old, const std::string& name, const std::string& driver,
                           const Entries& attributes) {
  std::string text = WithoutDataSource(old, name);
  if (!text.empty() && text.back() != '\n') text += '\n';
  text += "[" + name + "]\nDriver=" + driver + "\n";
  for (const auto& [key, value] : attributes) {
    if (!SameName(key, "DSN")) text += key + "=" + value + "\n";
  }
  return text + "\n";
}

std::string WithoutDataSource(const std::string& old, const std::string& name) {
  Text text = Parse(old);
  if (!text.Remove(name)) return old;
  return text.Joined();
}

}  // namespace odbc_ini
