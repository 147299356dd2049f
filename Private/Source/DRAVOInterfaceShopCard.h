// What the shop-card and split operations share: the codes of the print-item
// calls and the texts of the shop-card ticket they compare with.
#pragma once

#include <cstdint>

#include "QK_TString.h"

namespace CAD {

// The kind argument of GetPrintItemCount, GetPrintItemName and CheckPrintItem.
namespace PrintItemKind {
// The print items of the open design.
constexpr std::int32_t kPrintItem = 1;
// Their parts: the layers a print item is made of.
constexpr std::int32_t kPart = 2;
// CheckPrintItem(item, kPartOfItem, part): whether the part belongs to the item.
constexpr std::int32_t kPartOfItem = 3;
}  // namespace PrintItemKind

// CheckPrintItem's answer for a part that belongs to no print item asked about.
constexpr std::int16_t kPartOfNoItem = 1;

// SelectPrintItem(kSelectPrintItem, index, kShowOnlyItsLayers): the print
// item becomes current and only its layers stay on.
constexpr std::int32_t kSelectPrintItem = 1;
constexpr std::int16_t kShowOnlyItsLayers = 1;

// SetLayer's index for every layer and for the last one, and its flags.
namespace LayerIndex {
constexpr std::int32_t kAll = 0;
constexpr std::int32_t kLast = -1;
}  // namespace LayerIndex
constexpr std::int16_t kLayerOff = 0;
constexpr std::int16_t kLayerOn = 1;

// The ticket's rebuildDesign value that asks for a rebuild.
constexpr std::int32_t kRebuildRequested = 1;

// The print-item word of an output that selects every print item.
inline const QK_TString kAllPrintItemsWord(L"ALL");
// The extension of the CAD application's design files.
inline const QK_TString kNativeDesignExtension(L".kpx");

}  // namespace CAD
