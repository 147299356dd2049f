// The ticket-data records: the settings of one input of each task type,
// carried from its ticket builder to its CAD operation.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "DRAVOInterfaceRecords.h"
#include "DeliveredLocations.h"
#include "QK_TString.h"
#include "QK_TURL.h"
#include "TicketBuilderRecords.h"

namespace CAD {

// One manufacturing-template entry, or one exported design: display or
// attribute name to text.
using StringMap = std::map<QK_TString, QK_TString>;
using StringMapList = std::vector<StringMap>;

// The value of `key` in `values`, or `missing` when it has none.
inline QK_TString ValueOf(const StringMap& values, const QK_TString& key, const QK_TString& missing = QK_TString()) {
  const auto found = values.find(key);
  return found == values.end() ? missing : found->second;
}

using VariableList = std::vector<std::shared_ptr<Variable>>;
using CommandScriptList = std::vector<std::shared_ptr<CommandScript>>;
using OutputsList = std::vector<std::shared_ptr<OutputsInfo>>;
using CustomVariableList = std::vector<std::shared_ptr<CustomVariable>>;

// Design-database facts of a new design, from the optional ticket parameters
// of the same names.
class DBInfo {
 public:
  DBInfo() = default;
  DBInfo(const DBInfo& other) = default;
  DBInfo& operator=(const DBInfo& other) = default;
  virtual ~DBInfo() = default;

  std::uint64_t id = 0;
  QK_TString designDescription;      // DESIGN_DESC
  QK_TString customerName;           // CUSTOMER_NAME
  QK_TString customerLocation;       // CUSTOMER_LOCATION
  QK_TString ownerName;              // OWNER_NAME
  QK_TString ownerLocation;          // OWNER_LOCATION
  QK_TString salespersonFirstName;   // SALESPERSON_FIRST_NAME
  QK_TString salespersonLastName;    // SALESPERSON_LAST_NAME
  QK_TString designerFirstName;      // DESIGNER_FIRST_NAME
  QK_TString designerLastName;       // DESIGNER_LAST_NAME
};

// Run a standard: create a design from a CAD standard and save it.
class RunStandardTicketData {
 public:
  virtual ~RunStandardTicketData() = default;

  QK_TString designName;  // the standard: path, style-catalogue name or project reference
  std::int32_t version = 0;
  QK_TString outputPath;  // the output location as local text (set by the worker)
  VariableList variables;
  QK_TString boardCode;
  QK_TString boardDescription;
  QK_TString grainDirection;
  QK_TString units;
  QK_TString printSide;
  QK_TString commandScript;  // "EXE " followed by the command
  QK_TString styleCatalog;   // "styleCatalog" or "nonStyleCatalog"
  QK_TString databaseKind;   // "Enterprise" or "Conventional"
  QK_TString projectName;
  QK_TString standardName;
  DBInfo dbInfo;
  // The files the ticket's inputs delivered, shared by the run (a set of
  // its own until then): the operation adds each file it writes.
  std::shared_ptr<DeliveredLocations> delivered = std::make_shared<DeliveredLocations>();
};

// Create a shop card, or export design information.
class ShopCardTicketData {
 public:
  virtual ~ShopCardTicketData() = default;

  // Copies of the output pointers, in order; the record is not changed.
  OutputsList GetOutputs() const { return outputs; }
  // The script of the first command script that runs at `phase`, or an
  // empty text when none does.
  const QK_TString& GetCommandScript(const QK_TString& phase) const {
    for (const auto& script : commandScripts) {
      if (script != nullptr && script->RunAt == phase) return script->Name;
    }
    return QK_TString::sEmpty;
  }

  QK_TString designName;
  QK_TString project;
  std::int32_t version = 0;
  QK_TString designPath;
  std::int32_t rebuildDesign = 0;
  QK_TString layerClasses;
  QK_TString designNotFoundPath;
  QK_TURL outputLocation;  // set by the shop-card worker
  VariableList variables;
  CommandScriptList commandScripts;
  OutputsList outputs;
  CustomVariableList customVariables;
  bool exportMenuVariables = false;
  QK_TString commandScript;  // design information only
  bool exportCustomVariables = false;
  bool exportThumbnail = false;
  QK_TString thumbnailWidth;
  QK_TString thumbnailHeight;
  QK_TString thumbnailQuality;
  QK_TString saveName;
  QK_TString savePath;
  bool hasSave = false;
  bool exportDocPlots = false;
  // The files the ticket's inputs delivered, shared by the run (a set of
  // its own until then): the operation adds each file it writes.
  std::shared_ptr<DeliveredLocations> delivered = std::make_shared<DeliveredLocations>();
};

// Split a design: one design file per requested print item.
class SplitDesignTicketData {
 public:
  virtual ~SplitDesignTicketData() = default;

  QK_TString designPath;
  std::int32_t version = 0;
  QK_TString outputFileName;  // appended to outputPath by the split operation
  QK_TString outputPath;      // set by the worker
  QK_TString databaseKind;
  QK_TString projectName;
  QK_TString designName;
  QK_TString commandScript;
  QK_TString printItem;
  QK_TString selectDesign;  // "project" or "path"
  DBInfo dbInfo;
  // The files the ticket's inputs delivered, shared by the run (a set of
  // its own until then): the operation adds each file it writes.
  std::shared_ptr<DeliveredLocations> delivered = std::make_shared<DeliveredLocations>();
};

// Run a layout: place and nest a design on a sheet.
class LOTicketParam {
 public:
  virtual ~LOTicketParam() = default;

  QK_TString designPath;
  std::int32_t version = 0;
  QK_TString mfgOutputFileName;
  QK_TString mfgOutputFolder;
  QK_TString units;
  QK_TString commandScript;
  QK_TString databaseKind;
  QK_TString projectName;
  QK_TString designName;
  QK_TString selectDesign;  // "project" or "path"
  bool generatePreview = false;
  QK_TString previewOutputFolder;
  QK_TURL xmlOutputFolder;
  QK_TString xmlOutputFileName;
  QK_TString previewFileFormat;  // "PNG" or "JPEG"
  QK_TString launchWorkflow;
  QK_TURL inputFile;  // set by the builder call
  bool layoutForProduction = false;
  QK_TString position;
  CustomVariableList customVariables;
  bool exportCustomVariables = false;
  QK_TString crossGrain;
  std::set<QK_TString> nestingTypes;  // codes "1" to "5"
  DBInfo dbInfo;
  // The files the ticket's inputs delivered, shared by the run (a set of
  // its own until then): the operation adds each file it writes.
  std::shared_ptr<DeliveredLocations> delivered = std::make_shared<DeliveredLocations>();
};

}  // namespace CAD
