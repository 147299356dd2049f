#include "SQLUtilitiesJournal.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "OdbcIniText.h"

namespace SQLUtilities {

namespace {

constexpr char kFirstLine[] = "Shapejob odbc.ini journal 2";
constexpr char kFormerFirstLine[] = "Shapejob odbc.ini journal";

constexpr char kTemporaryDescription[] = "New Temporary DSN for Shapejob";
constexpr char kOwnerOpening[] = " (run ";
constexpr char kTaskOpening[] = " task ";

const char* ChangeWord(OdbcIniJournal::Change change) {
  switch (change) {
    case OdbcIniJournal::Change::kCreate:
      return "create";
    case OdbcIniJournal::Change::kRemove:
      return "remove";
    default:
      return "unknown";
  }
}

bool StartsWith(const std::string& text, const std::string& beginning) {
  return text.size() >= beginning.size() && text.compare(0, beginning.size(), beginning) == 0;
}

// The text after "<word> " of a record line; false for another word.
bool Field(const std::string& line, const char* word, std::string& value) {
  const std::string opening = std::string(word) + " ";
  if (!StartsWith(line, opening)) return false;
  value = line.substr(opening.size());
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

bool ReadNumber(const std::string& text, std::size_t& number) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 18) return false;
  number = static_cast<std::size_t>(std::strtoull(text.c_str(), nullptr, 10));
  return true;
}

// "<rename|in-place> <d> <bytes of O> <bytes of N from d on>".
bool ReadWrite(const std::string& text, OdbcIniJournal& journal, std::size_t& beforeSize, std::size_t& tailSize) {
  std::vector<std::string> words;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = text.find(' ', start);
    words.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  journal.mending = words.size() == 5 && words[4] == "mending";
  if (words.size() != (journal.mending ? 5 : 4) || (words[0] != "rename" && words[0] != "in-place")) return false;
  journal.inPlace = words[0] == "in-place";
  return ReadNumber(words[1], journal.firstChange) && ReadNumber(words[2], beforeSize) &&
         ReadNumber(words[3], tailSize) && journal.firstChange <= beforeSize;
}

std::size_t CommonBeginning(const std::string& a, const std::string& b) {
  std::size_t same = 0;
  while (same < a.size() && same < b.size() && a[same] == b[same]) ++same;
  return same;
}

// True when `part` holds a proper beginning of the entries `whole` holds.
bool EntriesBegin(const odbc_ini::Entries& part, const odbc_ini::Entries& whole) {
  if (part.size() >= whole.size()) return false;
  for (std::size_t i = 0; i < part.size(); ++i) {
    if (!odbc_ini::SameName(part[i].first, whole[i].first)) return false;
    // The last entry may have been cut off inside its value.
    const bool last = i + 1 == part.size();
    if (last ? !StartsWith(whole[i].second, part[i].second) : part[i].second != whole[i].second) return false;
  }
  return true;
}

// `now` without the change's own section when it was cut before it was
// whole; true when one went.
bool RemoveCutOwnSection(const OdbcIniJournal& journal, std::string& now) {
  if (journal.change != OdbcIniJournal::Change::kCreate || journal.section.empty()) return false;
  const odbc_ini::Text written = odbc_ini::Parse(journal.after);
  const odbc_ini::Section* whole = written.Find(journal.section);
  if (whole == nullptr) return false;
  const odbc_ini::Entries wholeEntries = odbc_ini::EntriesOf(*whole);
  odbc_ini::Text text = odbc_ini::Parse(now);
  for (auto section = text.sections.begin(); section != text.sections.end(); ++section) {
    // Whole enough to carry its owner mark, it is a leftover like any other.
    OwnerMark mark;
    if (!odbc_ini::SameName(section->name, journal.section) ||
        ReadOwnerMark(odbc_ini::ValueOf(*section, "DESCRIPTION"), mark)) {
      continue;
    }
    if (EntriesBegin(odbc_ini::EntriesOf(*section), wholeEntries)) {
      text.sections.erase(section);
      now = text.Joined();
      return true;
    }
  }
  return false;
}

}  // namespace

std::string OwnerDescription(const OwnerMark& mark) {
  return std::string(kTemporaryDescription) + kOwnerOpening + mark.run +
         (mark.task.empty() ? std::string() : kTaskOpening + mark.task) + ")";
}

bool ReadOwnerMark(const std::string& description, OwnerMark& mark) {
  const std::string opening = std::string(kTemporaryDescription) + kOwnerOpening;
  if (!StartsWith(description, opening) || description.back() != ')') return false;
  mark.run = description.substr(opening.size(), description.size() - opening.size() - 1);
  mark.task.clear();
  const std::size_t task = mark.run.find(kTaskOpening);
  if (task != std::string::npos) {
    mark.task = mark.run.substr(task + std::strlen(kTaskOpening));
    mark.run.erase(task);
  }
  return true;
}

OdbcIniJournal OdbcIniJournal::Of(const std::string& before, const std::string& after, bool inPlace) {
  OdbcIniJournal journal;
  journal.before = before;
  journal.after = after;
  journal.inPlace = inPlace;
  journal.firstChange = CommonBeginning(before, after);
  return journal;
}

std::string OdbcIniJournal::Serialized() const {
  const std::string tail = after.substr(firstChange);
  return std::string(kFirstLine) + "\nfile " + file + "\nwriter " + writer + "\nchange " + ChangeWord(change) + " " +
         section + "\nwrite " + (inPlace ? "in-place " : "rename ") + std::to_string(firstChange) + " " +
         std::to_string(before.size()) + " " + std::to_string(tail.size()) + (mending ? " mending" : "") + "\n\n" +
         before + tail;
}

OdbcIniJournal OdbcIniJournal::Parse(const std::string& bytes) {
  OdbcIniJournal journal;
  journal.form = Form::kFormer;
  const std::size_t recordEnd = bytes.find("\n\n");
  const std::string firstLine = std::string(kFirstLine) + "\n";
  const bool current = StartsWith(bytes, firstLine);
  // Cut short before its record was whole: the write never began.
  if (StartsWith(firstLine, bytes) || (current && recordEnd == std::string::npos)) {
    journal.form = Form::kCutShort;
    return journal;
  }
  if ((!current && !StartsWith(bytes, std::string(kFormerFirstLine) + "\n")) || recordEnd == std::string::npos) {
    journal.before = bytes;
    return journal;
  }
  bool written = false;
  std::size_t beforeSize = 0;
  std::size_t tailSize = 0;
  for (std::size_t start = bytes.find('\n') + 1; start <= recordEnd;) {
    const std::size_t end = bytes.find('\n', start);
    const std::string line = bytes.substr(start, end - start);
    std::string value;
    if (Field(line, "file", value)) journal.file = value;
    if (Field(line, "writer", value)) journal.writer = value;
    if (Field(line, "change", value)) ReadChange(value, journal);
    if (Field(line, "write", value)) written = ReadWrite(value, journal, beforeSize, tailSize);
    start = end + 1;
  }
  const std::string body = bytes.substr(recordEnd + 2);
  if (!current || !written) {
    journal.before = body;
    return journal;
  }
  if (body.size() != beforeSize + tailSize) {
    journal.form = Form::kCutShort;
    return journal;
  }
  journal.form = Form::kWhole;
  journal.before = body.substr(0, beforeSize);
  journal.after = journal.before.substr(0, journal.firstChange) + body.substr(beforeSize);
  return journal;
}

OdbcIniRecovery Recover(const OdbcIniJournal& journal, const std::string& now) {
  OdbcIniRecovery recovery;
  if (journal.form == OdbcIniJournal::Form::kCutShort) return recovery;
  if (journal.form == OdbcIniJournal::Form::kWhole) {
    if (now == journal.after || (now == journal.before && !journal.mending)) return recovery;
    if (now == journal.before) {
      recovery.kind = OdbcIniRecovery::Kind::kFinish;
      recovery.text = journal.after;
      return recovery;
    }
    const std::size_t same = CommonBeginning(now, journal.after);
    if (journal.inPlace && same >= journal.firstChange) {
      // Cut at `same` (or ended there), then perhaps added to by hand.
      if (same == journal.after.size()) return recovery;
      recovery.kind = OdbcIniRecovery::Kind::kFinish;
      recovery.text = journal.after + now.substr(same);
      return recovery;
    }
  }
  recovery.kind = OdbcIniRecovery::Kind::kNotUsed;
  recovery.text = now;
  if (journal.form == OdbcIniJournal::Form::kWhole) recovery.sectionRemoved = RemoveCutOwnSection(journal, recovery.text);
  return recovery;
}

}  // namespace SQLUtilities
