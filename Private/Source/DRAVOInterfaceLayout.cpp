// The layout operation: the manufacturing-template entries of a layout
// ticket nested on sheets by the layout object, the best nest of each
// orientation delivered as a result, and the report of the whole call.
// The entry and nest loops are in DRAVOInterfaceLayoutRun.cpp, the failure
// handling in DRAVOInterfaceLayoutFailures.cpp; the run itself is declared
// in DRAVOInterfaceLayoutRun.h.
#include <cctype>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "DRAVOInterfaceLayoutRun.h"
#include "DravoException.h"
#include "QK_TFile.h"
#include "ShapejobCodes.h"

namespace CAD {

namespace {

// The names a layout's output names may use for the nest being made.
const char* const kLookupNames[] = {"nestingtype", "graindirection", "formatclass"};

// The first version with the alternative placing and the turned nests.
const int kTurnedNestsVersion[] = {20, 0, 1};

const QK_TString kReportExtension(L".XML");

// The numbers of the first dotted number in `text` ("FolvaneCAD 24.1" gives
// 24 and 1); none when the text holds no digit.
std::vector<long> VersionNumbers(const std::string& text) {
  std::vector<long> numbers;
  std::size_t at = 0;
  while (at < text.size() && !std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
  while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
    std::size_t end = at;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    numbers.push_back(std::strtol(text.substr(at, end - at).c_str(), nullptr, 10));
    if (end + 1 >= text.size() || text[end] != '.' ||
        !std::isdigit(static_cast<unsigned char>(text[end + 1]))) {
      break;
    }
    at = end + 1;
  }
  return numbers;
}

}  // namespace

LayoutResultLists ToResultLists(const std::vector<LayoutResult>& results) {
  LayoutResultLists lists;
  for (const LayoutResult& result : results) {
    lists.values.push_back(result.values);
    lists.designs.push_back(result.design);
    if (result.customValues) lists.customValues.push_back(*result.customValues);
  }
  return lists;
}

QK_TString FreeSuffix(int id, const std::function<bool(const QK_TString&)>& taken) {
  QK_TString suffix;
  for (int tries = 1; taken(suffix); ++tries) {
    suffix = tries == 1 ? QK_TString::Format("_%d", id) : QK_TString::Format("_%d_%d", id, tries);
  }
  return suffix;
}

bool IsLayoutVersionAtLeast20(const QK_TString& version) {
  const std::vector<long> numbers = VersionNumbers(version.str());
  if (numbers.empty()) return false;
  for (std::size_t i = 0; i < std::size(kTurnedNestsVersion); ++i) {
    const long part = i < numbers.size() ? numbers[i] : 0;
    if (part != kTurnedNestsVersion[i]) return part > kTurnedNestsVersion[i];
  }
  return true;
}

int DRAVOInterface::GenerateLayout(StringMapList& entries, LOTicketParam& ticket) {
  LayoutRun run(*this, ticket);
  return run.Run(entries);
}

LayoutRun::LayoutRun(DRAVOInterface& cad, LOTicketParam& ticket)
    : cad(cad),
      task(cad.reporter),
      ticket(ticket),
      delivered(ticket.delivered) {}

LayoutRun::~LayoutRun() {
  if (task == nullptr) return;
  for (const char* name : installedNames) task->GetTName().RemoveLookupHandler(name);
}

void LayoutRun::InstallLookupHandler() {
  if (task == nullptr) return;
  for (const char* name : kLookupNames) {
    if (!task->GetTName().IsDefined(name)) continue;
    task->GetTName().SetLookupHandler(name, &handler, true);
    installedNames.push_back(name);
  }
}

int LayoutRun::Run(const StringMapList& entries) {
  InstallLookupHandler();
  DRAVOInterface::layoutVersionFlag = IsLayoutVersionAtLeast20(cad.GetVersion());
  if (entries.empty()) QK_THROW(NoLayoutFoundError(QK_TString("No Layout data found.")));

  tryFolder = cad.TemporaryFile(kManufacturingExtension.c_str(), false).Parent();
  DRAVOInterface::CreateFolderTree(tryFolder);
  if (task != nullptr) task->RegisterTempFile(tryFolder);
  timeScript = cad.WriteTimeScript();

  for (const StringMap& values : entries) RunEntry(values);
  Finish();
  return warning;
}

void LayoutRun::Finish() {
  if (results.empty()) {
    for (const auto& error : errors) {
      for (const auto& [key, value] : *error) {
        cad.Report(Severity::kError, QK_TString::Format("%s  %s", key.c_str(), value.c_str()).c_str());
      }
    }
    QK_THROW(NOMFGGenerateException());
  }
  if (ticket.layoutForProduction) DeliverProductionResult();

  const QK_TString name =
      ticket.xmlOutputFileName.Empty() ? cad.ResolveLayoutName(kInputFileName) : ticket.xmlOutputFileName;
  // Like the results' folders, the report's is made when missing.
  DRAVOInterface::CreateFolderTree(ticket.xmlOutputFolder);
  QK_TURL location = ticket.xmlOutputFolder.Child(name);
  DRAVOInterface::ChangeExtension(location, kReportExtension);
  // The report of an earlier input of the ticket is not replaced.
  location = delivered->FreeLocation(location, task);
  // The report is written before anything is handed over: a run whose
  // report fails fails whole, with no output of it registered.
  const LayoutResultLists lists = ToResultLists(results);
  const bool reported = cad.WriteLayoutReport(lists.values, location, ticket, separateDesign, lists.designs,
                                              lists.customValues, errors, errorCount);
  if (task != nullptr) {
    task->AddTaskOutputContext(mfgContext);
    if (ticket.generatePreview) task->AddTaskOutputContext(previewContext);
  }
  if (!reported) return;
  delivered->Add(location);
  TW_TTaskOutput& context = warning == 0 ? reportContext : warningContext;
  context.AddOutputFile(location, QK_TString());
  if (task != nullptr) task->AddTaskOutputContext(context);
}

void LayoutRun::DeliverProductionResult() {
  LayoutResult chosen;
  StringMapList customValues;
  const LayoutResultLists lists = ToResultLists(results);
  DRAVOInterface::SelectLowestScrapResult(lists.values, lists.designs, lists.customValues, *chosen.values,
                                          chosen.design, customValues);
  chosen.customValues = customValues;
  StringMap& values = *chosen.values;
  // The result's files; those of an earlier input of the ticket are not
  // replaced: the files take "_1" then, as a second result of a call would.
  const QK_TString resolvedMfg = cad.ResolveMFGFilePath(values, ticket);
  const QK_TString resolvedImage =
      ticket.generatePreview ? cad.ResolvePreviewFilePath(values, ticket) : QK_TString();
  const auto named = [](const QK_TString& location, const QK_TString& suffix) {
    return suffix.Empty() ? location : DeliveredLocations::WithSuffix(QK_TURL(location), suffix).ToString();
  };
  const QK_TString suffix = FreeSuffix(1, [&](const QK_TString& candidate) {
    return delivered->Has(QK_TURL(named(resolvedMfg, candidate))) ||
           (ticket.generatePreview && delivered->Has(QK_TURL(named(resolvedImage, candidate))));
  });
  const QK_TString mfg = named(resolvedMfg, suffix);
  const QK_TString image = ticket.generatePreview ? named(resolvedImage, suffix) : QK_TString();
  const int preview = cad.SaveChosenLayout(values, ticket, mfg, image);
  if (preview > 0) warning = preview;

  // Files the output step could not make are no outputs of the task.
  if (QK_TFileInfo::ExistsEx(QK_TURL::FromString(mfg))) {
    mfgContext.AddOutputFile(QK_TURL(mfg), QK_TString());
    delivered->Add(QK_TURL(mfg));
  }
  if (ticket.generatePreview) {
    if (QK_TFileInfo::ExistsEx(QK_TURL::FromString(image))) {
      previewContext.AddOutputFile(QK_TURL(image), QK_TString());
      delivered->Add(QK_TURL(image));
    }
    values[QK_TString("PreviewFilePath")] = image;
  }
  values[QK_TString("MFGFilePath")] = mfg;
  values[QK_TString("Id")] = QK_TString("1");
  results = {chosen};
}

}  // namespace CAD
