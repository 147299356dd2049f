// Small records the ticket builders fill: one ticket variable, one command
// script of a shop-card ticket, one output of a shop-card ticket. Held by
// std::shared_ptr in the ticket-data records' lists. Also the reference to
// a design in the enterprise database, which builders and the CAD interface
// both write.
#pragma once

#include <cstdint>

#include "QK_TString.h"
#include "QK_TURL.h"

namespace CAD {

class Variable {
 public:
  virtual ~Variable() = default;
  QK_TString Name;
  QK_TString Value;
};

class CommandScript {
 public:
  virtual ~CommandScript() = default;
  QK_TString Name;   // the script to run
  QK_TString RunAt;  // "POST_OPEN", "PRE_REBUILD", "POST_REBUILD", "PRE_OUTPUT" or "POST_OUTPUT"
};

class OutputsInfo {
 public:
  virtual ~OutputsInfo() = default;
  void SetCopies(std::uint16_t copies) { Copies = copies; }
  void SetSampleType(QK_TString sampleType) { SampleType = std::move(sampleType); }

  QK_TString Name;  // the output's name in the CAD application
  QK_TURL OutputPathName;
  std::uint16_t Copies = 1;
  QK_TString PrintItem;  // "ALL" or a comma list of print items
  QK_TString SampleType;
};

// "@project:name", or "@project:version:name" for a version of 1 or more.
// The second form takes the version as its text, "0" standing for none.
QK_TString DatabaseReference(const QK_TString& project, std::int32_t version, const QK_TString& name);
QK_TString DatabaseReference(const QK_TString& project, const QK_TString& version, const QK_TString& name);
// Whether `reference` names a design of the enterprise database ("@...").
bool IsDatabaseReference(const QK_TString& reference);
// The design's name in a database reference: the text after its last ":".
QK_TString DatabaseDesignName(const QK_TString& reference);

}  // namespace CAD
