// Fills the run-standard record from a "runstandard" ticket: the standard to
// open, board code and description, units, grain direction, print side,
// post command script, the standard's variables and the new design's
// database facts. Also holds the reading steps that the split-design
// builder shares with it.
#pragma once

#include <cstdint>
#include <optional>

#include "AT_TTicket.h"
#include "QK_TString.h"
#include "QK_TURL.h"
#include "ShapejobTicketData.h"
#include "TW_TTask.h"
#include "XUtility.h"

namespace CAD {

// Keeps the XML library started while a builder lives. A builder declares
// it before its TicketReader, so the parsed document goes first.
class XmlLibraryScope {
 public:
  XmlLibraryScope();
  ~XmlLibraryScope();
  XmlLibraryScope(const XmlLibraryScope&) = delete;
  XmlLibraryScope& operator=(const XmlLibraryScope&) = delete;
};

// The text of a parameter as the ticket holds it (not resolved, not
// trimmed); "" for a missing optional key. A missing mandatory key, or a
// value that is not a text, throws QK_EException naming the key.
QK_TString TicketText(const TicketReader& reader, const char* key, TicketReader::Presence presence);

// The number at the start of a VERSION value (leading blanks and a sign
// allowed, anything after the digits ignored); nothing when there is no
// number there or it does not fit an int.
std::optional<std::int32_t> ParseVersion(const QK_TString& text);

// A design in the enterprise database: "@project:name", or
// "@project:version:name" for a version of 1 or more.
QK_TString DatabaseReference(const QK_TString& project, std::int32_t version, const QK_TString& name);

// Reads the design description and the people of a new design (all
// optional keys), logging each one.
void ReadDesignPeople(TicketReader& reader, DBInfo& info);

class RunStandardTicketBuilder {
 public:
  RunStandardTicketBuilder(AT_TTicket& ticket, const QK_TURL& inputFile, RunStandardTicketData& record, TW_TTask& task);
  ~RunStandardTicketBuilder() = default;
  RunStandardTicketBuilder(const RunStandardTicketBuilder&) = delete;
  RunStandardTicketBuilder& operator=(const RunStandardTicketBuilder&) = delete;

  // Reads every parameter of the ticket into the record; true when done.
  // A ticket that cannot be read throws (the run-standard ticket family,
  // QK_EException, or TaskError after reporting).
  bool BuildTicketData();

 private:
  void ReadStandard();
  void ReadEnterpriseSelection();
  void ReadStandardByName(const char* key);
  void ReadVersion();
  void ReadVariables();
  void ReadVariablesFromList();
  void ReadVariablesByXPath(const QK_TString& names, const QK_TString& values, VariableList& list);
  [[noreturn]] void ThrowVariableResolve(const QK_TString& names, const QK_TString& values, unsigned int line);

  XmlLibraryScope xmlLibrary_;
  TicketReader reader_;
  RunStandardTicketData& record_;
};

}  // namespace CAD
