// What the files of the design-information operations share.
#pragma once

#include "DRAVOInterface.h"

namespace CAD {

// CreatePrintItemThumbnails' design index that leaves the index out of the
// image names.
constexpr std::int32_t kNoDesignIndex = -1;
// The option OpenStandard takes for the standard of an existing design.
constexpr std::int16_t kDesignStandardOption = 0;

// A JPEG thumbnail of the open design (its current print item) at `path`,
// `width` by `height` pixels, in the JPEG quality `quality` (0 to 100).
// Answers the CAD application's status.
inline std::int16_t ExportThumbnailImage(DRAVOInterface& cad, const QK_TString& path, std::int16_t width,
                                         std::int16_t height, std::uint32_t quality) {
  // The image kind and the two settings the CAD application wants for a
  // thumbnail; their meaning is the application's.
  constexpr std::int16_t kThumbnailKind = 1;
  constexpr std::int32_t kThumbnailSetting = 10;
  constexpr std::int32_t kThumbnailOption = 0;
  const std::int16_t imageSetting = cad.GetImageSetting60();
  const std::int16_t industry = cad.GetIndustryCode();
  return cad.ExportImage(kThumbnailKind, path, width, height, kThumbnailSetting, imageSetting, industry,
                         kThumbnailOption, static_cast<std::int32_t>(quality));
}

}  // namespace CAD
