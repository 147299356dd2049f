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

// The candidates of a round as the best-nest choice takes them.
int SelectBest(const std::vector<LayoutRun::Nest>& pass) {
  std::vector<LayoutResult> candidates;
  for (const LayoutRun::Nest& nest : pass) candidates.push_back(nest.result);
  const LayoutResultLists lists = ToResultLists(candidates);
  StringMap bestValues;
  DesignInfo bestDesign;
  StringMapList bestCustomValues;
  return DRAVOInterface::SelectBestNest(lists.values, lists.designs, lists.customValues, bestValues, bestDesign,
                                        bestCustomValues);
}

// The nest's values with the one-up counts the record asked for.
void ReconcileOneups(const LayoutNestingInfo& record, StringMap& values) {
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

}  // namespace

bool LayoutRun::Entry::Searching() const {
  return (record.allocationStrategy == AllocationStrategy::kSearchFillFirst ||
          record.allocationStrategy == AllocationStrategy::kSearchStrategyOneFirst) &&
         record.fillSheet.EqualsIgnoreCase(kYes);
}

void LayoutRun::RunEntry(const StringMap& values) {
  Entry entry(values);
  LayoutTemplateNames& names = entry.names;
  try {
    names.formatClass = ValueOf(values, "Format Class");
    names.mfgTemplate = ValueOf(values, "MFG Template");
    names.grainDirection = ValueOf(values, "Grain Direction");
    if (names.formatClass.Empty()) {
      cad.Report(Severity::kError, "shapejobs.error.formatclassempty");
      QK_THROW(EmptyFormatClassException());
    }
    if (names.mfgTemplate.Empty()) {
      cad.Report(Severity::kError, "shapejobs.error.mfgtemplatenameempty");
      QK_THROW(EmptyMFGTemplateNameException());
    }
    entry.record.parameters = values;
    cad.SetMFGTemplate(names.mfgTemplate);
    cad.ApplyLayoutParameters(entry.record, values, ticket);
    cad.CloseDesign();

    std::set<std::int16_t> orientations;
    cad.GetGrainOrientations(orientations, names.grainDirection, ticket.crossGrain);
    entry.record.crossGrain = ticket.crossGrain;
    entry.record.grainCode = GrainCodeOf(names.grainDirection);
    const bool twoPasses =
        ticket.crossGrain.EqualsIgnoreCase(kYes) && names.grainDirection.EqualsIgnoreCase(kBoth);

    OpenEntryDesign(entry);
    entry.unitCode = 0;
    for (const auto& unit : kUnits) {
      if (ticket.units.EqualsIgnoreCase(unit.unit)) entry.unitCode = unit.code;
    }
    if (entry.unitCode == 0) {
      cad.Report(Severity::kError, "shapejobs.error.invalidunit", QK_TAny(ticket.units));
      QK_THROW(InvalidUnitException());
    }
    cad.Report(Severity::kInformation, "shapejobs.message.unit",
           QK_TAny(QK_TString::Format("%d", entry.unitCode)));
    if (ticket.nestingTypes.empty()) {
      cad.Report(Severity::kError, "shapejobs.message.invalidnesttype");
      QK_THROW(NestFailedException());
    }

    for (int pass = 0; pass < (twoPasses ? 2 : 1); ++pass) {
      if (twoPasses) entry.record.grainCode = pass == 0 ? Orientation::kVertical : Orientation::kHorizontal;
      for (std::int16_t orientation : orientations) RunOrientation(entry, orientation);
    }
  } catch (const DravoException&) {
    HandleFailure(entry);
  }
}

void LayoutRun::OpenEntryDesign(Entry& entry) {
  LayoutTemplateNames& names = entry.names;
  names.designName = ValueOf(entry.values, "Design Name");
  const QK_TString& design = names.designName.Empty() ? ticket.designPath : names.designName;
  if (design.Empty()) QK_THROW(EmptyDesignNameException(QK_TString("The Design Name is empty")));

  QK_TString local;
  std::int32_t saveWarning = 0;
  if (!names.designName.Empty()) {
    cad.OpenLayoutDesign(design, entry.designCode, local, entry.namedDesign, ticket.units, saveWarning);
    names.namedDesignReference = local;
  } else {
    cad.OpenLayoutDesign(design, entry.designCode, local, entry.pathDesign, ticket.units, saveWarning);
    names.designReference = local;
    separateDesign = entry.pathDesign;
  }
  entry.record.designReference = design;
  entry.record.designPath = local;
  cad.PreparePrintItemDesign(entry.values, entry.record, design, saveWarning);
  if (saveWarning == 1) warning = 1;
}

void LayoutRun::RunOrientation(Entry& entry, std::int16_t orientation) {
  ++orientationPasses;
  entry.firstFailureHandled = false;
  // Each orientation searches afresh: its one-up counts are its own.
  entry.search = NestingSearchState();
  entry.rotations = {0.0};
  if (DRAVOInterface::layoutVersionFlag) entry.rotations.push_back(kTurnedRotation);
  entry.nestingTypes.assign(ticket.nestingTypes.begin(), ticket.nestingTypes.end());
  do {
    std::vector<Nest> pass;
    const std::vector<double> rotations = entry.rotations;
    const std::vector<QK_TString> nestingTypes = entry.nestingTypes;
    for (double rotation : rotations) {
      for (const QK_TString& nestingType : nestingTypes) {
        RunGuardedNest(entry, orientation, rotation, nestingType, pass);
      }
    }
    const int best = SelectBest(pass);
    for (int i = 0; i < static_cast<int>(pass.size()); ++i) {
      // A search nest saved where results go is none unless it is the best.
      if (pass[i].kept && i != best) {
        QK_TFile::Remove(pass[i].location);
        delivered->Remove(pass[i].location);
        if (!pass[i].preview.Empty()) delivered->Remove(pass[i].preview);
      }
    }
    if (best < 0) return;
    Nest& chosen = pass[static_cast<std::size_t>(best)];
    if (!entry.Searching() || !RecordSearchPass(entry, chosen)) DeliverResult(entry, chosen);
  } while (entry.Searching() && entry.search.searchContinues);
}

bool LayoutRun::RecordSearchPass(Entry& entry, const Nest& best) {
  NestingSearchState& search = entry.search;
  const std::int32_t x = std::stoi(ValueOf(*best.result.values, "OneupsInXDirection").str());
  const std::int32_t y = std::stoi(ValueOf(*best.result.values, "OneupsInYDirection").str());
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

void LayoutRun::TakeLocation(Nest& nest, int id) {
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
  const bool preview = ticket.generatePreview;
  const auto previewOf = [&](const QK_TString& suffix) {
    return cad.EntryPreviewLocation(name(suffix), tryFolder, ticket);
  };
  const QK_TString suffix = FreeSuffix(id, [&](const QK_TString& candidate) {
    return delivered->Has(location(candidate)) || (preview && delivered->Has(previewOf(candidate)));
  });
  nest.baseName = name(suffix);
  nest.location = location(suffix);
  delivered->Add(nest.location);
  if (preview) {
    nest.preview = previewOf(suffix);
    delivered->Add(nest.preview);
  }
}

bool LayoutRun::RunGuardedNest(Entry& entry, std::int16_t orientation, double rotation,
                               const QK_TString& nestingType, std::vector<Nest>& pass) {
  try {
    RunNest(entry, orientation, rotation, nestingType, pass);
    return true;
  } catch (const InvalidMandatoryParameterValueExceptionHandler&) {
    // The nest let the layout object go; its template is still open.
    cad.CloseDesign();
    HandleFailure(entry);
  } catch (const InvalidNestingTypeExceptionHandler&) {
    cad.CloseDesign();
    HandleFailure(entry);
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

void LayoutRun::RunNest(Entry& entry, std::int16_t orientation, double rotation, const QK_TString& nestingType,
                        std::vector<Nest>& pass) {
  LayoutNestingInfo& record = entry.nest;
  record = entry.record;
  if (entry.Searching())
    entry.search.searchContinues = cad.StepNestingSearch(record, entry.search, FillsFirst(record));

  handler.nestingType = nestingType;
  handler.formatClass = entry.names.formatClass;
  const bool acrossGrain = record.crossGrain.EqualsIgnoreCase(kYes) &&
                           std::atoi(entry.names.grainDirection.c_str()) != entry.record.grainCode;
  handler.grainDirection = acrossGrain ? record.grainCode : orientation;

  Nest nest;
  nest.rotation = rotation;
  nest.nestingType = nestingType;
  ChooseNestLocation(entry, nest);

  cad.SetMFGTemplate(entry.names.mfgTemplate);
  cad.ApplySheetSize(record, entry.values, ticket);
  cad.SetOption29(entry.unitCode);
  cad.SetOption28(orientation);
  record.option29Code = entry.unitCode;
  record.orientationCode = orientation;
  record.positionCode = static_cast<std::int16_t>(std::stoi(ticket.position.str()));
  record.rotation = rotation;

  (*nest.result.values)[QK_TString("NestingType")] = DRAVOInterface::GetNestingTypeCode(nestingType);
  cad.GetLayoutObject();
  LayoutObjectHold held(cad);
  // A folder of its own per nest: the file delivered is the nest that was scored.
  const QK_TURL nestFolder = tryFolder.Child(QK_TString::Format("nest%d", ++nestFolders));
  DRAVOInterface::CreateFolderTree(nestFolder);
  QK_TURL mfg = nest.kept ? nest.location : QK_TURL();
  int code = 0;
  int passResult = NestPassResult::kClean;
  QK_TString nestingTypeSwap = kFalse;
  QK_TString gutterSwap = kFalse;
  cad.RunNesting(record, nest.baseName, mfg, ticket, !nest.kept, nestFolder, rotation, code, nestingType,
             entry.names, orientation, entry.designCode, nestingTypeSwap, gutterSwap, ticket.designPath,
             entry.namedDesign, entry.pathDesign, timeScript, passResult);
  if (passResult != NestPassResult::kClean) warning = 1;

  cad.CollectLayoutValues(*nest.result.values, mfg, entry.values, record, entry.names, gutterSwap, nestingTypeSwap);
  ReconcileOneups(record, *nest.result.values);
  if (ticket.exportCustomVariables) {
    std::int32_t variableErrors = 0;
    cad.EvaluateCustomVariables(nest.result.customValues.emplace(), ticket.customVariables, variableErrors,
                                kLayoutDocumentKind);
  }
  nest.result.design = entry.Design();
  cad.ResetLayout();
  held.Release();
  cad.CloseDesign();
  // A sheet the clip step refused was not saved: nothing to deliver.
  if (passResult == NestPassResult::kNotSaved && !QK_TFileInfo::ExistsEx(mfg)) return;
  pass.push_back(std::move(nest));
}

void LayoutRun::ChooseNestLocation(Entry& entry, Nest& nest) {
  if (entry.Searching() && AnyPassPending(entry.search)) {
    // A search pass is measured, never delivered.
    nest.location = cad.TemporaryFile(kManufacturingExtension.c_str(), true);
    nest.baseName = StemOf(nest.location.FileName());
    return;
  }
  nest.location = cad.MakeMFGOutputPath(ticket, nest.baseName);
  nest.kept = entry.Searching() && !FillsFirst(entry.record) && !ticket.layoutForProduction;
  if (nest.kept) TakeLocation(nest, NextResultId());
}

void LayoutRun::DeliverResult(Entry& entry, Nest& nest) {
  const bool production = ticket.layoutForProduction;
  const int id = NextResultId();
  if (!production && !nest.kept) TakeLocation(nest, id);
  StringMap& values = *nest.result.values;
  values[QK_TString("Id")] = QK_TString::Format("%d", id);
  cad.Report(Severity::kInformation, "shapejobs.message.outputmfgpath", QK_TAny(nest.location));

  // The nest's own file, decoded: its folder may hold blanks.
  const QK_TURL nested = QK_TURL::FromString(ValueOf(values, "MFGFilePath"));
  cad.OpenDesign(nested.LocalName());
  QK_TURL previewLocation;
  if (cad.WriteEntryPreview(nest.baseName, nested, previewLocation, tryFolder, ticket, entry.names, values,
                        previewContext) != 0) {
    warning = 1;
  }
  if (!production) {
    values[QK_TString("MFGFilePath")] = nest.location.ToString();
    if (!nest.kept && cad.SaveDesign(nest.location.LocalName()) == Status::kDoneWithRemarks) warning = 1;
  }
  cad.CloseDesign();
  // A file the save could not make is no output of the task.
  if (!production && QK_TFileInfo::ExistsEx(nest.location)) mfgContext.AddOutputFile(nest.location, QK_TString());
  results.push_back(nest.result);
}

}  // namespace CAD
