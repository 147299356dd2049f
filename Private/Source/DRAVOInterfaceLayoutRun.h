// The working state of one layout call: the results and errors of all its
// entries, the output contexts, the look-up handler, and per entry and nest
// what the loops and the failure handling share.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "DRAVOInterface.h"
#include "TW_TTask.h"

namespace CAD {

// One nest of an orientation round, kept until the round's best is chosen.
struct DRAVOInterface::LayoutNestResult {
  std::shared_ptr<StringMap> values = std::make_shared<StringMap>();
  DesignInfo design;
  StringMapList customValues;
  QK_TURL location;     // where the delivered manufacturing file goes
  QK_TString baseName;  // its name without extension; the preview's name too
  QK_TURL preview;      // the preview's location once it is taken, if any
  // Strategy 4's search nests are saved at their delivery location itself.
  bool kept = false;
  double rotation = 0.0;
  QK_TString nestingType;
};

// One manufacturing-template entry.
struct DRAVOInterface::LayoutEntry {
  explicit LayoutEntry(const StringMap& values) : values(values) {}

  const StringMap& values;
  LayoutTemplateNames names;
  LayoutNestingInfo record;  // filled once per entry, copied per nest
  LayoutNestingInfo nest;    // the copy of the nest running now
  NestingSearchState search;
  DesignInfo namedDesign;  // the entry's "Design Name"
  DesignInfo pathDesign;   // the ticket's design
  std::int16_t designCode = 0;
  std::int16_t unitCode = 0;
  // Nest failures of the current orientation passed over or recorded.
  int retries = 0;
  std::vector<double> rotations;
  std::vector<QK_TString> nestingTypes;

  bool Searching() const;
  const DesignInfo& Design() const { return names.designName.Empty() ? pathDesign : namedDesign; }
};

struct DRAVOInterface::LayoutRun {
  LayoutRun(TW_TTask* task, LOTicketParam& ticket)
      : task(task),
        ticket(ticket),
        delivered(ticket.delivered != nullptr ? ticket.delivered : std::make_shared<DeliveredLocations>()) {}
  LayoutRun(const LayoutRun&) = delete;
  LayoutRun& operator=(const LayoutRun&) = delete;
  // The look-up handler leaves the resolver with the run, however it ends.
  ~LayoutRun();

  // Installs the handler for each look-up name the task defines.
  void InstallLookupHandler();
  int NextResultId() const { return static_cast<int>(results.size()) + 1; }
  // The suffix of the files of result `id`: "" unless `taken` holds for it,
  // then "_<id>", then "_<id>_<n>" from n = 2, the first one not taken.
  static QK_TString FreeSuffix(int id, const std::function<bool(const QK_TString&)>& taken);

  TW_TTask* task;
  LOTicketParam& ticket;
  NTLookupHandler handler;
  std::vector<const char*> installedNames;

  std::vector<std::shared_ptr<StringMap>> results;
  std::vector<DesignInfo> resultDesigns;
  std::vector<StringMapList> resultCustomValues;
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
