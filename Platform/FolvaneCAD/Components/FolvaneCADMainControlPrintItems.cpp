// The main control's layers and print items. Print items (kind 1) and
// layers (kind 2, also called the print items' parts) are numbered from 1;
// layer 0 is the base layer, part of every print item.
#include "Components/FolvaneCADMainControl.h"

namespace FolvaneCAD {

namespace {

constexpr long kPrintItems = 1;
constexpr long kLayers = 2;
constexpr long kLayerOfItem = 3;  // CheckPrintItem: is a layer part of an item

int LayerCount(const Design& design) { return static_cast<int>(design.layers.size()); }
int ItemCount(const Design& design) { return static_cast<int>(design.printItems.size()); }

QK_TString NoLayer(long number, const Design& design) {
  return QK_TString::Format("No layer %ld (the design has %d layers)", number, LayerCount(design));
}

QK_TString NoPrintItem(long number, const Design& design) {
  return QK_TString::Format("No print item %ld (the design has %d print items)", number, ItemCount(design));
}

}  // namespace

// Index 0 switches every layer, -1 the last one.
Answer MainControl::SetLayer(const Arguments& args) {
  Design* design = DesignOrFail();
  if (design == nullptr) return Answer::Status(kStatusNoDesign);
  long index = args.Integer(0);
  bool on = args.Flag(1);
  if (index == 0) {
    for (Layer& layer : design->layers) layer.on = on;
    return Answer::Status(kStatusOk);
  }
  if (index == -1) index = LayerCount(*design);
  if (index < 1 || index > LayerCount(*design)) return Fail(VT_I2, kStatusFailed, NoLayer(args.Integer(0), *design));
  design->layers[index - 1].on = on;
  return Answer::Status(kStatusOk);
}

// Makes print item n current for the images and the values #ITEM$ and
// #NUPP; in a manufacturing file the items are numbered across its designs.
// Number 0 only builds the list, which the stand-in always has.
Answer MainControl::CreatePrintItems(const Arguments& args) {
  Document* document = DocumentOrFail();
  if (document == nullptr) return Answer::Status(kStatusNoDesign);
  long number = args.Integer(0);
  if (number == 0 || document->MakePrintItemCurrent(static_cast<int>(number))) return Answer::Status(kStatusOk);
  return Fail(VT_I2, kStatusFailed, QK_TString::Format("No print item %ld", number));
}

Answer MainControl::PrintItemCount(const Arguments& args) {
  Design* design = DesignOrFail();
  if (design == nullptr) return Answer::Failure(VT_I4, 0);
  long kind = args.Integer(0);
  if (kind == kPrintItems) return Answer::Count(ItemCount(*design));
  if (kind == kLayers) return Answer::Count(LayerCount(*design));
  return Fail(VT_I4, 0, QK_TString::Format("Unknown print-item kind %ld (1 print items, 2 layers)", kind));
}

Answer MainControl::PrintItemName(const Arguments& args) {
  Design* design = DesignOrFail();
  if (design == nullptr) return Answer::Failure(VT_BSTR, 0);
  long kind = args.Integer(0);
  long index = args.Integer(1);
  if (kind == kPrintItems) {
    if (index < 1 || index > ItemCount(*design)) return Fail(VT_BSTR, 0, NoPrintItem(index, *design));
    return Answer::Text(design->printItems[index - 1].name);
  }
  if (kind == kLayers) {
    if (index == 0) return Answer::Text("Base");
    if (index < 1 || index > LayerCount(*design)) return Fail(VT_BSTR, 0, NoLayer(index, *design));
    return Answer::Text(design->layers[index - 1].name);
  }
  return Fail(VT_BSTR, 0, QK_TString::Format("Unknown print-item kind %ld (1 print items, 2 layers)", kind));
}

// (item, 3, layer): 0 when the layer is part of the print item, 1 when not.
Answer MainControl::CheckPrintItem(const Arguments& args) {
  Design* design = DesignOrFail();
  if (design == nullptr) return Answer::Status(kStatusNoDesign);
  long item = args.Integer(0);
  long kind = args.Integer(1);
  long layer = args.Integer(2);
  if (kind != kLayerOfItem) {
    return Fail(VT_I2, kStatusFailed, QK_TString::Format("Unknown print-item check %ld (3 layer of item)", kind));
  }
  if (item < 1 || item > ItemCount(*design)) return Fail(VT_I2, kStatusFailed, NoPrintItem(item, *design));
  if (layer < 0 || layer > LayerCount(*design)) return Fail(VT_I2, kStatusFailed, NoLayer(layer, *design));
  bool part = layer == 0 || design->printItems[item - 1].HasLayer(static_cast<int>(layer));
  return Answer::Status(part ? 0 : 1);
}

// Makes a print item of the current design current; with the flag set, its
// layers are switched on and all others off. The first number is accepted
// as it comes.
Answer MainControl::SelectPrintItem(const Arguments& args) {
  Design* design = DesignOrFail();
  if (design == nullptr) return Answer::Status(kStatusNoDesign);
  long index = args.Integer(1);
  if (index < 1 || index > ItemCount(*design)) return Fail(VT_I2, kStatusFailed, NoPrintItem(index, *design));
  session_->document->SetCurrentPrintItem(static_cast<int>(index));
  if (args.Flag(2)) {
    const PrintItem& item = design->printItems[index - 1];
    for (int layer = 1; layer <= LayerCount(*design); ++layer) design->layers[layer - 1].on = item.HasLayer(layer);
  }
  return Answer::Status(kStatusOk);
}

Answer MainControl::DeletePrintItem(const Arguments& args) {
  Design* design = DesignOrFail();
  if (design == nullptr) return Answer::Status(kStatusNoDesign);
  long index = args.Integer(0);
  if (index < 1 || index > ItemCount(*design)) return Fail(VT_I2, kStatusFailed, NoPrintItem(index, *design));
  design->printItems.erase(design->printItems.begin() + (index - 1));
  int current = session_->document->currentPrintItem();
  if (current == index) session_->document->SetCurrentPrintItem(0);
  if (current > index) session_->document->SetCurrentPrintItem(current - 1);
  return Answer::Status(kStatusOk);
}

// Removes a part of the print items: layer n with its lines.
Answer MainControl::RemovePrintItem(const Arguments& args) {
  Design* design = DesignOrFail();
  if (design == nullptr) return Answer::Status(kStatusNoDesign);
  long index = args.Integer(0);
  if (index < 1 || index > LayerCount(*design)) return Fail(VT_I2, kStatusFailed, NoLayer(index, *design));
  design->RemoveLayer(static_cast<int>(index));
  return Answer::Status(kStatusOk);
}

}  // namespace FolvaneCAD
