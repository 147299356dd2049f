// A task ticket: the action name that selects the work and the parameter
// dictionary (texts, booleans, integers, arrays of dictionaries).
#pragma once

#include "QK_TDict.h"
#include "QK_TString.h"

class AT_TTicket {
 public:
  AT_TTicket() = default;
  AT_TTicket(QK_TString actionName, QK_TDict parameters)
      : actionName_(std::move(actionName)), parameters_(std::move(parameters)) {}

  const QK_TString& GetActionName() const { return actionName_; }
  const QK_TDict& GetParameters() const { return parameters_; }
  QK_TDict& GetParameters() { return parameters_; }

 private:
  QK_TString actionName_;
  QK_TDict parameters_;
};
