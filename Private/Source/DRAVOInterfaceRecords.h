// Design facts carried between the ticket builders, the task and the CAD
// operations.
#pragma once

#include <cstdint>
#include <map>

#include "QK_TString.h"

namespace CAD {

// One custom variable that a ticket asks to be evaluated and exported.
class CustomVariable {
 public:
  virtual ~CustomVariable() = default;
  QK_TString name;
  QK_TString type;        // "Numeric" or "Text"
  QK_TString expression;  // the CAD expression or variable to evaluate
};

// The facts read from one opened design.
class DesignInfo {
 public:
  DesignInfo() = default;
  DesignInfo(const DesignInfo& other) = default;
  DesignInfo& operator=(const DesignInfo& other) = default;
  virtual ~DesignInfo() = default;

  QK_TString designName;
  QK_TString boardCode;
  QK_TString boardDescription;
  QK_TString units;                // "millimeters" or "inches"
  double productBlankArea = 0.0;  // square centimetres
  std::map<QK_TString, QK_TString> values;  // menu and custom variables by name
  double manufacturingSizeX = 0.0;
  double manufacturingSizeY = 0.0;
  std::int16_t industryCode = 0;  // 1 corrugated, 2 folding carton
};

}  // namespace CAD
