// Preparing a design for a shop-card output: the ticket's variables, the
// rebuild between its two hook scripts, the layers, and each output's list
// of print items. A refusal of the CAD application is reported and the step
// goes on; none of them throws for one.
#include <cstdlib>
#include <limits>

#include "DRAVOInterface.h"
#include "DRAVOInterfaceShopCard.h"
#include "DRAVOInterfaceShopCardRun.h"
#include "ShapejobCodes.h"

namespace CAD {

namespace {

const QK_TString kLastLayer(L"LAST");

// A layer number of a layer list: a whole number of 1 or more, nothing else
// in the item. 0 and -1 would address every layer or the last one.
bool ParseLayerNumber(const QK_TString& item, std::int32_t& number) {
  const std::string& text = item.str();
  if (text.empty()) return false;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || value < 1 || value > std::numeric_limits<std::int32_t>::max()) return false;
  number = static_cast<std::int32_t>(value);
  return true;
}

}  // namespace

void ShopCardRun::RunHook(const char* phase, const char* key) {
  const QK_TString& script = record.GetCommandScript(phase);
  if (script.Empty()) return;
  cad.Report(Severity::kInformation, key, QK_TAny(script));
  if (cad.RunCommand(script) != Status::kDone) {
    cad.Report(Severity::kError, "shapejobs.message.dravoerrorstring", QK_TAny(cad.GetErrorString()));
  }
}

std::int16_t DRAVOInterface::RebuildDesign(const ShopCardTicketData& record) {
  ShopCardRun steps(*this, record);
  steps.RunHook("PRE_REBUILD", "shapejobs.message.shopcarddoprerebuild");
  Report(Severity::kInformation, "shapejobs.message.shopcarddorebuild");
  const std::int16_t status = Rebuild();
  if (status != Status::kDone) {
    Report(Severity::kError, "shapejobs.message.dravoerrorstring", QK_TAny(GetErrorString()));
  }
  steps.RunHook("POST_REBUILD", "shapejobs.message.shopcarddopostrebuild");
  return status;
}

void DRAVOInterface::SetShopCardVariables(const ShopCardTicketData& record) {
  Report(Severity::kInformation, "shapejobs.message.shopcarddovariables");
  for (const auto& variable : record.variables) {
    if (!variable || variable->Name.Empty()) continue;
    const QK_TString& name = variable->Name;
    const QK_TString& value = variable->Value;
    std::int16_t status;
    if (name.EndsWith("$")) {
      status = SetStringVariable(name, value);
      if (status != Status::kDone) status = AddStringVariable(name, value);
    } else {
      const double number = std::atof(value.c_str());
      status = SetNumericVariable(name, number);
      if (status != Status::kDone) status = AddNumericVariable(name, number);
    }
    // The key names the variable itself, so that the message says which one.
    if (status != Status::kDone) {
      const QK_TString key = name + "\t" + value;
      Report(Severity::kError, key.c_str(), QK_TAny(GetErrorString()));
    }
  }
}

void DRAVOInterface::ApplyLayerClasses(const ShopCardTicketData& record) {
  const QK_TString& classes = record.layerClasses;
  Report(Severity::kInformation, "shapejobs.message.shopcarddolayers", QK_TAny(classes));
  auto setLayer = [this](std::int32_t index, std::int16_t on) {
    if (SetLayer(index, on) != Status::kDone) {
      Report(Severity::kError, "shapejobs.message.dravoerrorstring", QK_TAny(GetErrorString()));
    }
  };
  if (classes.EqualsIgnoreCase(kAllPrintItemsWord)) return setLayer(LayerIndex::kAll, kLayerOn);
  if (classes.EqualsIgnoreCase(kLastLayer)) return setLayer(LayerIndex::kLast, kLayerOn);
  setLayer(LayerIndex::kAll, kLayerOff);
  for (const QK_TString& item : SplitText(classes, ',')) {
    std::int32_t number = 0;
    if (ParseLayerNumber(item, number)) {
      setLayer(number, kLayerOn);
    } else {
      Report(Severity::kError, "shapejobs.message.dravoerrorstring",
             QK_TAny(QK_TString::Format("Layer \"%s\" is no layer number: skipped", item.c_str())));
    }
  }
}

void DRAVOInterface::CollectOutputPrintItems(const ShopCardTicketData& record, PrintItemNameLists& lists,
                                             PrintItemNameLists& namedLists) {
  for (const auto& output : record.outputs) {
    std::vector<QK_TString> names;
    if (output) names = SplitText(output->PrintItem.ToUpper(), ',');
    if (!names.empty()) namedLists.push_back(names);
    lists.push_back(std::move(names));
  }
}

std::vector<QK_TString> DRAVOInterface::SplitText(const QK_TString& text, char delimiter) {
  std::vector<QK_TString> pieces;
  std::string piece;
  auto keep = [&pieces](const std::string& raw) {
    QK_TString trimmed = QK_TString(raw).Trim();
    if (!trimmed.Empty()) pieces.push_back(trimmed);
  };
  for (char c : text.str()) {
    if (c == delimiter) {
      keep(piece);
      piece.clear();
    } else {
      piece += c;
    }
  }
  keep(piece);
  return pieces;
}

}  // namespace CAD
