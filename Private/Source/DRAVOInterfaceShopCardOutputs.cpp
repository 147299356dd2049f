// The output steps of a shop card: one output of the open design, the
// print item an output shows, the end of a print-item search, and the
// "ShopCardMultipleOutputs" document that lists the outputs made.
#include <cerrno>
#include <cstdlib>
#include <limits>

#include "DRAVOInterface.h"
#include "DRAVOInterfaceShopCard.h"
#include "DravoException.h"
#include "FileNameParts.h"
#include "ShapejobCodes.h"
#include "TaskError.h"
#include "XUtilityXml.h"

namespace CAD {

namespace {

const QK_TString kXmlExtension(L".xml");

// The sample type as the CAD application takes it: a signed 16-bit decimal
// number, with an optional sign and nothing around it.
bool ParseSampleType(const QK_TString& text, std::int16_t& sampleType) {
  const std::string& digits = text.str();
  const std::size_t start = !digits.empty() && (digits[0] == '+' || digits[0] == '-') ? 1 : 0;
  if (digits.size() == start || digits.find_first_not_of("0123456789", start) != std::string::npos)
    return false;
  errno = 0;
  const long value = std::strtol(digits.c_str(), nullptr, 10);
  if (errno != 0 || value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max()) {
    return false;
  }
  sampleType = static_cast<std::int16_t>(value);
  return true;
}

}  // namespace

void DRAVOInterface::OutputDesign(const OutputsInfo& output, const QK_TString& path) {
  std::int16_t sampleType = 0;
  if (!ParseSampleType(output.SampleType, sampleType)) {
    Report(Severity::kError, "shapejobs.error.invalidsampletype", QK_TAny(output.SampleType));
    QK_THROW(TaskError());
  }
  if (InvokeMethod16(output.Name, sampleType, path) == Status::kDone) return;
  Report(Severity::kError, "shapejobs.message.shopcardrunoutputfail", QK_TAny(GetErrorString()));
  CloseDesign();
  QK_THROW(DravoError(QK_TString("OutputDesign failed"), QK_TAny(GetErrorString())));
}

void DRAVOInterface::WriteMultipleOutputsDocument(const ShopCardTicketData& record,
                                                  xercesc::DOMDocument& document) {
  QK_TString fileName = record.outputLocation.LocalName();
  EnsureXmlExtension(fileName);
  WriteXmlDocument(document, QK_TURL::FromLocalPath(fileName));
  record.delivered->Add(QK_TURL::FromLocalPath(fileName));
}

void DRAVOInterface::EnsureXmlExtension(QK_TString& path) {
  if (!ExtensionOf(path).EqualsIgnoreCase(kXmlExtension)) path += kXmlExtension;
}

void DRAVOInterface::SelectPrintItemForOutput(const std::int32_t& index) {
  if (SelectPrintItem(kSelectPrintItem, index, kShowOnlyItsLayers) == Status::kDone) return;
  Report(Severity::kError, "shapejobs.message.dravoerrorstring", QK_TAny(GetErrorString()));
  QK_THROW(DravoError());
}

void DRAVOInterface::CheckPrintItemMatched(const bool& found, const std::int32_t& index,
                                           const std::int32_t& count, const QK_TString& printItemName) {
  if (found || index != count) return;
  Report(Severity::kError, "shapejobs.error.noprintitemmatch", QK_TAny(printItemName));
  QK_THROW(TaskError());
}

}  // namespace CAD
