// One manufacturing-template entry nested the way the layout operation
// nests it: the template's parameters read once, then per nest the
// template opened again, its sheet size read, unit and orientation set, the
// layout object got, the nest run, the layout values collected and the
// layout object and design let go. Used by the end-to-end tests of the
// nesting against the CAD stand-in and by the nesting benchmark.
#pragma once

#include <cstdint>

#include "DRAVOInterface.h"

struct LayoutNestSite {
  explicit LayoutNestSite(CAD::DRAVOInterface& driver) : cad(driver) {}

  CAD::DRAVOInterface& cad;
  CAD::LOTicketParam ticket;
  CAD::StringMap entry;
  QK_TURL tryFolder;
  QK_TString timeScript;

  // Filled by Prepare.
  CAD::LayoutNestingInfo record;
  CAD::LayoutTemplateNames names;
  CAD::DesignInfo design;
  std::int16_t designCode = 0;

  // The template's parameters and the ticket's design, as an entry starts.
  void Prepare() {
    names.mfgTemplate = entry["MFG Template"];
    names.formatClass = entry["Format Class"];
    names.grainDirection = entry["Grain Direction"];
    record.parameters = entry;
    cad.SetMFGTemplate(names.mfgTemplate);
    cad.ApplyLayoutParameters(record, entry, ticket);
    cad.CloseDesign();
    QK_TString local;
    std::int32_t warning = 0;
    cad.OpenLayoutDesign(ticket.designPath, designCode, local, design, ticket.units, warning);
    names.designReference = local;
    record.designReference = ticket.designPath;
    record.designPath = local;
    record.crossGrain = ticket.crossGrain;
    record.grainCode = CAD::Orientation::kVertical;
  }

  struct Nest {
    CAD::LayoutNestingInfo record;
    CAD::StringMap values;
    QK_TURL mfg;
    int passResult = CAD::NestPassResult::kClean;
  };

  // One nest of `nestingCode` ("1" to "5") at `rotation` in `orientation`.
  // The layout object is released and the design closed also when the nest
  // throws.
  Nest Run(const QK_TString& nestingCode, double rotation, std::int16_t orientation) {
    Nest nest;
    nest.record = record;
    cad.SetMFGTemplate(names.mfgTemplate);
    cad.ApplySheetSize(nest.record, entry, ticket);
    const std::int16_t unit = ticket.units.EqualsIgnoreCase("Inch") ? CAD::UnitCode::kInches : CAD::UnitCode::kMillimetres;
    cad.SetOption29(unit);
    cad.SetOption28(orientation);
    nest.record.option29Code = unit;
    nest.record.orientationCode = orientation;
    nest.record.rotation = rotation;
    cad.GetLayoutObject();
    try {
      int code = 0;
      QK_TString nestingTypeSwap = "false";
      QK_TString gutterSwap = "false";
      cad.RunNesting(nest.record, "nest", nest.mfg, ticket, true, tryFolder, rotation, code, nestingCode, names,
                     orientation, designCode, nestingTypeSwap, gutterSwap, ticket.designPath, design, design,
                     timeScript, nest.passResult);
      cad.CollectLayoutValues(nest.values, nest.mfg, entry, nest.record, names, gutterSwap, nestingTypeSwap);
    } catch (...) {
      // A failed nest has let the layout object go already.
      cad.ReleaseLayoutObject();
      cad.CloseDesign();
      throw;
    }
    cad.ResetLayout();
    cad.ReleaseLayoutObject();
    cad.CloseDesign();
    return nest;
  }
};
