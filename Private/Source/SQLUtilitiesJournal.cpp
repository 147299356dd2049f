#include "SQLUtilitiesJournal.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
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

// The text after "<word> " of a record line; false for another word.
bool Field(const std::string& line, const char* word, std::string& value) {
  const std::string opening = std::string(word) + " ";
  if (!odbc_ini::StartsWith(line, opening)) return false;
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

// ---- lines and sections of the file ----

bool IsLineStart(const std::string& text, std::size_t at) { return at == 0 || text[at - 1] == '\n'; }

// Where the line that begins at `start` ends: its line end, or the end of
// the text.
std::size_t LineEnd(const std::string& text, std::size_t start) {
  const std::size_t end = text.find('\n', start);
  return end == std::string::npos ? text.size() : end;
}

// A line that holds nothing: blank, or a comment.
bool IsBlankOrComment(const std::string& text, std::size_t start) {
  const std::size_t first = text.find_first_not_of(" \t\r", start);
  return first >= LineEnd(text, start) || text[first] == ';' || text[first] == '#';
}

// A whole header: "[", the name, "]".
bool IsWholeHeader(const std::string& text, std::size_t start) {
  return start < text.size() && text[start] == '[' && text.find(']', start) < LineEnd(text, start);
}

// Whether `text` from byte `from` on is a tail of `whole`.
bool IsTailOf(const std::string& whole, const std::string& text, std::size_t from) {
  const std::size_t length = text.size() - from;
  return length <= whole.size() && whole.compare(whole.size() - length, length, text, from, length) == 0;
}

// The sections of `text` whose bytes reach past byte `from`: those that a
// write that had come so far had still to write.
std::vector<const odbc_ini::Section*> SectionsFrom(const odbc_ini::Text& text, std::size_t from) {
  std::vector<const odbc_ini::Section*> sections;
  std::size_t end = text.preamble.size();
  for (const odbc_ini::Section& section : text.sections) {
    end += section.text.size();
    if (end > from) sections.push_back(&section);
  }
  return sections;
}

// ---- what a stopped write left of its data source ----

// The lines of a section after its header, without their line ends and
// without the blank lines that close it.
std::vector<std::string> Body(const odbc_ini::Section& section) {
  std::vector<std::string> lines;
  for (std::size_t start = LineEnd(section.text, 0) + 1; start < section.text.size();) {
    const std::size_t end = LineEnd(section.text, start);
    lines.push_back(section.text.substr(start, end - start));
    start = end + 1;
  }
  while (!lines.empty() && odbc_ini::Trimmed(lines.back()).empty()) lines.pop_back();
  return lines;
}

// A line of a section as the installer reads it, whatever the layout: an
// entry as "key=value", the key folded and neither with blanks at either
// end; any other line folded and without them.
std::string ReadLine(const std::string& line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos) return odbc_ini::FoldedName(odbc_ini::Trimmed(line));
  return odbc_ini::FoldedName(odbc_ini::Trimmed(line.substr(0, equals))) + "=" +
         odbc_ini::Trimmed(line.substr(equals + 1));
}

std::vector<std::string> Read(const std::vector<std::string>& lines) {
  std::vector<std::string> read;
  for (const std::string& line : lines) read.push_back(ReadLine(line));
  return read;
}

// Whether `line` holds the line `written`, in whatever layout; when it is
// the `last` the write came to, a beginning of it: cut inside the key or
// the value, or cut inside the key and closed with "=" by a tool that
// rewrote the file.
bool Holds(const std::string& line, const std::string& written, bool last) {
  const std::string held = ReadLine(line);
  const std::string whole = ReadLine(written);
  if (!last) return held == whole;
  if (odbc_ini::StartsWith(whole, held)) return true;
  const bool closedKey = held.size() > 1 && held.find('=') == held.size() - 1;
  return closedKey && odbc_ini::StartsWith(whole, held.substr(0, held.size() - 1));
}

// Whether `section` is what a stopped write left of `own`, the data source
// it was writing, and nobody else's: the file held no such section before.
bool IsRemainsOf(const odbc_ini::Section& section, const odbc_ini::Section& own, const odbc_ini::Text& before) {
  const std::vector<std::string> lines = Body(section);
  const std::vector<std::string> written = Body(own);
  const bool wholeName = odbc_ini::SameName(section.name, own.name);
  // A shorter name is a cut header, with nothing after it.
  if (!wholeName &&
      (!lines.empty() || !odbc_ini::StartsWith(odbc_ini::FoldedName(own.name), odbc_ini::FoldedName(section.name)))) {
    return false;
  }
  const std::string header = odbc_ini::Trimmed(section.text.substr(0, LineEnd(section.text, 0)));
  if (header != "[" + section.name && header != "[" + section.name + "]") return false;
  if (lines.size() > written.size()) return false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!Holds(lines[i], written[i], i + 1 == lines.size())) return false;
  }
  const bool whole =
      wholeName && lines.size() == written.size() && (lines.empty() || Holds(lines.back(), written.back(), false));
  if (whole) return false;
  for (const odbc_ini::Section& held : before.sections) {
    if (odbc_ini::SameName(held.name, section.name) && Read(Body(held)) == Read(lines)) return false;
  }
  return true;
}

// Whether `section` holds all that the write gave `own`, whatever the layout.
bool IsWhole(const odbc_ini::Section& section, const odbc_ini::Section& own) {
  return odbc_ini::SameName(section.name, own.name) && Read(Body(section)) == Read(Body(own));
}

// The file as the next change found it, and the write the journal guards.
struct Found {
  Found(const OdbcIniJournal& journal, const std::string& now)
      : journal(journal), now(now), written(odbc_ini::Parse(journal.after)) {
    // A write by rename leaves nothing cut short.
    if (!journal.inPlace || journal.section.empty()) return;
    const odbc_ini::Section* own = nullptr;
    for (const odbc_ini::Section* section : SectionsFrom(written, journal.firstChange)) {
      if (odbc_ini::SameName(section->name, journal.section)) own = section;
    }
    if (own != nullptr) FindRemains(*own);
  }
  Found(const Found&) = delete;
  Found& operator=(const Found&) = delete;

  const OdbcIniJournal& journal;
  const std::string& now;
  const odbc_ini::Text written;  // N
  // The section the write left in `now` of the data source it was
  // creating, if any: where it begins, its bytes and its name.
  struct Remains {
    std::size_t at;
    std::size_t size;
    std::string name;
  };
  std::optional<Remains> remains;

 private:
  // A write leaves at most one section cut short of `own`: the first that
  // looks like one, and none where `own` stands whole (what follows it
  // came later).
  void FindRemains(const odbc_ini::Section& own) {
    const odbc_ini::Text before = odbc_ini::Parse(journal.before);
    const odbc_ini::Text parsed = odbc_ini::Parse(now);
    std::size_t at = parsed.preamble.size();
    for (const odbc_ini::Section& section : parsed.sections) {
      if (IsWhole(section, own)) {
        remains.reset();
        return;
      }
      if (!remains && IsRemainsOf(section, own, before)) remains = Remains{at, section.text.size(), section.name};
      at += section.text.size();
    }
  }
};

// Takes what the stopped write left of the data source it was creating
// out of `text` (the file as found); returns the name of the section that
// went, if one did.
std::optional<std::string> RemoveRemains(const Found& found, std::string& text) {
  if (!found.remains) return std::nullopt;
  text.erase(found.remains->at, found.remains->size);
  return found.remains->name;
}

// ---- readings of the file after a stopped write ----

// Whether what follows the first `kept` bytes of the file counts as
// appended to a state that had still to write N from byte `from` on
// (SQLUtilitiesJournal.h); nothing following counts too.
bool Appended(const Found& found, std::size_t kept, std::size_t from) {
  const std::string& now = found.now;
  if (kept == now.size()) return true;
  if (IsTailOf(found.journal.after, now, kept) || IsTailOf(found.journal.before, now, kept)) return false;
  std::size_t line = kept;
  if (!IsLineStart(now, kept)) {
    if (now[kept] != '\n') return false;
    line = kept + 1;
  }
  while (line < now.size() && IsBlankOrComment(now, line)) line = LineEnd(now, line) + 1;
  // What the write left of its data source is no append.
  if (!IsWholeHeader(now, line) || (found.remains && found.remains->at >= line)) return false;
  std::set<std::string> stillToWrite;
  for (const odbc_ini::Section* section : SectionsFrom(found.written, from)) {
    stillToWrite.insert(odbc_ini::FoldedName(section->name));
  }
  for (const odbc_ini::Section& section : odbc_ini::Parse(now.substr(line)).sections) {
    if (stillToWrite.count(odbc_ini::FoldedName(section.name)) != 0) return false;
  }
  return true;
}

// N, followed by what was appended after the first `kept` bytes of the
// file. The line end that closed a cut line is N's own.
std::string Finished(const Found& found, std::size_t kept) {
  const std::string& after = found.journal.after;
  const bool closesCutLine = !IsLineStart(found.now, kept) && kept < found.now.size();
  const bool endsWithLineEnd = after.empty() || after.back() == '\n';
  const std::string appended = found.now.substr(closesCutLine && endsWithLineEnd ? kept + 1 : kept);
  // N's last line may have no line end: what follows it starts a line.
  const bool opensLine = endsWithLineEnd || appended.empty() || appended.front() == '\n';
  return after + (opensLine ? "" : "\n") + appended;
}

// The lengths at which an in-place write may have been cut, leaving the
// file: where the file stops being a beginning of N, or the start of that
// line when it is an appended header or blank, or the line end that
// closes it. Only lengths of at least d that are not O itself.
std::vector<std::size_t> CutLengths(const Found& found) {
  const std::string& now = found.now;
  const OdbcIniJournal& journal = found.journal;
  const std::size_t same = odbc_ini::CommonBeginning(now, journal.after);
  std::vector<std::size_t> lengths;
  if (same == now.size()) {
    lengths.push_back(same);
  } else {
    const std::size_t line = same == 0 ? 0 : now.rfind('\n', same - 1) + 1;
    if (IsWholeHeader(now, line)) lengths.push_back(line);
    if (LineEnd(now, line) == same) {
      lengths.push_back(same);
    } else if (IsBlankOrComment(now, line)) {
      lengths.push_back(line);
    }
  }
  std::vector<std::size_t> states;
  for (std::size_t length : lengths) {
    const bool isBefore = length == journal.firstChange && length == journal.before.size();
    if (length >= journal.firstChange && !isBefore) states.push_back(length);
  }
  return states;
}

// What the readings of the file say it is to hold, each once.
std::vector<std::string> Outcomes(const Found& found) {
  const OdbcIniJournal& journal = found.journal;
  const std::string& now = found.now;
  std::vector<std::string> outcomes;
  const auto add = [&outcomes](std::string outcome) {
    for (const std::string& known : outcomes) {
      if (known == outcome) return;
    }
    outcomes.push_back(std::move(outcome));
  };
  // Not begun; a mending write from O is finished all the same.
  if (odbc_ini::StartsWith(now, journal.before) && Appended(found, journal.before.size(), journal.firstChange)) {
    add(journal.mending ? Finished(found, journal.before.size()) : now);
  }
  if (!journal.inPlace) {
    if (odbc_ini::StartsWith(now, journal.after) && Appended(found, journal.after.size(), journal.after.size())) {
      add(now);
    }
    return outcomes;
  }
  for (std::size_t length : CutLengths(found)) {
    if (Appended(found, length, length)) add(Finished(found, length));
  }
  return outcomes;
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

OdbcIniJournal OdbcIniJournal::Of(const std::string& before, const std::string& after, bool inPlace) {
  OdbcIniJournal journal;
  journal.before = before;
  journal.after = after;
  journal.inPlace = inPlace;
  journal.firstChange = odbc_ini::CommonBeginning(before, after);
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
  const bool current = odbc_ini::StartsWith(bytes, firstLine);
  // Cut short before its record was whole: the write never began.
  if (odbc_ini::StartsWith(firstLine, bytes) || (current && recordEnd == std::string::npos)) {
    journal.form = Form::kCutShort;
    return journal;
  }
  const bool former = odbc_ini::StartsWith(bytes, std::string(kFormerFirstLine) + "\n");
  if ((!current && !former) || recordEnd == std::string::npos) {
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
  recovery.text = now;
  if (journal.form == OdbcIniJournal::Form::kCutShort) return recovery;
  recovery.kind = OdbcIniRecovery::Kind::kNotUsed;
  if (journal.form == OdbcIniJournal::Form::kFormer) return recovery;
  const Found found(journal, now);
  const std::vector<std::string> outcomes = Outcomes(found);
  if (outcomes.size() == 1) {
    recovery.kind = outcomes.front() == now ? OdbcIniRecovery::Kind::kNothing : OdbcIniRecovery::Kind::kFinish;
    recovery.text = outcomes.front();
    return recovery;
  }
  recovery.remains = RemoveRemains(found, recovery.text);
  return recovery;
}

}  // namespace SQLUtilities
