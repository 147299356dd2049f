#include "SQLUtilitiesJournal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace SQLUtilities {

namespace {

constexpr char kFirstLine[] = "Shapejob odbc.ini journal 4\n";

constexpr char kTemporaryDescription[] = "New Temporary DSN for Shapejob";
constexpr char kOwnerOpening[] = " (run ";
constexpr char kTaskOpening[] = " task ";

using Kind = odbc_ini::Edit::Kind;

const std::pair<Kind, const char*> kRangeWords[] = {
    {Kind::kAppend, "append"}, {Kind::kTruncate, "truncate"}, {Kind::kBlank, "blank"}};

// Whether the file goes on at `from` with blank lines and comments, then
// a section's header or its end: what somebody else wrote after a cut.
bool SectionOrEndAt(const std::string& text, std::size_t from) {
  for (std::size_t line = from; line < text.size(); line = std::min(text.find('\n', line), text.size() - 1) + 1) {
    if (!odbc_ini::IsBlankOrComment(text, line)) return text[line] == '[';
  }
  return true;
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
  const char* word = "unknown";
  for (const auto& [kind, name] : kRangeWords) word = kind == edit.kind ? name : word;
  const char* changeWord = change == Change::kCreate ? "create" : change == Change::kRemove ? "remove" : "unknown";
  return std::string(kFirstLine) + "file " + file + "\ninode " + inode + "\nwriter " + writer + "\nchange " +
         changeWord + " " + section + "\nrange " + word + " " + std::to_string(edit.at) + " " +
         std::to_string(edit.bytes.size()) + "\nafter " + after + "\n\n" + edit.bytes;
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
  std::size_t length = std::string::npos;
  for (std::size_t start = std::strlen(kFirstLine); start < recordEnd;) {
    const std::size_t end = bytes.find('\n', start);
    const std::size_t blank = bytes.find(' ', start);
    const std::string word = bytes.substr(start, std::min(blank, end) - start);
    const std::string value = blank < end ? bytes.substr(blank + 1, end - blank - 1) : std::string();
    if (word == "file") journal.file = value;
    if (word == "inode") journal.inode = value;
    if (word == "writer") journal.writer = value;
    if (word == "after") journal.after = value;
    if (word == "change") {
      const std::size_t space = value.find(' ');
      journal.change = value.compare(0, space, "create") == 0   ? Change::kCreate
                       : value.compare(0, space, "remove") == 0 ? Change::kRemove
                                                                : Change::kUnknown;
      journal.section = space == std::string::npos ? std::string() : value.substr(space + 1);
    }
    char kind[16] = {};
    unsigned long long at = 0, size = 0;
    if (word == "range" && std::sscanf(value.c_str(), "%15s %llu %llu", kind, &at, &size) == 3) {
      for (const auto& [range, name] : kRangeWords) {
        if (kind == std::string(name)) journal.edit.kind = range;
      }
      journal.edit.at = static_cast<std::size_t>(at);
      length = static_cast<std::size_t>(size);
    }
    start = end + 1;
  }
  if (journal.edit.kind == Kind::kNone || length == std::string::npos) return journal;
  journal.edit.bytes = bytes.substr(recordEnd + 2);
  journal.form = journal.edit.bytes.size() == length ? Form::kWhole : Form::kCutShort;
  return journal;
}

namespace {

// The stopped writer's bytes where the journal's offset holds them.
OdbcIniRange AtItsOffset(const OdbcIniJournal& journal, const std::string& now) {
  const odbc_ini::Edit& edit = journal.edit;
  const std::string& bytes = edit.bytes;
  OdbcIniRange range{OdbcIniRange::State::kOther, edit.at, 0};
  if (now.size() == edit.at && edit.kind != Kind::kBlank) return OdbcIniRange{OdbcIniRange::State::kGone, edit.at, 0};
  if (now.size() < edit.at) return range;
  // Each byte as written, as it stood, or blanked; "\r\n" read as "\n". An
  // append's first line end closed the site's last line: it stays the site's.
  std::size_t i = edit.at;
  std::size_t j = edit.kind == Kind::kAppend && bytes.compare(0, 1, "\n") == 0 && now[i] == '\n' ? 1 : 0;
  range.at = i += j;
  while (i < now.size() && j < bytes.size()) {
    const bool fileCrlf = now.compare(i, 2, "\r\n") == 0 && bytes[j] == '\n';
    const bool journalCrlf = bytes.compare(j, 2, "\r\n") == 0 && now[i] == '\n';
    if (!fileCrlf && !journalCrlf && now[i] != bytes[j] && now[i] != ' ' && now[i] != ';') break;
    i += fileCrlf ? 2 : 1;
    j += journalCrlf ? 2 : 1;
  }
  if (edit.kind != Kind::kAppend) {
    // A range taken out is held whole, or not at all, as a section: the
    // beginning of a longer one is somebody else's.
    if (j < bytes.size() || (range.at > 0 && now[range.at - 1] != '\n') || !SectionOrEndAt(now, i)) return range;
  } else if (i < now.size()) {
    // What an append wrote, then somebody else's: a cut line closed by
    // its line end, then blank lines and comments, then a section.
    if (i == range.at) return range;
    if (now[i - 1] != '\n') {
      if (now[i] != '\n' && now.compare(i, 2, "\r\n") != 0) return range;
      i += now[i] == '\n' ? 1 : 2;
    }
    if (!SectionOrEndAt(now, i)) return range;
  }
  range.size = i - range.at;
  // Not as blanking leaves it: blanks, the last perhaps a line end.
  const bool left = range.size > 0 && now.find_first_not_of(' ', range.at) < i - (now[i - 1] == '\n' ? 1 : 0);
  range.state = left ? OdbcIniRange::State::kPart : OdbcIniRange::State::kGone;
  return range;
}

// The bytes of `section` through its last line that is no blank line or
// comment: the comments after it are somebody else's.
std::size_t ThroughLastLine(const std::string& section) {
  std::size_t size = 0;
  for (std::size_t at = 0, next; at < section.size(); at = next) {
    next = std::min(section.find('\n', at), section.size() - 1) + 1;
    if (!odbc_ini::IsBlankOrComment(section, at)) size = next;
  }
  return size;
}

// The stopped writer's remains wherever they stand: the one section whose
// lines it may have left.
OdbcIniRange Located(const OdbcIniJournal& journal, const std::string& now) {
  const odbc_ini::Text text = odbc_ini::Parse(now);
  const bool append = journal.edit.kind == Kind::kAppend;
  const std::vector<std::string> written = odbc_ini::LinesOf(journal.edit.bytes);
  // What a take-out leaves before each of its steps, line by line.
  std::vector<std::vector<std::string>> steps;
  std::string range = journal.edit.bytes;
  for (const odbc_ini::Step& step : append ? std::vector<odbc_ini::Step>() : odbc_ini::BlankingSteps(range)) {
    steps.push_back(odbc_ini::LinesOf(range));
    range.replace(step.at, step.bytes.size(), step.bytes);
  }
  OdbcIniRange found{OdbcIniRange::State::kOther, journal.edit.at, 0};
  std::size_t at = text.preamble.size();
  int places = 0;
  std::string before;  // the name of the section before
  for (const odbc_ini::Section& section : text.sections) {
    const std::vector<std::string> left = odbc_ini::LinesOf(section.text);
    // A cut header may be a site's section whose name begins the data
    // source's: only the one right where the append began is the writer's.
    const bool ours = append ? LeftOfWrite(left, written) && (odbc_ini::SameName(section.name, journal.section) ||
                                                              odbc_ini::SameName(before, journal.after))
                             : std::find(steps.begin(), steps.end(), left) != steps.end();
    if (ours && ++places == 1) found = OdbcIniRange{OdbcIniRange::State::kPart, at, ThroughLastLine(section.text)};
    at += section.text.size();
    before = section.name;
  }
  return places == 1 ? found : OdbcIniRange{OdbcIniRange::State::kOther, journal.edit.at, 0};
}

}  // namespace

bool LeftOfWrite(const std::vector<std::string>& left, const std::vector<std::string>& written) {
  if (left.empty() || left.size() > written.size() || !std::equal(left.begin(), left.end() - 1, written.begin())) {
    return false;
  }
  const std::string& last = left.back();
  const std::string& whole = written[left.size() - 1];
  const bool closed = last.back() == '=' || last.back() == ']';
  return odbc_ini::StartsWith(whole, last) || (closed && odbc_ini::StartsWith(whole, last.substr(0, last.size() - 1)));
}

OdbcIniRange RangeIn(const OdbcIniJournal& journal, const std::string& now) {
  const OdbcIniRange range = AtItsOffset(journal, now);
  return range.state != OdbcIniRange::State::kOther ? range : Located(journal, now);
}

}  // namespace SQLUtilities
