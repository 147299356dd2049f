// The layout operation: the manufacturing-template entries of a layout
// ticket nested on sheets by the layout object, the best nest of each
// orientation delivered as a result, and the report of the whole call.
// The entry and nest loops are in DRAVOInterfaceLayoutRun.cpp, the failure
// handling in DRAVOInterfaceLayoutFailures.cpp.
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

DRAVOInterface::LayoutRun::~LayoutRun() {
  if (task == nullptr) return;
  for (const char* name : installedNames) task->GetTName().RemoveLookupHandler(name);
}

QK_TString DRAVOInterface::LayoutRun::FreeSuffix(int id, const std::function<bool(const QK_TString&)>& taken) {
  QK_TString suffix;
  for (int tries = 1; taken(suffix); ++tries) {
    suffix = tries == 1 ? QK_TString::Format("_%d", id) : QK_TString::Format("_%d_%d", id, tries);
  }
  return suffix;
}

void DRAVOInterface::LayoutRun::InstallLookupHandler() {
  if (task == nullptr) return;
  for (const char* name : kLookupNames) {
    if (!task->GetTName().IsDefined(name)) continue;
    task->GetTName().SetLookupHandler(name, &handler, true);
    installedNames.push_back(name);
  }
}

bool DRAVOInterface::IsLayoutVersionAtLeast20(const QK_TString& version) {
  const std::vector<long> numbers = VersionNumbers(version.str());
  if (numbers.empty()) return false;
  for (std::size_t i = 0; i < std::size(kTurnedNestsVersion); ++i) {
    const long part = i < numbers.size() ? numbers[i] : 0;
    if (part != kTurnedNestsVersion[i]) return part > kTurnedNestsVersion[i];
  }
  return true;
}

int DRAVOInterface::GenerateLayout(StringMapList& entries, LOTicketParam& ticket) {
  LayoutRun run(reporter, ticket);
  run.InstallLookupHandler();
  layoutVersionFlag = IsLayoutVersionAtLeast20(GetVersion());
  if (entries.empty()) QK_THROW(NoLayoutFoundError(QK_TString("No Layout data found.")));

  run.tryFolder = TemporaryFile(kManufacturingExtension.c_str(), false).Parent();
  CreateFolderTree(run.tryFolder);
  if (reporter != nullptr) reporter->RegisterTempFile(run.tryFolder);
  run.timeScript = WriteTimeScript();

  for (const StringMap& values : entries) RunLayoutEntry(run, values);
  FinishLayout(run);
  return run.warning;
}

void DRAVOInterface::FinishLayout(LayoutRun& run) {
  const LOTicketParam& ticket = run.ticket;
  if (run.results.empty()) {
    for (const auto& error : run.errors) {
      for (const auto& [key, value] : *error) {
        Report(Severity::kError, QK_TString::Format("%s  %s", key.c_str(), value.c_str()).c_str());
      }
    }
    QK_THROW(NOMFGGenerateException());
  }
  if (ticket.layoutForProduction) DeliverProductionResult(run);

  const QK_TString name =
      ticket.xmlOutputFileName.Empty() ? ResolveLayoutName(kInputFileName) : ticket.xmlOutputFileName;
  // Like the results' folders, the report's is made when missing.
  CreateFolderTree(ticket.xmlOutputFolder);
  QK_TURL location = ticket.xmlOutputFolder.Child(name);
  ChangeExtension(location, kReportExtension);
  // The report of an earlier input of the ticket is not replaced.
  location = run.delivered->FreeLocation(location, reporter);
  // The report is written before anything is handed over: a run whose
  // report fails fails whole, with no output of it registered.
  const bool reported = WriteLayoutReport(run.results, location, ticket, run.separateDesign, run.resultDesigns,
                                          run.resultCustomValues, run.errors, run.errorCount);
  if (reporter != nullptr) {
    reporter->AddTaskOutputContext(run.mfgContext);
    if (ticket.generatePreview) reporter->AddTaskOutputContext(run.previewContext);
  }
  if (!reported) return;
  run.delivered->Add(location);
  TW_TTaskOutput& context = run.warning == 0 ? run.reportContext : run.warningContext;
  context.AddOutputFile(location, QK_TString());
  if (reporter != nullptr) reporter->AddTaskOutputContext(context);
}

void DRAVOInterface::DeliverProductionResult(LayoutRun& run) {
  const LOTicketParam& ticket = run.ticket;
  auto chosen = std::make_shared<StringMap>();
  DesignInfo design;
  StringMapList customValues;
  SelectLowestScrapResult(run.results, run.resultDesigns, run.resultCustomValues, *chosen, design,
                          customValues);
  // The result's files; those of an earlier input of the ticket are not
  // replaced: the files take "_1" then, as a second result of a call would.
  const QK_TString resolvedMfg = ResolveMFGFilePath(*chosen, ticket);
  const QK_TString resolvedImage = ticket.generatePreview ? ResolvePreviewFilePath(*chosen, ticket) : QK_TString();
  DeliveredLocations& delivered = *run.delivered;
  const auto named = [](const QK_TString& location, const QK_TString& suffix) {
    return suffix.Empty() ? location : DeliveredLocations::WithSuffix(QK_TURL(location), suffix).ToString();
  };
  const QK_TString suffix = LayoutRun::FreeSuffix(1, [&](const QK_TString& candidate) {
    return delivered.Has(QK_TURL(named(resolvedMfg, candidate))) ||
           (ticket.generatePreview && delivered.Has(QK_TURL(named(resolvedImage, candidate))));
  });
  const QK_TString mfg = named(resolvedMfg, suffix);
  const QK_TString image = ticket.generatePreview ? named(resolvedImage, suffix) : QK_TString();
  const int preview = SaveChosenLayout(*chosen, ticket, mfg, image);
  if (preview > 0) run.warning = preview;

  // Files the output step could not make are no outputs of the task.
  if (QK_TFileInfo::ExistsEx(QK_TURL::FromString(mfg))) {
    run.mfgContext.AddOutputFile(QK_TURL(mfg), QK_TString());
    delivered.Add(QK_TURL(mfg));
  }
  if (ticket.generatePreview) {
    if (QK_TFileInfo::ExistsEx(QK_TURL::FromString(image))) {
      run.previewContext.AddOutputFile(QK_TURL(image), QK_TString());
      delivered.Add(QK_TURL(image));
    }
    (*chosen)[QK_TString("PreviewFilePath")] = image;
  }
  (*chosen)[QK_TString("MFGFilePath")] = mfg;
  (*chosen)[QK_TString("Id")] = QK_TString("1");
  run.results = {chosen};
  run.resultDesigns = {design};
  run.resultCustomValues = {customValues};
}

}  // namespace CAD
