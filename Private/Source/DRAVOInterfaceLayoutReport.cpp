// The report of a layout run: the "LOReport" document with the preview
// address, the task, the time, the errors that were counted, one "Result"
// per delivered layout and the input, and the web port of the preview
// address from the site configuration.
#include <xercesc/dom/DOM.hpp>

#include "DRAVOInterfaceLayoutRun.h"
#include "QK_EException.h"
#include "QK_TSocket.h"
#include "TW_TTask.h"
#include "XUtilityXml.h"
#include "cfs_tproxy.h"

namespace CAD {

namespace {

using xercesc::DOMDocument;
using xercesc::DOMElement;

const QK_TString kWebServerProperties(L"Servers/WorkflowKits/Properties/");
// "1" switches the preview address to https.
const QK_TString kHttpsSwitchKey(L"wfk.https.enabled");
const QK_TString kHttpsPortKey(L"wfk.https.port");
const QK_TString kHttpPortKey(L"wfk.http.port");
const QK_TString kDefaultWebPort(L"9000");
const QK_TString kMasterServerName(L"<masterserver/>");
// The host when neither the names nor the system give one.

// One child per key of `values`, in key order, holding the value as text.
void AppendValues(DOMDocument& document, DOMElement& parent, const StringMap& values) {
  for (const auto& [key, value] : values) AppendTextElement(document, parent, key, value);
}

// The master server the task's names give, else this machine.
QK_TString PreviewHost(TW_TTask* task) {
  QK_TString host;
  if (task != nullptr && task->GetTName().Resolve(kMasterServerName, host)) return host;
  return QK_TSocket::HostName(false);
}

QK_TString TaskIdOf(TW_TTask* task) { return task != nullptr ? task->GetTaskID() : QK_TString(); }

QK_TString PreviewAddress(TW_TTask* task) {
  bool https = false;
  QK_TString port;
  DRAVOInterface::GetWebServerPort(https, port);
  return QK_TString::Format("%s://%s:%s/layoutPreview/index.html?taskid=%s", https ? "https" : "http",
                            PreviewHost(task).c_str(), port.c_str(), TaskIdOf(task).c_str());
}

// The input document itself when it is XML, else its location.
void AppendInput(DOMDocument& document, DOMElement& root, const QK_TURL& input) {
  if (!input.Extension().EqualsIgnoreCase(".xml")) {
    AppendTextElement(document, root, "InputURL", input.ToString());
    return;
  }
  const XmlDocument parsed = DRAVOInterface::ParseXMLFile(input);
  DOMElement* element = AppendElement(document, root, "InputXML");
  element->appendChild(document.importNode(parsed->getDocumentElement(), true));
}

QK_TString CurrentTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return FormatReportTime(local);
}

}  // namespace

void DRAVOInterface::GetWebServerPort(bool& https, QK_TString& port) {
  port = kDefaultWebPort;
  https = false;
  try {
    CFS_TProxy client;
    https = client.Get(kWebServerProperties + kHttpsSwitchKey).ToText() == "1";
    port = client.Get(kWebServerProperties + (https ? kHttpsPortKey : kHttpPortKey)).ToText();
  } catch (const QK_EException&) {
    // A site without these entries, or no configuration server: what was
    // read so far stands.
  }
}

QK_TString FormatReportTime(const std::tm& time) {
  return QK_TString::Format("%d-%d-%d %d:%d:%d", time.tm_mday, time.tm_mon + 1, time.tm_year + 1900, time.tm_hour,
                            time.tm_min, time.tm_sec);
}

bool DRAVOInterface::WriteLayoutReport(const std::vector<std::shared_ptr<StringMap>>& results,
                                       const QK_TURL& location, const LOTicketParam& ticket,
                                       const DesignInfo& separateDesign, const std::vector<DesignInfo>& resultDesigns,
                                       const std::vector<StringMapList>& resultCustomValues,
                                       const std::vector<std::shared_ptr<StringMap>>& errors,
                                       std::uint32_t errorCount) {
  const XmlDocument document = CreateXmlDocument("LOReport");
  DOMElement& root = *document->getDocumentElement();
  if (ticket.generatePreview) {
    AppendTextElement(*document, root, "PreviewURL", PreviewAddress(reporter));
    AppendTextElement(*document, root, "PreviewType", ticket.previewFileFormat);
  }
  AppendTextElement(*document, root, "TaskID", TaskIdOf(reporter));
  AppendTextElement(*document, root, "Date_Time", CurrentTime());
  // A production run's single result carries the design already.
  const bool resultHasDesign =
      ticket.layoutForProduction && !resultDesigns.empty() && !resultDesigns.front().designName.Empty();
  if (!separateDesign.designName.Empty() && !resultHasDesign) AppendDesignElement(*document, root, separateDesign);
  if (errorCount != 0) {
    for (const auto& error : errors) {
      if (error != nullptr) AppendValues(*document, *AppendElement(*document, root, "Error"), *error);
    }
  }
  for (std::size_t i = 0; i < results.size(); ++i) {
    DOMElement* result = AppendElement(*document, root, "Result");
    const DesignInfo& design = resultDesigns.at(i);
    if (!design.designName.Empty()) AppendDesignElement(*document, *result, design);
    if (results[i] != nullptr) AppendValues(*document, *result, *results[i]);
    if (ticket.exportCustomVariables && i < resultCustomValues.size()) {
      AppendCustomElement(*document, *result, resultCustomValues[i]);
    }
  }
  AppendInput(*document, root, ticket.inputFile);
  WriteXmlDocument(*document, location);
  return true;
}

}  // namespace CAD
