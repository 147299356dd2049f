#include "OdbcIniText.h"

#include <strings.h>

#include <algorithm>

namespace odbc_ini {

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool SameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

bool StartsWith(const std::string& text, const std::string& beginning) {
  return text.size() >= beginning.size() && text.compare(0, beginning.size(), beginning) == 0;
}

bool IsBlankOrComment(const std::string& text, std::size_t start) {
  const std::size_t first = text.find_first_not_of(" \t\r", start);
  return first == std::string::npos || text[first] == '\n' || text[first] == ';' || text[first] == '#';
}

Text Parse(const std::string& bytes) {
  Text text;
  std::string* current = &text.preamble;
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t next = std::min(bytes.find('\n', start), bytes.size() - 1) + 1;
    if (bytes[start] == '[') {
      // A header: the name is what follows up to "]" or the line's end.
      const std::size_t close = std::min(bytes.find_first_of("]\n", start), bytes.size());
      text.sections.push_back(Section{Trimmed(bytes.substr(start + 1, close - start - 1)), std::string()});
      current = &text.sections.back().text;
    }
    current->append(bytes, start, next - start);
    start = next;
  }
  return text;
}

const Section* Text::Find(const std::string& name) const {
  for (const Section& section : sections) {
    if (SameName(section.name, name)) return &section;
  }
  return nullptr;
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::size_t cr = end > start && text[end - 1] == '\r' ? 1 : 0;
    if (!IsBlankOrComment(text, start)) lines.push_back(text.substr(start, end - start - cr));
    start = end + 1;
  }
  return lines;
}

Entries EntriesOf(const Section& section) {
  Entries entries;
  // The header line comes first; the entries follow.
  for (std::size_t start = section.text.find('\n'); start < section.text.size();) {
    const std::size_t end = std::min(section.text.find('\n', ++start), section.text.size());
    const std::string line = section.text.substr(start, end - start);
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos && !IsBlankOrComment(line, 0)) {
      entries.emplace_back(Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1)));
    }
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

std::string DataSourceSection(const std::string& name, const std::string& driver, const Entries& attributes) {
  std::string text = "[" + name + "]\nDriver=" + driver + "\n";
  for (const auto& [key, value] : attributes) {
    if (!SameName(key, "DSN")) text += key + "=" + value + "\n";
  }
  return text + "\n";
}

Edit Appending(const std::string& old, const std::string& section) {
  const bool lineEnd = old.empty() || old.back() == '\n';
  return Edit{Edit::Kind::kAppend, old.size(), (lineEnd ? "" : "\n") + section};
}

Edit TakingOut(const std::string& old, const std::string& name) {
  const Text text = Parse(old);
  std::size_t at = text.preamble.size();
  for (const Section& section : text.sections) {
    if (SameName(section.name, name)) return TakingOutRange(old, at, section.text.size());
    at += section.text.size();
  }
  return Edit();
}

Edit TakingOutRange(const std::string& text, std::size_t at, std::size_t size) {
  const std::size_t end = at + size;
  if (text.find_first_not_of(" \t\r\n", end) != std::string::npos) {
    return Edit{Edit::Kind::kBlank, at, text.substr(at, size)};
  }
  // Nothing but blank lines follows: the file is cut, and with it the
  // lines of blanks alone (as blanking leaves them) right before it.
  std::size_t cut = at;
  while (cut >= 2 && text[cut - 1] == '\n') {
    const std::size_t previous = text.rfind('\n', cut - 2);
    const std::size_t start = previous == std::string::npos ? 0 : previous + 1;
    if (start == cut - 1 || text.find_first_not_of(' ', start) != cut - 1) break;
    cut = start;
  }
  return Edit{Edit::Kind::kTruncate, cut, text.substr(cut)};
}

std::string Applied(const std::string& old, const Edit& edit, bool inPlace) {
  if (edit.kind == Edit::Kind::kNone || (edit.kind == Edit::Kind::kBlank && edit.bytes.empty())) return old;
  const std::string& added = edit.kind == Edit::Kind::kAppend ? edit.bytes : std::string();
  if (edit.kind != Edit::Kind::kBlank) return old.substr(0, edit.at) + added;
  const bool lineEnd = edit.bytes.back() == '\n';
  const std::string blanked = inPlace ? std::string(edit.bytes.size() - lineEnd, ' ') + (lineEnd ? "\n" : "") : "";
  return old.substr(0, edit.at) + blanked + old.substr(edit.at + edit.bytes.size());
}

std::vector<Step> BlankingSteps(const std::string& range) {
  std::vector<std::size_t> starts;  // where each line begins
  for (std::size_t at = 0; at < range.size(); at = std::min(range.find('\n', at), range.size() - 1) + 1) {
    starts.push_back(at);
  }
  // The lines from the last, the owner mark's and the header's last.
  std::vector<std::size_t> order;
  std::size_t mark = 0;
  for (std::size_t line = starts.size(); line-- > 1;) {
    order.push_back(line);
    const std::size_t equals = range.find_first_of("=\n", starts[line]);
    const bool entry = equals < range.size() && range[equals] == '=' && !IsBlankOrComment(range, starts[line]);
    if (entry && SameName(Trimmed(range.substr(starts[line], equals - starts[line])), "DESCRIPTION")) mark = line;
  }
  const auto at = order.end() - static_cast<std::ptrdiff_t>(mark);  // the owner mark's place in `order`
  if (mark != 0) std::rotate(at, at + 1, order.end());
  if (!starts.empty()) order.push_back(0);
  std::vector<Step> steps;
  std::vector<bool> blanked(starts.size() + 1, false);  // the range's last line end stays
  for (const std::size_t line : order) {
    const std::size_t start = starts[line];
    const std::size_t next = line + 1 < starts.size() ? starts[line + 1] : range.size();
    const std::size_t end = range[next - 1] == '\n' ? next - 1 : next;  // its bytes, its line end aside
    const std::size_t through = blanked[line + 1] ? next : end;
    const std::size_t from = line > 0 && blanked[line - 1] ? start - 1 : start;
    if (range.find_first_not_of(" \t\r", start) >= end) {
      if (through > from) steps.push_back(Step{from, std::string(through - from, ' ')});
    } else {
      steps.push_back(Step{start, ";"});
      if (through > start + 1) steps.push_back(Step{start + 1, std::string(through - start - 1, ' ')});
      steps.push_back(Step{from, std::string(start + 1 - from, ' ')});
    }
    blanked[line] = true;
  }
  return steps;
}

}  // namespace odbc_ini
