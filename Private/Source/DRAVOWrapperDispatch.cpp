#include "DRAVOWrapperDispatch.h"

namespace CAD {

namespace {

// One main-control method: the member of MainControlIds and its ids on
// the conventional and on the enterprise control.
struct MainControlRow {
  DISPID MainControlIds::*member;
  DISPID conventional;
  DISPID enterprise;
};

const MainControlRow kMainControlRows[] = {
    {&MainControlIds::errorText, 31, 25},
    {&MainControlIds::openDesign, 2, 2},
    {&MainControlIds::saveDesign, 41, 35},
    {&MainControlIds::documentXml, 120, 106},
    {&MainControlIds::version, 51, 45},
    {&MainControlIds::start, 79, 71},
    {&MainControlIds::invokeMethod13, 3, 3},
    {&MainControlIds::setLayer, 8, 8},
    {&MainControlIds::rebuild, 43, 37},
    {&MainControlIds::invokeMethod16, 42, 36},
    {&MainControlIds::closeDesign, 11, 11},
    {&MainControlIds::setBoardCode, 38, 32},
    {&MainControlIds::setNumericVariable, 36, 30},
    {&MainControlIds::addNumericVariable, 45, 39},
    {&MainControlIds::setStringVariable, 34, 28},
    {&MainControlIds::addStringVariable, 44, 38},
    {&MainControlIds::readNumericVariable, 6, 6},
    {&MainControlIds::readStringVariable, 7, 7},
    {&MainControlIds::runCommand, 64, 57},
    {&MainControlIds::setStyleWorkspace, 33, 27},
    {&MainControlIds::runStyleStandard, 32, 26},
    {&MainControlIds::setOption28, 22, 18},
    {&MainControlIds::setOption29, 26, 22},
    {&MainControlIds::setBoardCodeAndDescription, 117, 108},
    {&MainControlIds::setPrintSide, 24, 20},
    {&MainControlIds::setOption36, 14, 14},
    {&MainControlIds::layoutObject, 87, 76},
    {&MainControlIds::evaluateString, 88, 77},
    {&MainControlIds::evaluateNumeric, 89, 78},
    {&MainControlIds::preparePrintItems, 48, 42},
    {&MainControlIds::expressionError, 12, 12},
    {&MainControlIds::exportImage, 61, 54},
    {&MainControlIds::imageSetting60, 23, 19},
    {&MainControlIds::industryCode, 21, 17},
    {&MainControlIds::text62, 13, 13},
    {&MainControlIds::text63, 20, 16},
    {&MainControlIds::text64, 118, 109},
    {&MainControlIds::numericVariable, 70, 62},
    {&MainControlIds::stringVariable, 69, 61},
    {&MainControlIds::unit, 25, 21},
    {&MainControlIds::exportThumbnail, 90, 79},
    {&MainControlIds::deletePrintItem, 100, 89},
    {&MainControlIds::checkPrintItem, 103, 92},
    {&MainControlIds::removePrintItem, 99, 88},
    {&MainControlIds::createPrintItems, 49, 43},
    {&MainControlIds::printItemCount, 76, 68},
    {&MainControlIds::selectPrintItem, 57, 50},
    {&MainControlIds::invokeMethod79, 107, 96},
    {&MainControlIds::printItemName, 77, 69},
    // Only the enterprise control: its login.
    {&MainControlIds::login, kNoMethod, 1},
    {&MainControlIds::afterLogin, kNoMethod, 107},
    // Only the conventional control: the design database and one option.
    {&MainControlIds::setOption72, 18, kNoMethod},
    {&MainControlIds::designRecord, 52, kNoMethod},
    {&MainControlIds::defaultsLocation, 116, kNoMethod},
    {&MainControlIds::disconnect, 30, kNoMethod},
    {&MainControlIds::connect, 29, kNoMethod},
};

MainControlIds MainIds(bool enterprise) {
  MainControlIds ids{};
  ids.enterprise = enterprise;
  for (const MainControlRow& row : kMainControlRows)
    ids.*row.member = enterprise ? row.enterprise : row.conventional;
  return ids;
}

// The comment of the enterprise control's save.
constexpr wchar_t kSaveComment[] = L"Debug Save From Quenlark";

}  // namespace

const MainControlIds kConventionalMainIds = MainIds(false);
const MainControlIds kEnterpriseMainIds = MainIds(true);
const StandardsIds kConventionalStandardsIds = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
const StandardsIds kEnterpriseStandardsIds = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
// Connection, prepare search, first and second text, search, found id.
const SearchObjectIds kCompanyIds = {24, 19, 4, 5, 17, 2};
const SearchObjectIds kPersonIds = {8, 3, 14, 13, 1, 10};

void CreateDispatchOrThrow(COleDispatchDriver& driver, const wchar_t* progId) {
  auto* error = new COleException();
  if (!driver.CreateDispatch(progId, error)) throw static_cast<CException*>(error);
  error->Delete();
}

OutString::OutString() : text_(SysAllocString(L"")) {}
OutString::~OutString() { SysFreeString(text_); }
QK_TString OutString::Text() const { return QK_TString(text_ != nullptr ? text_ : L""); }

// Main control. The two controls differ in the parameters of opening and
// saving a design: the enterprise save also takes a comment.

std::int16_t MainControlDispatch::OpenDesign(const QK_TString& path) {
  if (ids_.enterprise) return Call<std::int16_t>(ids_.openDesign, path);
  return Call<std::int16_t>(ids_.openDesign, path, kOne);
}

std::int16_t MainControlDispatch::SaveDesign(const QK_TString& path) {
  if (ids_.enterprise) return Call<std::int16_t>(ids_.saveDesign, path, kOne, kSaveComment);
  return Call<std::int16_t>(ids_.saveDesign, path, kOne);
}

}  // namespace CAD
