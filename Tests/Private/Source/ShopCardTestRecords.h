// Test helper: the parts of a shop-card record that the shop-card tests
// build, as the ticket builders would fill them.
#pragma once

#include <memory>
#include <string>

#include "ShapejobTicketData.h"

// An output named `name` of `copies` copies, to `target` when one is given.
inline std::shared_ptr<CAD::OutputsInfo> ShopCardOutput(const char* name, const std::string& target = "",
                                                        std::uint16_t copies = 1,
                                                        const char* printItem = "") {
  auto output = std::make_shared<CAD::OutputsInfo>();
  output->Name = name;
  output->SampleType = "1";
  output->Copies = copies;
  output->PrintItem = printItem;
  if (!target.empty()) output->OutputPathName = QK_TURL(QK_TString(target));
  return output;
}

inline void AddCommandScript(CAD::ShopCardTicketData& record, const char* phase, const char* script) {
  auto command = std::make_shared<CAD::CommandScript>();
  command->RunAt = phase;
  command->Name = script;
  record.commandScripts.push_back(command);
}

inline void AddShopCardVariable(CAD::ShopCardTicketData& record, const char* name, const char* value) {
  auto variable = std::make_shared<CAD::Variable>();
  variable->Name = name;
  variable->Value = value;
  record.variables.push_back(variable);
}
