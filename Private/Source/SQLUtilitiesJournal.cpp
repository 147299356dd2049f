#include "SQLUtilitiesJournal.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace SQLUtilities {

namespace {

constexpr char kFirstLine[] = "Shapejob odbc.ini journal 3\n";

constexpr char kTemporaryDescription[] = "New Temporary DSN for Shapejob";
constexpr char kOwnerOpening[] = " (run ";
constexpr char kTaskOpening[] = " task ";

using Kind = odbc_ini::Edit::Kind;

constexpr struct {
  Kind kind;
  const char* word;
} kRangeWords[] = {{Kind::kAppend, "append"}, {Kind::kTruncate, "truncate"}, {Kind::kBlank, "blank"}};

// The text after "<word> " of a record line; false for another word.
bool Field(const std::string& line, const char* word, std::string& value) {
  const std::string opening = std::string(word) + " ";
  if (!odbc_ini::StartsWith(line, opening)) return false;
  value = line.substr(opening.size());
  return true;
}

bool ReadNumber(const std::string& text, std::size_t& number) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 18) return false;
  number = static_cast<std::size_t>(std::strtoull(text.c_str(), nullptr, 10));
  return true;
}

void ReadChange(const std::string& text, OdbcIniJournal& journal) {
  const std::size_t blank = text.find(' ');
  const std::string word = text.substr(0, blank);
  journal.change = word == "create"   ? OdbcIniJournal::Change::kCreate
                   : word == "remove" ? OdbcIniJournal::Change::kRemove
                                      : OdbcIniJournal::Change::kUnknown;
  journal.section = blank == std::string::npos ? std::string() : text.substr(blank + 1);
}

// "<append|truncate|blank> <at> <length>"; false when it is none.
bool ReadRange(const std::string& text, odbc_ini::Edit& edit, std::size_t& length) {
  const std::size_t first = text.find(' ');
  const std::size_t second = first == std::string::npos ? first : text.find(' ', first + 1);
  if (second == std::string::npos) return false;
  for (const auto& range : kRangeWords) {
    if (text.compare(0, first, range.word) == 0) edit.kind = range.kind;
  }
  return edit.kind != Kind::kNone && ReadNumber(text.substr(first + 1, second - first - 1), edit.at) &&
         ReadNumber(text.substr(second + 1), length);
}

// Whether the file goes on at `from` with blank lines and comments, then
// a section's header or its end: what somebody else wrote after a cut.
bool SectionOrEndAt(const std::string& text, std::size_t from) {
  for (std::size_t line = from; line < text.size();) {
    const std::size_t first = text.find_first_not_of(" \t\r", line);
    if (first == std::string::npos) return true;
    if (text[first] == '[' && first == line) return true;
    if (text[first] != '\n' && text[first] != ';' && text[first] != '#') return false;
    const std::size_t end = text.find('\n', first);
    line = end == std::string::npos ? text.size() : end + 1;
  }
  return true;
}

// Whether the `size` bytes of `text` from `at` on are as blanking leaves
// them: blanks, then one line end.
bool Blanked(const std::string& text, std::size_t at, std::size_t size) {
  return text.find_first_not_of(' ', at) == at + size - 1 && text[at + size - 1] == '\n';
}

}  // namespace

std::string OwnerDescription(const OwnerMark& mark) {
  return std::string(kTemporaryDescription) + kOwnerOpening + mark.run +
         (mark.task.empty() ? std::string() : kTaskOpening + mark.task) + ")";
}

bool ReadOwnerMark(const std::string& description, OwnerMark& mark) {
  const std::string opening = std::string(kTemporaryDescription) + kOwnerOpening;
  if (!odbc_ini::StartsWith(description, opening) || description.back() != ')') return false;
  mark.run = description.substr(opening.size(), description.size() - opening.size() - 1);
  mark.task.clear();
  const std::size_t task = mark.run.find(kTaskOpening);
  if (task != std::string::npos) {
    mark.task = mark.run.substr(task + std::strlen(kTaskOpening));
    mark.run.erase(task);
  }
  return true;
}

std::string OdbcIniJournal::Serialized() const {
  std::string word = "unknown";
  for (const auto& range : kRangeWords) {
    if (range.kind == edit.kind) word = range.word;
  }
  const char* changeWord = change == Change::kCreate ? "create" : change == Change::kRemove ? "remove" : "unknown";
  return std::string(kFirstLine) + "file " + file + "\ninode " + inode + "\nwriter " + writer + "\nchange " +
         changeWord + " " + section + "\nrange " + word + " " + std::to_string(edit.at) + " " +
         std::to_string(edit.bytes.size()) + "\n\n" + edit.bytes;
}

OdbcIniJournal OdbcIniJournal::Parse(const std::string& bytes) {
  OdbcIniJournal journal;
  const std::size_t recordEnd = bytes.find("\n\n");
  const bool current = odbc_ini::StartsWith(bytes, kFirstLine);
  // Cut short before its record was whole: the change never began.
  if (odbc_ini::StartsWith(kFirstLine, bytes) || (current && recordEnd == std::string::npos)) {
    journal.form = Form::kCutShort;
    return journal;
  }
  journal.form = Form::kFormer;
  if (!current) return journal;
  bool ranged = false;
  std::size_t length = 0;
  for (std::size_t start = std::strlen(kFirstLine); start < recordEnd;) {
    const std::size_t end = bytes.find('\n', start);
    const std::string line = bytes.substr(start, end - start);
    std::string value;
    if (Field(line, "file", value)) journal.file = value;
    if (Field(line, "inode", value)) journal.inode = value;
    if (Field(line, "writer", value)) journal.writer = value;
    if (Field(line, "change", value)) ReadChange(value, journal);
    if (Field(line, "range", value)) ranged = ReadRange(value, journal.edit, length);
    start = end + 1;
  }
  if (!ranged) return journal;
  journal.edit.bytes = bytes.substr(recordEnd + 2);
  journal.form = journal.edit.bytes.size() == length ? Form::kWhole : Form::kCutShort;
  return journal;
}

OdbcIniRange RangeIn(const OdbcIniJournal& journal, const std::string& now) {
  const odbc_ini::Edit& edit = journal.edit;
  const std::string& bytes = edit.bytes;
  OdbcIniRange range{OdbcIniRange::State::kOther, edit.at, 0};
  if (now.size() == edit.at && edit.kind != Kind::kBlank) return OdbcIniRange{OdbcIniRange::State::kGone, edit.at, 0};
  if (now.size() < edit.at) return range;
  // Each byte as written, as it stood, or blanked; "\r\n" read as "\n".
  std::size_t i = edit.at;
  std::size_t j = 0;
  while (i < now.size() && j < bytes.size()) {
    const char c = now[i];
    const char w = bytes[j];
    if (c == '\r' && w == '\n' && now.compare(i, 2, "\r\n") == 0) {
      i += 2;
      ++j;
    } else if (w == '\r' && c == '\n' && bytes.compare(j, 2, "\r\n") == 0) {
      ++i;
      j += 2;
    } else if (c == w || odbc_ini::IsBlankingByte(c)) {
      ++i;
      ++j;
    } else {
      break;
    }
  }
  if (edit.kind != Kind::kAppend) {
    // A range taken out is held whole, or not at all.
    if (j < bytes.size()) return range;
  } else if (i < now.size()) {
    // What an append wrote, then somebody else's: a cut line closed by
    // its line end, then blank lines and comments, then a section.
    if (i == edit.at) return range;
    if (now[i - 1] != '\n') {
      if (now[i] != '\n' && now.compare(i, 2, "\r\n") != 0) return range;
      i += now[i] == '\n' ? 1 : 2;
    }
    if (!SectionOrEndAt(now, i)) return range;
  }
  range.size = i - edit.at;
  const bool left = range.size > 0 && !Blanked(now, range.at, range.size);
  range.state = left ? OdbcIniRange::State::kPart : OdbcIniRange::State::kGone;
  return range;
}

}  // namespace SQLUtilities
