#include "SQLUtilitiesJournal.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "OdbcIniText.h"

namespace SQLUtilities {

namespace {

constexpr char kFirstLine[] = "Shapejob odbc.ini journal";

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
  Mender(const OdbcIniJournal& journal, const std::string& now)
      : journal_(journal),
        before_(odbc_ini::Parse(journal.before)),
        now_(odbc_ini::Parse(now)),
        endsCut_(!now.empty() && now.back() != '\n') {}

  OdbcIniMending Mend() {
    OdbcIniMending mending;
    std::unordered_map<std::string, std::size_t> nowIndex;
    for (std::size_t i = 0; i < now_.sections.size(); ++i) {
      nowIndex.emplace(odbc_ini::FoldedName(now_.sections[i].name), i);
    }
    if (MendPart(now_.preamble, before_.preamble, now_.sections.empty())) ++mending.sectionsPutBack;

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
      const bool last = found->second + 1 == now_.sections.size();
      if (MendPart(now_.sections[found->second].text, section.text, last)) ++mending.sectionsPutBack;
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
    if (journal_.change != OdbcIniJournal::Change::kUnknown && !journal_.section.empty()) {
      mending.sectionRemoved = mended.Remove(journal_.section);
    }
    mending.text = mended.Joined();
    return mending;
  }

 private:
  bool IsTheChangesOwn(const std::string& name) const {
    return journal_.change != OdbcIniJournal::Change::kUnknown && odbc_ini::SameName(name, journal_.section);
  }

  // Puts back the copy's bytes `whole` of a part that the file holds only
  // a beginning of; true when it did.
  bool MendPart(std::string& part, const std::string& whole, bool lastOfFile) const {
    if (part.size() < whole.size() && StartsWith(whole, part)) {
      part = whole;
      return true;
    }
    if (!lastOfFile || !endsCut_) return false;
    const std::size_t lineEnd = part.rfind('\n');
    const std::size_t fragmentStart = lineEnd == std::string::npos ? 0 : lineEnd + 1;
    const std::string fragment = part.substr(fragmentStart);
    // The part of a line the writer cut off: the beginning of a line of the
    // copy, or of the header of the change's own section.
    const bool ownHeader = journal_.change != OdbcIniJournal::Change::kUnknown && !journal_.section.empty() &&
                           StartsWith("[" + journal_.section + "]", fragment);
    if (!ownHeader && !BeginsALine(journal_.before, fragment)) return false;
    if (!StartsWith(whole, part.substr(0, fragmentStart)) || part == whole) return false;
    part = whole;
    return true;
  }

  const OdbcIniJournal& journal_;
  const odbc_ini::Text before_;
  odbc_ini::Text now_;
  const bool endsCut_;
};

}  // namespace

std::string OdbcIniJournal::Serialized() const {
  return std::string(kFirstLine) + "\nfile " + file + "\nwriter " + writer + "\nchange " + ChangeWord(change) +
         " " + section + "\n\n" + before;
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

OdbcIniMending MendAfterStoppedChange(const OdbcIniJournal& journal, const std::string& now) {
  return Mender(journal, now).Mend();
}

}  // namespace SQLUtilities
