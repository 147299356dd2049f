#include "SQLUtilitiesJournal.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
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

// The lines after a section's header that hold something, without their
// line ends.
std::vector<std::string> Lines(const odbc_ini::Section& section) {
  std::vector<std::string> lines;
  const std::string& text = section.text;
  for (std::size_t start = LineEnd(text, 0) + 1; start < text.size(); start = LineEnd(text, start) + 1) {
    if (!IsBlankOrComment(text, start)) lines.push_back(text.substr(start, LineEnd(text, start) - start));
  }
  return lines;
}

// A line as the installer reads it, whatever the layout: an entry as
// "key=value", the key folded and neither with blanks at either end; any
// other line folded and without them.
std::string ReadLine(const std::string& line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos) return odbc_ini::FoldedName(odbc_ini::Trimmed(line));
  return odbc_ini::FoldedName(odbc_ini::Trimmed(line.substr(0, equals))) + "=" +
         odbc_ini::Trimmed(line.substr(equals + 1));
}

std::vector<std::string> Read(const odbc_ini::Section& section) {
  std::vector<std::string> read;
  for (const std::string& line : Lines(section)) read.push_back(ReadLine(line));
  return read;
}

// The section as the installer writes it back: "[name]", each line as
// "key=value" (a line without "=" gets one), no comments, an empty line.
std::string InstallerLayout(const odbc_ini::Section& section) {
  std::string text = "[" + section.name + "]\n";
  for (const std::string& line : Lines(section)) {
    const std::size_t equals = line.find('=');
    text += odbc_ini::Trimmed(line.substr(0, equals)) + "=" +
            (equals == std::string::npos ? std::string() : odbc_ini::Trimmed(line.substr(equals + 1))) + "\n";
  }
  return text + "\n";
}

// Whether two sections read alike, comments and blank lines aside.
bool ReadsAs(const odbc_ini::Section& a, const odbc_ini::Section& b) {
  return odbc_ini::SameName(a.name, b.name) && Read(a) == Read(b);
}

// A section's header: "[name]", "[name" (cut short), or another form.
enum class Header { kClosed, kCut, kOther };
Header HeaderOf(const odbc_ini::Section& section) {
  const std::string header = odbc_ini::Trimmed(section.text.substr(0, LineEnd(section.text, 0)));
  return header == "[" + section.name + "]" ? Header::kClosed
         : header == "[" + section.name     ? Header::kCut
                                            : Header::kOther;
}

// Whether the read line `held` is the read line `whole`; when it is the
// `last` a write came to, a beginning of it: cut inside the key or the
// value, or cut inside the key and closed with "=" by the installer.
bool Begins(const std::string& held, const std::string& whole, bool last) {
  if (!last) return held == whole;
  if (odbc_ini::StartsWith(whole, held)) return true;
  const bool closedKey = held.size() > 1 && held.find('=') == held.size() - 1;
  return closedKey && odbc_ini::StartsWith(whole, held.substr(0, held.size() - 1));
}

// Whether `section`, read as the installer reads it, is `whole` cut short:
// a header "[name" or "[name]" whose name begins whole's (with nothing
// after it when it is shorter or unclosed), then a proper beginning of
// whole's lines.
bool BeginsReadAs(const odbc_ini::Section& section, const odbc_ini::Section& whole) {
  const Header header = HeaderOf(section);
  const bool cutHeader = header == Header::kCut;
  if (header == Header::kOther) return false;
  if (!odbc_ini::StartsWith(odbc_ini::FoldedName(whole.name), odbc_ini::FoldedName(section.name))) return false;
  const bool shorter = !odbc_ini::SameName(section.name, whole.name) || cutHeader;
  const std::vector<std::string> lines = Read(section);
  const std::vector<std::string> written = Read(whole);
  if ((shorter && !lines.empty()) || lines.size() > written.size()) return false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!Begins(lines[i], written[i], i + 1 == lines.size())) return false;
  }
  return shorter || lines != written;
}

// Whether the lines of `text` from byte `from` on are blank or comments.
bool HoldsNothingFrom(const std::string& text, std::size_t from) {
  for (std::size_t line = from; line < text.size(); line = LineEnd(text, line) + 1) {
    if (!IsBlankOrComment(text, line)) return false;
  }
  return true;
}

// Whether the bytes `text` are a proper beginning of `whole`, followed
// perhaps by the line end that closes a cut line, then blank lines and
// comments only: those are set as `added`.
bool BeginsLiterally(const std::string& text, const std::string& whole, std::string& added) {
  const std::size_t same = odbc_ini::CommonBeginning(text, whole);
  if (same == 0 || same == whole.size()) return false;
  std::size_t rest = same;
  if (text[same - 1] != '\n' && rest < text.size()) {
    if (text[rest] != '\n') return false;
    ++rest;
  }
  if (!HoldsNothingFrom(text, rest)) return false;
  added = text.substr(rest);
  return true;
}

// Where each section of `text` begins.
std::vector<std::size_t> Places(const odbc_ini::Text& text) {
  std::vector<std::size_t> places;
  std::size_t at = text.preamble.size();
  for (const odbc_ini::Section& section : text.sections) {
    places.push_back(at);
    at += section.text.size();
  }
  return places;
}

// The first of the sections of `text` whose bytes reach past byte `from`:
// those that a write that had come so far had still to write.
std::size_t FirstFrom(const odbc_ini::Text& text, std::size_t from) {
  const std::vector<std::size_t> places = Places(text);
  std::size_t first = 0;
  while (first < places.size() && places[first] + text.sections[first].text.size() <= from) ++first;
  return first;
}

// The folded names of the sections of `text` from its `first` on.
std::set<std::string> Names(const odbc_ini::Text& text, std::size_t first) {
  std::set<std::string> names;
  for (std::size_t i = first; i < text.sections.size(); ++i) names.insert(odbc_ini::FoldedName(text.sections[i].name));
  return names;
}

// Appends `piece` to `text`, on a line of its own.
void Append(std::string& text, const std::string& piece) {
  if (!text.empty() && text.back() != '\n' && !piece.empty()) text += '\n';
  text += piece;
}

// ---- the file read against a write in place that was stopped ----

// The file as the next change found it (F), merged section by section
// with the write the journal guards (SQLUtilitiesJournal.h).
class Merge {
 public:
  Merge(const OdbcIniJournal& journal, const std::string& now)
      : journal_(journal),
        bytes_(now),
        before_(odbc_ini::Parse(journal.before)),
        after_(odbc_ini::Parse(journal.after)),
        now_(odbc_ini::Parse(now)),
        places_(Places(after_)),
        nowPlaces_(Places(now_)),
        first_(FirstFrom(after_, journal.firstChange)),
        holdsBefore_(odbc_ini::StartsWith(now, journal.after.substr(0, journal.firstChange))) {
    for (std::size_t j = first_; j < after_.sections.size(); ++j) {
      if (journal.change == OdbcIniJournal::Change::kCreate &&
          odbc_ini::SameName(after_.sections[j].name, journal.section)) {
        own_ = j;
      }
    }
    // A mending write's O was a cut file: only what stood before d was
    // the site's.
    const std::vector<std::size_t> beforePlaces = Places(before_);
    for (std::size_t i = 0; i < before_.sections.size(); ++i) {
      const std::size_t end = beforePlaces[i] + before_.sections[i].text.size();
      const bool beforeD = end <= journal.firstChange && end < journal.before.size();
      if (!journal.mending || beforeD) heldBefore_.push_back(&before_.sections[i]);
    }
  }

  OdbcIniRecovery Result() const {
    OdbcIniRecovery recovery;
    recovery.text = bytes_;
    if (NotBegun()) return recovery;
    const std::vector<Fragment> own = OwnFragments();
    std::vector<Fragment> fragments = own;
    std::optional<std::size_t> cut;    // N's section the write was cut in
    std::optional<std::size_t> place;  // the file's section after which the missing ones go
    if (own.size() > 1 || !FindCut(cut, place, fragments)) {
      recovery.kind = OdbcIniRecovery::Kind::kNotUsed;
      recovery.text = Rebuilt(own, false, std::nullopt, recovery.removed);
      return recovery;
    }
    recovery.text = Rebuilt(fragments, true, place, recovery.putBack, cut ? *cut + 1 : first_);
    recovery.kind = recovery.text == bytes_ ? OdbcIniRecovery::Kind::kNothing : OdbcIniRecovery::Kind::kFinish;
    if (recovery.text == bytes_) recovery.putBack.clear();
    return recovery;
  }

 private:
  // The file's section `in`, which is N's section `of` cut short, and
  // what came after the cut in it.
  struct Fragment {
    std::size_t in;
    std::size_t of;
    std::string added;
  };
  static const Fragment* Find(const std::vector<Fragment>& fragments, std::size_t in) {
    const auto found = std::find_if(fragments.begin(), fragments.end(), [in](const Fragment& f) { return f.in == in; });
    return found == fragments.end() ? nullptr : &*found;
  }

  // A write that takes sections out cuts the file first: where it still
  // holds one of them whole, the write had not begun. A mending write was
  // to replace a cut file, whatever it held.
  bool NotBegun() const {
    if (journal_.mending) return false;
    const std::set<std::string> written = Names(after_, 0);
    for (std::size_t i = FirstFrom(before_, journal_.firstChange); i < before_.sections.size(); ++i) {
      const odbc_ini::Section& removed = before_.sections[i];
      if (written.count(odbc_ini::FoldedName(removed.name)) != 0) continue;
      for (const odbc_ini::Section& section : now_.sections) {
        if (HeaderOf(section) == Header::kClosed && ReadsAs(section, removed)) return true;
      }
    }
    return false;
  }

  // Pairs the file's sections with N's of their names: in order, each with
  // the next of its name after the last one paired, and what is left with
  // the first of its name still free. Sets `heldBy` for each of N's
  // sections; false when the file holds a name still to write more often
  // than N does.
  bool Pair(std::vector<std::optional<std::size_t>>& heldBy) const {
    heldBy.assign(after_.sections.size(), std::nullopt);
    std::map<std::string, std::vector<std::size_t>> ofName;
    for (std::size_t j = 0; j < after_.sections.size(); ++j) {
      ofName[odbc_ini::FoldedName(after_.sections[j].name)].push_back(j);
    }
    std::vector<std::size_t> unpaired;
    std::size_t next = 0;
    for (std::size_t i = 0; i < now_.sections.size(); ++i) {
      const auto found = ofName.find(odbc_ini::FoldedName(now_.sections[i].name));
      if (found == ofName.end()) continue;
      const auto at = std::lower_bound(found->second.begin(), found->second.end(), next);
      if (at == found->second.end() || heldBy[*at]) {
        unpaired.push_back(i);
        continue;
      }
      heldBy[*at] = i;
      next = *at + 1;
    }
    for (std::size_t i : unpaired) {
      const std::vector<std::size_t>& same = ofName[odbc_ini::FoldedName(now_.sections[i].name)];
      const auto free = std::find_if(same.begin(), same.end(), [&](std::size_t j) { return !heldBy[j]; });
      if (free != same.end()) {
        heldBy[*free] = i;
      } else if (same.back() >= first_) {
        return false;
      }
    }
    return true;
  }

  // The cut: the last of N's sections still to write that the file holds
  // by name, or else a header that begins the name of the next one and is
  // a fragment of it; a fragment is added to `fragments`. `place` is the
  // file's section that holds the cut one or, with no cut, the last that
  // holds one of N's before them. False when the file holds a name more
  // often than N does, or two headers could be that fragment.
  bool FindCut(std::optional<std::size_t>& cut, std::optional<std::size_t>& place,
               std::vector<Fragment>& fragments) const {
    std::vector<std::optional<std::size_t>> heldBy;
    if (!Pair(heldBy)) return false;
    for (std::size_t j = 0; j < heldBy.size(); ++j) {
      if (!heldBy[j]) continue;
      if (j >= first_) cut = j;
      if (j >= first_ || !place || *heldBy[j] > *place) place = heldBy[j];
    }
    Fragment fragment{place.value_or(0), cut.value_or(0), {}};
    // Nothing after a fragment was written.
    if (cut && IsFragment(fragment.in, fragment.of, fragment.added)) {
      if (Find(fragments, fragment.in) == nullptr) fragments.push_back(fragment);
      return true;
    }
    const std::size_t next = cut ? *cut + 1 : first_;
    std::size_t found = 0;
    for (std::size_t i = 0; next < after_.sections.size() && i < now_.sections.size(); ++i) {
      fragment = Fragment{i, next, {}};
      if (odbc_ini::SameName(now_.sections[i].name, after_.sections[next].name) ||
          !IsFragment(i, next, fragment.added) || found++ > 0) {
        continue;
      }
      if (Find(fragments, i) == nullptr) fragments.push_back(fragment);
      cut = next;
      place = i;
    }
    return found <= 1;
  }

  // Whether the file's section `i` is N's section `j` cut short by the
  // write. Where nothing before it changed, at its own place, only N's
  // bytes count, as written or as the installer writes them back; so
  // does, for the data source being made, anywhere in a file that holds
  // O's bytes before d. Elsewhere the section as the installer reads it,
  // unless the file held such a section before the write.
  bool IsFragment(std::size_t i, std::size_t j, std::string& added) const {
    const odbc_ini::Section& section = now_.sections[i];
    const std::size_t place = nowPlaces_[i];
    added.clear();
    if (place == places_[j] && bytes_.compare(0, place, journal_.after, 0, place) == 0) {
      if (BeginsLiterally(section.text, after_.sections[j].text, added)) return true;
      if (section.text != InstallerLayout(section)) return false;
    } else if (j == own_ && holdsBefore_) {
      return false;
    }
    if (!BeginsReadAs(section, after_.sections[j])) return false;
    for (const odbc_ini::Section* held : heldBefore_) {
      if (ReadsAs(*held, section)) return false;
    }
    return true;
  }

  // What the write left of the data source it was creating: none where
  // that data source stands whole, and no shorter header where its own
  // header was written whole.
  std::vector<Fragment> OwnFragments() const {
    std::vector<Fragment> found;
    std::vector<Fragment> wholeHeader;
    for (std::size_t i = 0; own_ && i < now_.sections.size(); ++i) {
      if (ReadsAs(now_.sections[i], after_.sections[*own_])) return {};
      Fragment fragment{i, *own_, {}};
      if (!IsFragment(i, *own_, fragment.added)) continue;
      found.push_back(fragment);
      if (odbc_ini::SameName(now_.sections[i].name, journal_.section)) wholeHeader.push_back(fragment);
    }
    return wholeHeader.empty() ? found : wholeHeader;
  }

  // The file with each of `fragments` made whole (or, not `whole`, taken
  // out), followed by the comments that came after its cut, and N's sections
  // from `missing` on put back after the file's section `place` (before
  // all of them when there is none); the data source being made comes
  // back only from what is left of it. `names` gets the sections put back
  // or taken out.
  std::string Rebuilt(const std::vector<Fragment>& fragments, bool whole, std::optional<std::size_t> place,
                      std::vector<std::string>& names, std::size_t missing = std::string::npos) const {
    std::string text = now_.preamble;
    const auto putBack = [&]() {
      for (std::size_t j = missing; j < after_.sections.size(); ++j) {
        if (j == own_) continue;
        Append(text, after_.sections[j].text);
        names.push_back(after_.sections[j].name);
      }
    };
    if (!place) putBack();
    for (std::size_t i = 0; i < now_.sections.size(); ++i) {
      const Fragment* fragment = Find(fragments, i);
      if (fragment == nullptr) {
        Append(text, now_.sections[i].text);
      } else {
        names.push_back(now_.sections[i].name);
        if (whole) names.back() = after_.sections[fragment->of].name;
        if (whole) Append(text, after_.sections[fragment->of].text);
      }
      if (place && i == *place) putBack();
      // Blank lines after a cut are no edit; comments are.
      if (fragment != nullptr && fragment->added.find_first_not_of(" \t\r\n") != std::string::npos) {
        Append(text, fragment->added);
      }
    }
    return text;
  }

  const OdbcIniJournal& journal_;
  const std::string& bytes_;
  const odbc_ini::Text before_;  // O
  const odbc_ini::Text after_;   // N
  const odbc_ini::Text now_;     // F
  const std::vector<std::size_t> places_;
  const std::vector<std::size_t> nowPlaces_;
  const std::size_t first_;  // N's first section still to write
  const bool holdsBefore_;   // the file holds O's bytes before d
  std::optional<std::size_t> own_;  // N's section of the data source the write creates
  std::vector<const odbc_ini::Section*> heldBefore_;  // O's sections that were the site's
};

// Whether the file is `state` (O or N, written by rename) followed only
// by blank lines, comments and whole sections that the write had nothing
// to do with.
bool Extends(const std::string& now, const std::string& state, const OdbcIniJournal& journal) {
  if (!odbc_ini::StartsWith(now, state)) return false;
  std::size_t from = state.size();
  if (!state.empty() && state.back() != '\n' && from < now.size()) {
    if (now[from] != '\n') return false;
    ++from;
  }
  const odbc_ini::Text added = odbc_ini::Parse(now.substr(from));
  if (!HoldsNothingFrom(added.preamble, 0)) return false;
  const odbc_ini::Text before = odbc_ini::Parse(journal.before);
  const odbc_ini::Text after = odbc_ini::Parse(journal.after);
  std::set<std::string> written = Names(before, FirstFrom(before, journal.firstChange));
  written.merge(Names(after, FirstFrom(after, journal.firstChange)));
  for (const std::string& name : Names(added, 0)) {
    if (written.count(name) != 0) return false;
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
  // A write by rename leaves O or N whole; a mending one was to replace a
  // file that was itself cut.
  if (!journal.inPlace && !journal.mending) {
    if (Extends(now, journal.before, journal) || Extends(now, journal.after, journal)) {
      recovery.kind = OdbcIniRecovery::Kind::kNothing;
    }
    return recovery;
  }
  return Merge(journal, now).Result();
}

}  // namespace SQLUtilities
