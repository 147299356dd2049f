#include "SQLUtilitiesJournal.h"

#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "OdbcIniText.h"

namespace SQLUtilities {

namespace {

constexpr char kFirstLine[] = "Shapejob odbc.ini journal";

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
  if (line.compare(0, opening.size(), opening) != 0) return false;
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

bool StartsWith(const std::string& text, const std::string& beginning) {
  return text.size() >= beginning.size() && text.compare(0, beginning.size(), beginning) == 0;
}

// True when `fragment` is the beginning of a line of `text`.
bool BeginsALine(const std::string& text, const std::string& fragment) {
  for (std::size_t start = 0; start < text.size();) {
    if (text.compare(start, fragment.size(), fragment) == 0) return true;
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

class Mender {
 public:
  Mender(const OdbcIniJournal& journal, const std::string& now, bool writerEnded)
      : journal_(journal),
        before_(odbc_ini::Parse(journal.before)),
        now_(odbc_ini::Parse(now)),
        writerEnded_(writerEnded) {
    if (!now.empty() && now.back() != '\n') DropCutLine();
  }

  OdbcIniMending Mend() {
    OdbcIniMending mending;
    std::unordered_map<std::string, std::size_t> nowIndex;
    for (std::size_t i = 0; i < now_.sections.size(); ++i) {
      nowIndex.emplace(odbc_ini::FoldedName(now_.sections[i].name), i);
    }
    if (MendPart(now_.preamble, before_.preamble)) ++mending.sectionsPutBack;

    // Sections the file lacks, each after the section it followed in the
    // copy ("" for the start of the file).
    std::unordered_map<std::string, std::vector<const odbc_ini::Section*>> putBackAfter;
    std::string anchor;
    std::unordered_set<std::string> seen;
    for (const odbc_ini::Section& section : before_.sections) {
      const std::string key = odbc_ini::FoldedName(section.name);
      if (IsTheChangesOwn(section.name) || !seen.insert(key).second) continue;
      const auto found = nowIndex.find(key);
      if (found == nowIndex.end()) {
        putBackAfter[anchor].push_back(&section);
        ++mending.sectionsPutBack;
        continue;
      }
      anchor = key;
      if (MendPart(now_.sections[found->second].text, section.text)) ++mending.sectionsPutBack;
    }

    odbc_ini::Text mended;
    mended.preamble = now_.preamble;
    const auto putBack = [&](const std::string& key) {
      const auto queued = putBackAfter.find(key);
      if (queued == putBackAfter.end()) return;
      for (const odbc_ini::Section* section : queued->second) mended.sections.push_back(*section);
      putBackAfter.erase(queued);
    };
    putBack(std::string());
    for (odbc_ini::Section& section : now_.sections) {
      const std::string key = odbc_ini::FoldedName(section.name);
      mended.sections.push_back(std::move(section));
      putBack(key);
    }
    const odbc_ini::Section* own = IsKnown() ? mended.Find(journal_.section) : nullptr;
    if (own != nullptr && writerEnded_ && IsTheWritersOwn(*own, own == &mended.sections.back())) {
      mending.sectionRemoved = mended.Remove(journal_.section);
    }
    // A part put back from a copy whose last line had no line end must not
    // run into the header after it.
    for (std::size_t i = 0; i + 1 < mended.sections.size(); ++i) {
      std::string& text = mended.sections[i].text;
      if (!text.empty() && text.back() != '\n') text += '\n';
    }
    if (!mended.sections.empty() && !mended.preamble.empty() && mended.preamble.back() != '\n') {
      mended.preamble += '\n';
    }
    mending.text = mended.Joined();
    return mending;
  }

 private:
  bool IsKnown() const { return journal_.change != OdbcIniJournal::Change::kUnknown && !journal_.section.empty(); }

  bool IsTheChangesOwn(const std::string& name) const {
    return IsKnown() && odbc_ini::SameName(name, journal_.section);
  }

  // True when the section is the stopped writer's: its description names
  // the writer's run, or, the file's last section, it was cut off before
  // its description.
  bool IsTheWritersOwn(const odbc_ini::Section& section, bool last) const {
    const std::string description = odbc_ini::ValueOf(section, "DESCRIPTION");
    // Every mark ends in ")": one without it was cut off.
    if (description.empty() || description.back() != ')') return last;
    OwnerMark mark;
    return !journal_.writer.empty() && ReadOwnerMark(description, mark) && mark.run == journal_.writer;
  }

  // Takes the part of a line that ends the file away when a writer cut it
  // off: it begins a line of the copy, or the change's own header, and
  // stands in a section the copy holds, or is a header of its own.
  void DropCutLine() {
    std::string& part = now_.sections.empty() ? now_.preamble : now_.sections.back().text;
    const std::size_t lineEnd = part.rfind('\n');
    const std::size_t start = lineEnd == std::string::npos ? 0 : lineEnd + 1;
    const std::string fragment = part.substr(start);
    const bool ownHeader = IsKnown() && StartsWith("[" + journal_.section + "]", fragment);
    if (!ownHeader && !BeginsALine(journal_.before, fragment)) return;
    const bool ownLine = now_.sections.empty() || start == 0 || before_.Find(now_.sections.back().name) != nullptr;
    if (!ownLine) return;
    part.erase(start);
    if (!now_.sections.empty() && part.empty()) now_.sections.pop_back();
  }

  // Puts back the copy's bytes `whole` of a part that the file holds only
  // a beginning of; true when it did.
  static bool MendPart(std::string& part, const std::string& whole) {
    if (part.size() >= whole.size() || !StartsWith(whole, part)) return false;
    part = whole;
    return true;
  }

  const OdbcIniJournal& journal_;
  const odbc_ini::Text before_;
  odbc_ini::Text now_;
  const bool writerEnded_;
};

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

std::string OdbcIniJournal::Serialized() const {
  return std::string(kFirstLine) + "\nfile " + file + "\nwriter " + writer + "\nchange " + ChangeWord(change) + " " +
         section + "\n\n" + before;
}

OdbcIniJournal OdbcIniJournal::Parse(const std::string& bytes) {
  OdbcIniJournal journal;
  const std::string opening = std::string(kFirstLine) + "\n";
  const std::size_t recordEnd = bytes.find("\n\n");
  if (!StartsWith(bytes, opening) || recordEnd == std::string::npos) {
    journal.before = bytes;
    return journal;
  }
  for (std::size_t start = opening.size(); start <= recordEnd;) {
    const std::size_t end = bytes.find('\n', start);
    const std::string line = bytes.substr(start, end - start);
    std::string value;
    if (Field(line, "file", value)) journal.file = value;
    if (Field(line, "writer", value)) journal.writer = value;
    if (Field(line, "change", value)) ReadChange(value, journal);
    start = end + 1;
  }
  journal.before = bytes.substr(recordEnd + 2);
  return journal;
}

OdbcIniMending MendAfterStoppedChange(const OdbcIniJournal& journal, const std::string& now, bool writerEnded) {
  return Mender(journal, now, writerEnded).Mend();
}

}  // namespace SQLUtilities
