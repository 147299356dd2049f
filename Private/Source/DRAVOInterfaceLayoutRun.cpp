// The loops of the layout operation: each entry over its grain passes and
// orientations, each orientation over its rotations and nesting types (again
// while the fill search goes on), one nest, and the delivery of the best
// nest of an orientation as a result.
#include "DRAVOInterfaceLayoutRun.h"

#include <boost/lexical_cast.hpp>
#include <cstdlib>
#include <string>

#include "DravoException.h"
#include "FileNameParts.h"
#include "QK_TFile.h"
#include "ShapejobCodes.h"

namespace CAD {

namespace {

// The kind of document the custom variables are evaluated on: the layout.
const QK_TString kLayoutDocumentKind(L"MFG");
constexpr double kTurnedRotation = 180.0;

// The ticket's units with the unit code the layout takes.
const struct {
  const char* unit;
  std::int16_t code;
} kUnits[] = {{"Inch", UnitCode::kInches}, {"mm", UnitCode::kMillimetres}};

// The grain code a grain word gives an entry; 0 for any other word.
std::int16_t GrainCodeOf(const QK_TString& word) {
  if (word.EqualsIgnoreCase(kHorizontal)) return Orientation::kHorizontal;
  if (word.EqualsIgnoreCase(kVertical)) return Orientation::kVertical;
  return 0;
}

bool AnyPassPending(const NestingSearchState& search) {
  return search.fillPassPending || search.strategyOnePassPending;
}

bool FillsFirst(const LayoutNestingInfo& record) {
  return record.allocationStrategy == AllocationStrategy::kSearchFillFirst;
}

// Locations no earlier result of the ticket has for the manufacturing file
// and its preview: "_<id>" (then "_<id>_<n>") before the extension while
// either is taken. The base name follows them.
void TakeLocation(DRAVOInterface& cad, DRAVOInterface::LayoutRun& run, DRAVOInterface::LayoutNestResult& nest,
                  int id) {
  const QK_TString stem = StemOf(nest.location.FileName());
  const QK_TString firstName = nest.baseName;
  const QK_TURL first = nest.location;
  const auto name = [&](const QK_TString& suffix) { return suffix.Empty() ? firstName : stem + suffix; };
  const auto location = [&](const QK_TString& suffix) {
    if (suffix.Empty()) return first;
    QK_TURL named = first.Parent().Child(stem + suffix);
    DRAVOInterface::ChangeExtension(named, kManufacturingExtension);
    return named;
  };
  const bool preview = run.ticket.generatePreview;
  const auto previewOf = [&](const QK_TString& suffix) {
    return cad.EntryPreviewLocation(name(suffix), run.tryFolder, run.ticket);
  };
  DeliveredLocations& delivered = *run.delivered;
  const QK_TString suffix = DRAVOInterface::LayoutRun::FreeSuffix(id, [&](const QK_TString& candidate) {
    return delivered.Has(location(candidate)) || (preview && delivered.Has(previewOf(candidate)));
  });
  nest.baseName = name(suffix);
  nest.location = location(suffix);
  delivered.Add(nest.location);
  if (preview) {
    nest.preview = previewOf(suffix);
    delivered.Add(nest.preview);
  }
}

// Records the round's best nest as the fill search's next pending pass;
// false when both passes are recorded (the nest is then delivered).
bool RecordSearchPass(DRAVOInterface::LayoutEntry& entry, const DRAVOInterface::LayoutNestResult& best) {
  NestingSearchState& search = entry.search;
  const std::int32_t x = std::stoi(ValueOf(*best.values, "OneupsInXDirection").str());
  const std::int32_t y = std::stoi(ValueOf(*best.values, "OneupsInYDirection").str());
  const bool found = x >= 0 || y >= 0;
  const bool fillPass =
      search.fillPassPending && (FillsFirst(entry.record) || !search.strategyOnePassPending);
  if (fillPass) {
    search.nextX = search.fillPassX = x;
    search.nextY = search.fillPassY = y;
    if (found) search.fillPassPending = false;
    search.searchContinues = found;
    return true;
  }
  if (!search.strategyOnePassPending) return false;
  search.strategyOneX = x;
  search.strategyOneY = y;
  if (found) search.strategyOnePassPending = false;
  search.searchContinues = found && !(x < search.fillPassX && y < search.fillPassY);
  if (!FillsFirst(entry.record)) {
    // Strategy 4 searches on with the rotation and nesting type that nested best.
    entry.rotations = {best.rotation};
    entry.nestingTypes = {best.nestingType};
  }
  return true;
}

// The candidates of a round as the best-nest choice takes them.
int SelectBest(const std::vector<DRAVOInterface::LayoutNestResult>& pass) {
  std::vector<std::shared_ptr<StringMap>> values;
  std::vector<DesignInfo> designs;
  std::vector<StringMapList> customValues;
  for (const auto& nest : pass) {
    values.push_back(nest.values);
    designs.push_back(nest.design);
    customValues.push_back(nest.customValues);
  }
  StringMap bestValues;
  DesignInfo bestDesign;
  StringMapList bestCustomValues;
  return DRAVOInterface::SelectBestNest(values, designs, customValues, bestValues, bestDesign,
                                        bestCustomValues);
}

}  // namespace

bool DRAVOInterface::LayoutEntry::Searching() const {
  return (record.allocationStrategy == AllocationStrategy::kSearchFillFirst ||
          record.allocationStrategy == AllocationStrategy::kSearchStrategyOneFirst) &&
         record.fillSheet.EqualsIgnoreCase(kYes);
}

void DRAVOInterface::RunLayoutEntry(LayoutRun& run, const StringMap& values) {
  const LOTicketParam& ticket = run.ticket;
  LayoutEntry entry(values);
  LayoutTemplateNames& names = entry.names;
  try {
    names.formatClass = ValueOf(values, "Format Class");
    names.mfgTemplate = ValueOf(values, "MFG Template");
    names.grainDirection = ValueOf(values, "Grain Direction");
    if (names.formatClass.Empty()) {
      Report(Severity::kError, "shapejobs.error.formatclassempty");
      QK_THROW(EmptyFormatClassException());
    }
    if (names.mfgTemplate.Empty()) {
      Report(Severity::kError, "shapejobs.error.mfgtemplatenameempty");
      QK_THROW(EmptyMFGTemplateNameException());
    }
    entry.record.parameters = values;
    SetMFGTemplate(names.mfgTemplate);
    ApplyLayoutParameters(entry.record, values, ticket);
    CloseDesign();

    std::set<std::int16_t> orientations;
    GetGrainOrientations(orientations, names.grainDirection, ticket.crossGrain);
    entry.record.crossGrain = ticket.crossGrain;
    entry.record.grainCode = GrainCodeOf(names.grainDirection);
    const bool twoPasses =
        ticket.crossGrain.EqualsIgnoreCase(kYes) && names.grainDirection.EqualsIgnoreCase(kBoth);

    OpenLayoutEntryDesign(run, entry);
    entry.unitCode = 0;
    for (const auto& unit : kUnits) {
      if (ticket.units.EqualsIgnoreCase(unit.unit)) entry.unitCode = unit.code;
    }
    if (entry.unitCode == 0) {
      Report(Severity::kError, "shapejobs.error.invalidunit", QK_TAny(ticket.units));
      QK_THROW(InvalidUnitException());
    }
    Report(Severity::kInformation, "shapejobs.message.unit",
           QK_TAny(QK_TString::Format("%d", entry.unitCode)));
    if (ticket.nestingTypes.empty()) {
      Report(Severity::kError, "shapejobs.message.invalidnesttype");
      QK_THROW(NestFailedException());
    }

    for (int pass = 0; pass < (twoPasses ? 2 : 1); ++pass) {
      if (twoPasses) entry.record.grainCode = pass == 0 ? Orientation::kVertical : Orientation::kHorizontal;
      for (std::int16_t orientation : orientations) RunLayoutOrientation(run, entry, orientation);
    }
  } catch (const DravoException&) {
    HandleLayoutFailure(run, entry);
  }
}

void DRAVOInterface::OpenLayoutEntryDesign(LayoutRun& run, LayoutEntry& entry) {
  const LOTicketParam& ticket = run.ticket;
  LayoutTemplateNames& names = entry.names;
  names.designName = ValueOf(entry.values, "Design Name");
  const QK_TString& design = names.designName.Empty() ? ticket.designPath : names.designName;
  if (design.Empty()) QK_THROW(EmptyDesignNameException(QK_TString("The Design Name is empty")));

  QK_TString local;
  std::int32_t warning = 0;
  if (!names.designName.Empty()) {
    OpenLayoutDesign(design, entry.designCode, local, entry.namedDesign, ticket.units, warning);
    names.namedDesignReference = local;
  } else {
    OpenLayoutDesign(design, entry.designCode, local, entry.pathDesign, ticket.units, warning);
    names.designReference = local;
    run.separateDesign = entry.pathDesign;
  }
  entry.record.designReference = design;
  entry.record.designPath = local;
  PreparePrintItemDesign(entry.values, entry.record, design, warning);
  if (warning == 1) run.warning = 1;
}

void DRAVOInterface::RunLayoutOrientation(LayoutRun& run, LayoutEntry& entry, std::int16_t orientation) {
  ++run.orientationPasses;
  entry.retries = 0;
  // Each orientation searches afresh: its one-up counts are its own.
  entry.search = NestingSearchState();
  entry.rotations = {0.0};
  if (layoutVersionFlag) entry.rotations.push_back(kTurnedRotation);
  entry.nestingTypes.assign(run.ticket.nestingTypes.begin(), run.ticket.nestingTypes.end());
  do {
    std::vector<LayoutNestResult> pass;
    const std::vector<double> rotations = entry.rotations;
    const std::vector<QK_TString> nestingTypes = entry.nestingTypes;
    for (double rotation : rotations) {
      for (const QK_TString& nestingType : nestingTypes) {
        RunGuardedLayoutNest(run, entry, orientation, rotation, nestingType, pass);
      }
    }
    const int best = SelectBest(pass);
    for (int i = 0; i < static_cast<int>(pass.size()); ++i) {
      // A search nest saved where results go is none unless it is the best.
      if (pass[i].kept && i != best) {
        QK_TFile::Remove(pass[i].location);
        run.delivered->Remove(pass[i].location);
        if (!pass[i].preview.Empty()) run.delivered->Remove(pass[i].preview);
      }
    }
    if (best < 0) return;
    LayoutNestResult& chosen = pass[static_cast<std::size_t>(best)];
    if (!entry.Searching() || !RecordSearchPass(entry, chosen)) DeliverLayoutResult(run, entry, chosen);
  } while (entry.Searching() && entry.search.searchContinues);
}

bool DRAVOInterface::RunGuardedLayoutNest(LayoutRun& run, LayoutEntry& entry, std::int16_t orientation,
                                          double rotation, const QK_TString& nestingType,
                                          std::vector<LayoutNestResult>& pass) {
  try {
    RunLayoutNest(run, entry, orientation, rotation, nestingType, pass);
    return true;
  } catch (const InvalidMandatoryParameterValueExceptionHandler&) {
    // The nest let the layout object go; its template is still open.
    CloseDesign();
    HandleLayoutFailure(run, entry);
  } catch (const InvalidNestingTypeExceptionHandler&) {
    CloseDesign();
    HandleLayoutFailure(run, entry);
  }
  return false;
}

namespace {

// The layout object of one nest, let go however the nest ends: a failed
// placing lets it go itself, any other failure (a value that cannot be
// read, a failed evaluation) would leave it held into the next entry.
class LayoutObjectHold {
 public:
  explicit LayoutObjectHold(DRAVOInterface& cad) : cad_(cad) {}
  LayoutObjectHold(const LayoutObjectHold&) = delete;
  LayoutObjectHold& operator=(const LayoutObjectHold&) = delete;
  ~LayoutObjectHold() {
    if (!held_) return;
    try {
      cad_.ReleaseLayoutObject();
    } catch (...) {
      // Letting go on the way out of a failure: the failure is what counts.
    }
  }
  void Release() {
    held_ = false;
    cad_.ReleaseLayoutObject();
  }

 private:
  DRAVOInterface& cad_;
  bool held_ = true;
};

}  // namespace

void DRAVOInterface::RunLayoutNest(LayoutRun& run, LayoutEntry& entry, std::int16_t orientation,
                                   double rotation, const QK_TString& nestingType,
                                   std::vector<LayoutNestResult>& pass) {
  const LOTicketParam& ticket = run.ticket;
  LayoutNestingInfo& record = entry.nest;
  record = entry.record;
  if (entry.Searching())
    entry.search.searchContinues = StepNestingSearch(record, entry.search, FillsFirst(record));

  run.handler.nestingType = nestingType;
  run.handler.formatClass = entry.names.formatClass;
  const bool acrossGrain = record.crossGrain.EqualsIgnoreCase(kYes) &&
                           std::atoi(entry.names.grainDirection.c_str()) != entry.record.grainCode;
  run.handler.grainDirection = acrossGrain ? record.grainCode : orientation;

  LayoutNestResult nest;
  nest.rotation = rotation;
  nest.nestingType = nestingType;
  ChooseLayoutNestLocation(run, entry, nest);

  SetMFGTemplate(entry.names.mfgTemplate);
  ApplySheetSize(record, entry.values, ticket);
  SetOption29(entry.unitCode);
  SetOption28(orientation);
  record.option29Code = entry.unitCode;
  record.orientationCode = orientation;
  record.positionCode = static_cast<std::int16_t>(std::stoi(ticket.position.str()));
  record.rotation = rotation;

  (*nest.values)[QK_TString("NestingType")] = GetNestingTypeCode(nestingType);
  GetLayoutObject();
  LayoutObjectHold held(*this);
  // A folder of its own per nest: the file delivered is the nest that was scored.
  const QK_TURL tryFolder = run.tryFolder.Child(QK_TString::Format("nest%d", ++run.nestFolders));
  CreateFolderTree(tryFolder);
  QK_TURL mfg = nest.kept ? nest.location : QK_TURL();
  int code = 0;
  int passResult = NestPassResult::kClean;
  QK_TString nestingTypeSwap = kFalse;
  QK_TString gutterSwap = kFalse;
  RunNesting(record, nest.baseName, mfg, ticket, !nest.kept, tryFolder, rotation, code, nestingType,
             entry.names, orientation, entry.designCode, nestingTypeSwap, gutterSwap, ticket.designPath,
             entry.namedDesign, entry.pathDesign, run.timeScript, passResult);
  if (passResult != NestPassResult::kClean) run.warning = 1;

  CollectLayoutValues(*nest.values, mfg, entry.values, record, entry.names, gutterSwap, nestingTypeSwap);
  ReconcileLayoutOneups(record, *nest.values);
  if (ticket.exportCustomVariables) {
    std::int32_t variableErrors = 0;
    EvaluateCustomVariables(nest.customValues, ticket.customVariables, variableErrors, kLayoutDocumentKind);
  }
  nest.design = entry.Design();
  ResetLayout();
  held.Release();
  CloseDesign();
  // A sheet the clip step refused was not saved: nothing to deliver.
  if (passResult == NestPassResult::kNotSaved && !QK_TFileInfo::ExistsEx(mfg)) return;
  pass.push_back(std::move(nest));
}

void DRAVOInterface::ChooseLayoutNestLocation(LayoutRun& run, LayoutEntry& entry, LayoutNestResult& nest) {
  if (entry.Searching() && AnyPassPending(entry.search)) {
    // A search pass is measured, never delivered.
    nest.location = TemporaryFile(kManufacturingExtension.c_str(), true);
    nest.baseName = StemOf(nest.location.FileName());
    return;
  }
  nest.location = MakeMFGOutputPath(run.ticket, nest.baseName);
  nest.kept = entry.Searching() && !FillsFirst(entry.record) && !run.ticket.layoutForProduction;
  if (nest.kept) TakeLocation(*this, run, nest, run.NextResultId());
}

void DRAVOInterface::ReconcileLayoutOneups(const LayoutNestingInfo& record, StringMap& values) {
  const auto reconcile = [&values](const char* key, std::int32_t wanted) {
    QK_TString& value = values[QK_TString(key)];
    if (boost::lexical_cast<std::int32_t>(value.str()) != wanted) value = QK_TString::Format("%d", wanted);
  };
  const bool fills = record.fillSheet.EqualsIgnoreCase(kYes);
  if (fills && (record.allocationStrategy == AllocationStrategy::kGrowToMinimum ||
                record.allocationStrategy == AllocationStrategy::kStrategyOne)) {
    reconcile("OneupsInXDirection", record.maxOneupsX);
    reconcile("OneupsInYDirection", record.maxOneupsY);
  } else if (record.fillSheet.EqualsIgnoreCase(kNo)) {
    reconcile("OneupsInXDirection", record.oneupsX);
    reconcile("OneupsInYDirection", record.oneupsY);
  }
}

void DRAVOInterface::DeliverLayoutResult(LayoutRun& run, LayoutEntry& entry, LayoutNestResult& nest) {
  const LOTicketParam& ticket = run.ticket;
  const bool production = ticket.layoutForProduction;
  const int id = run.NextResultId();
  if (!production && !nest.kept) TakeLocation(*this, run, nest, id);
  StringMap& values = *nest.values;
  values[QK_TString("Id")] = QK_TString::Format("%d", id);
  Report(Severity::kInformation, "shapejobs.message.outputmfgpath", QK_TAny(nest.location));

  // The nest's own file, decoded: its folder may hold blanks.
  const QK_TURL nested = QK_TURL::FromString(ValueOf(values, "MFGFilePath"));
  OpenDesign(nested.LocalName());
  QK_TURL previewLocation;
  if (WriteEntryPreview(nest.baseName, nested, previewLocation, run.tryFolder, ticket, entry.names, values,
                        run.previewContext) != 0) {
    run.warning = 1;
  }
  if (!production) {
    values[QK_TString("MFGFilePath")] = nest.location.ToString();
    if (!nest.kept && SaveDesign(nest.location.LocalName()) == Status::kDoneWithRemarks) run.warning = 1;
  }
  CloseDesign();
  // A file the save could not make is no output of the task.
  if (!production && QK_TFileInfo::ExistsEx(nest.location)) run.mfgContext.AddOutputFile(nest.location, QK_TString());
  run.results.push_back(nest.values);
  run.resultDesigns.push_back(nest.design);
  if (ticket.exportCustomVariables) run.resultCustomValues.push_back(nest.customValues);
}

}  // namespace CAD
