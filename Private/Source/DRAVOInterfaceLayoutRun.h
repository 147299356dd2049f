// The layout operation's own steps, as one method object per call
// (DRAVOInterface::GenerateLayout makes one and runs it): the entry, grain
// and orientation loops, one nest, the delivery of the best nest of an
// orientation as a result, the failure handling, and the end of the call
// with its report. The steps reach the CAD application through the driver's
// operations; the nesting steps they call are the driver's own members.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "DRAVOInterface.h"
#include "TW_TTask.h"

namespace CAD {

// One result of a layout call: its values (the report's "Result"), the
// design it was made of, and its custom variables when the ticket exports
// them. A nest is one of these until it is chosen and delivered.
struct LayoutResult {
  std::shared_ptr<StringMap> values = std::make_shared<StringMap>();
  DesignInfo design;
  std::optional<StringMapList> customValues;
};

// Results as the best-nest choice and the report take them: three lists
// index for index, the custom-variable list holding those of the results
// that have any (all or none in a call).
struct LayoutResultLists {
  std::vector<std::shared_ptr<StringMap>> values;
  std::vector<DesignInfo> designs;
  std::vector<StringMapList> customValues;
};
LayoutResultLists ToResultLists(const std::vector<LayoutResult>& results);

// True for a CAD application at 20.0.1 or later: the first dotted number of
// `version` compared part by part (missing parts are 0; no number is no
// such version).
bool IsLayoutVersionAtLeast20(const QK_TString& version);

// The report's "Date_Time": day-month-year hour:minute:second, without
// leading zeros.
QK_TString FormatReportTime(const std::tm& time);

// The suffix of the files of result `id`: "" unless `taken` holds for it,
// then "_<id>", then "_<id>_<n>" from n = 2, the first one not taken.
QK_TString FreeSuffix(int id, const std::function<bool(const QK_TString&)>& taken);

class LayoutRun {
 public:
  // `ticket` outlives the run; its delivered locations are shared with the
  // ticket's other inputs.
  LayoutRun(DRAVOInterface& cad, LOTicketParam& ticket);
  LayoutRun(const LayoutRun&) = delete;
  LayoutRun& operator=(const LayoutRun&) = delete;
  // The look-up handler leaves the resolver with the run, however it ends.
  ~LayoutRun();

  // The whole call over the template entries: 0, or 1 for a warning.
  // Throws NoLayoutFoundError without entries, NOMFGGenerateException when
  // no entry gave a result, TaskError for a failure in production.
  int Run(const StringMapList& entries);

  // One nest of an orientation round, kept until the round's best is chosen.
  struct Nest {
    LayoutResult result;
    QK_TURL location;     // where the delivered manufacturing file goes
    QK_TString baseName;  // its name without extension; the preview's name too
    QK_TURL preview;      // the preview's location once it is taken, if any
    // Strategy 4's search nests are saved at their delivery location itself.
    bool kept = false;
    double rotation = 0.0;
    QK_TString nestingType;
  };

  // One manufacturing-template entry.
  struct Entry {
    explicit Entry(const StringMap& values) : values(values) {}

    bool Searching() const;
    const DesignInfo& Design() const { return names.designName.Empty() ? pathDesign : namedDesign; }

    const StringMap& values;
    LayoutTemplateNames names;
    LayoutNestingInfo record;  // filled once per entry, copied per nest
    LayoutNestingInfo nest;    // the copy of the nest running now
    NestingSearchState search;
    DesignInfo namedDesign;  // the entry's "Design Name"
    DesignInfo pathDesign;   // the ticket's design
    std::int16_t designCode = 0;
    std::int16_t unitCode = 0;
    // The first nest failure of the current orientation has been handled
    // (passed over, or recorded as an unknown nesting type): the ones after
    // it are recorded.
    bool firstFailureHandled = false;
    std::vector<double> rotations;
    std::vector<QK_TString> nestingTypes;
  };

 private:
  // Installs the handler for each look-up name the task defines.
  void InstallLookupHandler();
  int NextResultId() const { return static_cast<int>(results.size()) + 1; }

  // Template, parameters, grain, design, then the nests of every grain
  // pass and orientation.
  void RunEntry(const StringMap& values);
  void OpenEntryDesign(Entry& entry);
  // The nests of one orientation, repeated while the fill search goes on;
  // the best of each round is recorded as a search pass or delivered.
  void RunOrientation(Entry& entry, std::int16_t orientation);
  // Records the round's best nest as the fill search's next pending pass;
  // false when both passes are recorded (the nest is then delivered).
  bool RecordSearchPass(Entry& entry, const Nest& best);
  // One nest; false when it failed and the failure was handled.
  bool RunGuardedNest(Entry& entry, std::int16_t orientation, double rotation, const QK_TString& nestingType,
                      std::vector<Nest>& pass);
  void RunNest(Entry& entry, std::int16_t orientation, double rotation, const QK_TString& nestingType,
               std::vector<Nest>& pass);
  // Where a nest's manufacturing file goes, and under which base name.
  void ChooseNestLocation(Entry& entry, Nest& nest);
  // Locations no earlier result of the ticket has for the manufacturing
  // file and its preview: "_<id>" (then "_<id>_<n>") before the extension
  // while either is taken. The base name follows them.
  void TakeLocation(Nest& nest, int id);
  // Delivers one chosen nest as the call's next result.
  void DeliverResult(Entry& entry, Nest& nest);
  // The failure of a nest or an entry being handled (called inside a catch
  // clause): a report error entry, or TaskError in production. True when
  // the run goes on with the next nest, false with the next entry; other
  // exceptions pass.
  bool HandleFailure(Entry& entry);
  void AppendError(StringMap error);
  // Production's chosen result, the output contexts, the report.
  void Finish();
  void DeliverProductionResult();

  DRAVOInterface& cad;
  TW_TTask* task;
  LOTicketParam& ticket;
  NTLookupHandler handler;
  std::vector<const char*> installedNames;

  std::vector<LayoutResult> results;
  std::vector<std::shared_ptr<StringMap>> errors;
  std::uint32_t errorCount = 0;
  int warning = 0;
  // Orientation passes of the whole call.
  int orientationPasses = 0;

  TW_TTaskOutput mfgContext{QK_TString("MFG")};
  TW_TTaskOutput previewContext{QK_TString("PREVIEW")};
  TW_TTaskOutput reportContext{QK_TString("XMLReport")};
  TW_TTaskOutput warningContext{QK_TString("Warning")};

  QK_TURL tryFolder;
  int nestFolders = 0;
  QK_TString timeScript;
  // The locations taken by the results and reports of the ticket so far,
  // this call's included.
  std::shared_ptr<DeliveredLocations> delivered;
  DesignInfo separateDesign;
};

}  // namespace CAD
