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

// The objects whose ids are the same on both kinds of server.
struct MenuIds {
  DISPID firstFlag = 2, secondFlag = 1, kind = 4, title = 5, itemCount = 6, item = 10;
};
struct MenuItemIds {
  DISPID value = 1, defaultText = 2, name = 4;
};
struct LayoutIds {
  DISPID setSheetSize = 1, addOneup = 2, queryOneup43 = 3, queryOneup44 = 4, placeOneupGrid = 5,
         invokeMethod51 = 6, setLayoutOption = 7, reset = 8, errorText = 9, setNestData = 10,
         positionOneups = 12, layoutValue46 = 13, layoutValue47 = 14, placeOneupGridAlt = 15,
         setRotation = 16;
};
struct ConnectionIds {
  DISPID login = 1;
};
struct DesignRecordIds {
  DISPID customer = 1, owner = 3, designer = 4, salesperson = 5;
};
constexpr MenuIds kMenu;
constexpr MenuItemIds kMenuItem;
constexpr LayoutIds kLayout;
constexpr ConnectionIds kConnection;
constexpr DesignRecordIds kDesignRecord;

// The fixed arguments of some calls.
constexpr std::int16_t kOne = 1;
constexpr std::int16_t kZero = 0;
constexpr std::int32_t kZero32 = 0;
constexpr wchar_t kSaveComment[] = L"Debug Save From Quenlark";
constexpr wchar_t kNoText[] = L"";

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

std::int16_t MainControlDispatch::ErrorText(BSTR* text) {
  return Call<std::int16_t>(ids_.errorText, VTS_PBSTR, text);
}

std::int16_t MainControlDispatch::OpenDesign(const QK_TString& path) {
  if (ids_.enterprise) return Call<std::int16_t>(ids_.openDesign, VTS_BSTR, path);
  return Call<std::int16_t>(ids_.openDesign, VTS_BSTR VTS_I2, path, kOne);
}

std::int16_t MainControlDispatch::SaveDesign(const QK_TString& path) {
  if (ids_.enterprise)
    return Call<std::int16_t>(ids_.saveDesign, VTS_BSTR VTS_I2 VTS_BSTR, path, kOne, kSaveComment);
  return Call<std::int16_t>(ids_.saveDesign, VTS_BSTR VTS_I2, path, kOne);
}

std::int16_t MainControlDispatch::DocumentXml(BSTR* xml) {
  return Call<std::int16_t>(ids_.documentXml, VTS_PBSTR, xml);
}
std::int16_t MainControlDispatch::Version(BSTR* version) {
  return Call<std::int16_t>(ids_.version, VTS_PBSTR, version);
}
void MainControlDispatch::Start(std::int16_t mode) { Call<void>(ids_.start, VTS_I2, mode); }

std::int16_t MainControlDispatch::Login(const QK_TString& location, const QK_TString& user,
                                        const QK_TString& password) {
  return Call<std::int16_t>(ids_.login, VTS_BSTR VTS_BSTR VTS_BSTR VTS_I2 VTS_I2, location, user, password,
                            kZero, kZero);
}

std::int16_t MainControlDispatch::AfterLogin() {
  return Call<std::int16_t>(ids_.afterLogin, VTS_I4, kZero32);
}
std::int16_t MainControlDispatch::InvokeMethod13() {
  return Call<std::int16_t>(ids_.invokeMethod13, VTS_NONE);
}

std::int16_t MainControlDispatch::SetLayer(std::int32_t index, std::int16_t on) {
  return Call<std::int16_t>(ids_.setLayer, VTS_I4 VTS_I2, index, on);
}

std::int16_t MainControlDispatch::Rebuild() { return Call<std::int16_t>(ids_.rebuild, VTS_I2, kZero); }

std::int16_t MainControlDispatch::InvokeMethod16(const QK_TString& first, std::int16_t value,
                                                 const QK_TString& second) {
  return Call<std::int16_t>(ids_.invokeMethod16, VTS_BSTR VTS_I2 VTS_BSTR, first, value, second);
}

std::int16_t MainControlDispatch::CloseDesign() { return Call<std::int16_t>(ids_.closeDesign, VTS_NONE); }

std::int16_t MainControlDispatch::SetBoardCode(const QK_TString& code) {
  return Call<std::int16_t>(ids_.setBoardCode, VTS_BSTR, code);
}

std::int16_t MainControlDispatch::SetNumericVariable(const QK_TString& name, double value) {
  return Call<std::int16_t>(ids_.setNumericVariable, VTS_BSTR VTS_R8, name, value);
}

std::int16_t MainControlDispatch::AddNumericVariable(const QK_TString& name, double value) {
  return Call<std::int16_t>(ids_.addNumericVariable, VTS_BSTR VTS_R8, name, value);
}

std::int16_t MainControlDispatch::SetStringVariable(const QK_TString& name, const QK_TString& value) {
  return Call<std::int16_t>(ids_.setStringVariable, VTS_BSTR VTS_BSTR, name, value);
}

std::int16_t MainControlDispatch::AddStringVariable(const QK_TString& name, const QK_TString& value) {
  return Call<std::int16_t>(ids_.addStringVariable, VTS_BSTR VTS_BSTR, name, value);
}

std::int16_t MainControlDispatch::ReadNumericVariable(const QK_TString& name, double* value) {
  return Call<std::int16_t>(ids_.readNumericVariable, VTS_BSTR VTS_PR8, name, value);
}

std::int16_t MainControlDispatch::ReadStringVariable(const QK_TString& name, BSTR* value) {
  return Call<std::int16_t>(ids_.readStringVariable, VTS_BSTR VTS_PBSTR, name, value);
}

std::int16_t MainControlDispatch::RunCommand(const QK_TString& command) {
  return Call<std::int16_t>(ids_.runCommand, VTS_BSTR, command);
}

std::int16_t MainControlDispatch::SetStyleWorkspace(const QK_TString& workspace) {
  return Call<std::int16_t>(ids_.setStyleWorkspace, VTS_BSTR, workspace);
}

std::int16_t MainControlDispatch::RunStyleStandard(std::int16_t flag) {
  return Call<std::int16_t>(ids_.runStyleStandard, VTS_I2, flag);
}

void MainControlDispatch::SetOption28(std::int16_t value) { Call<void>(ids_.setOption28, VTS_I2, value); }
void MainControlDispatch::SetOption29(std::int16_t value) { Call<void>(ids_.setOption29, VTS_I2, value); }

std::int16_t MainControlDispatch::SetBoardCodeAndDescription(const QK_TString& code,
                                                             const QK_TString& description) {
  return Call<std::int16_t>(ids_.setBoardCodeAndDescription, VTS_BSTR VTS_BSTR, code, description);
}

void MainControlDispatch::SetPrintSide(std::int16_t printSide) {
  Call<void>(ids_.setPrintSide, VTS_I2, printSide);
}
void MainControlDispatch::SetOption36(std::int16_t value) { Call<void>(ids_.setOption36, VTS_I2, value); }
IDispatch* MainControlDispatch::LayoutObject() { return Call<IDispatch*>(ids_.layoutObject, VTS_NONE); }

QK_TString MainControlDispatch::EvaluateString(const QK_TString& expression) {
  return Call<QK_TString>(ids_.evaluateString, VTS_BSTR, expression);
}

double MainControlDispatch::EvaluateNumeric(const QK_TString& expression) {
  return Call<double>(ids_.evaluateNumeric, VTS_BSTR, expression);
}

std::int16_t MainControlDispatch::PreparePrintItems(std::int32_t number, bool flag) {
  return Call<std::int16_t>(ids_.preparePrintItems, VTS_I4 VTS_BOOL, number, flag);
}

std::int16_t MainControlDispatch::ExpressionError() {
  return Call<std::int16_t>(ids_.expressionError, VTS_NONE);
}

std::int16_t MainControlDispatch::ExportImage(std::int16_t kind, const QK_TString& path, std::int16_t a,
                                              std::int16_t b, const VARIANT* c, const VARIANT* d,
                                              const VARIANT* e, const VARIANT* f, const VARIANT* g) {
  return Call<std::int16_t>(
      ids_.exportImage,
      VTS_I2 VTS_BSTR VTS_I2 VTS_I2 VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT, kind, path,
      a, b, c, d, e, f, g);
}

std::int16_t MainControlDispatch::ImageSetting60() {
  return Call<std::int16_t>(ids_.imageSetting60, VTS_NONE);
}
std::int16_t MainControlDispatch::IndustryCode() { return Call<std::int16_t>(ids_.industryCode, VTS_NONE); }
std::int16_t MainControlDispatch::Text62(BSTR* text) {
  return Call<std::int16_t>(ids_.text62, VTS_PBSTR, text);
}
QK_TString MainControlDispatch::Text63() { return Call<QK_TString>(ids_.text63, VTS_NONE); }
QK_TString MainControlDispatch::Text64() { return Call<QK_TString>(ids_.text64, VTS_NONE); }

double MainControlDispatch::NumericVariable(const QK_TString& name) {
  return Call<double>(ids_.numericVariable, VTS_BSTR, name);
}

QK_TString MainControlDispatch::StringVariable(const QK_TString& name) {
  return Call<QK_TString>(ids_.stringVariable, VTS_BSTR, name);
}

std::int16_t MainControlDispatch::Unit() { return Call<std::int16_t>(ids_.unit, VTS_NONE); }

std::int16_t MainControlDispatch::ExportThumbnail(const QK_TString& path) {
  return Call<std::int16_t>(ids_.exportThumbnail, VTS_BSTR, path);
}

void MainControlDispatch::SetOption72(std::int16_t value) { Call<void>(ids_.setOption72, VTS_I2, value); }

std::int16_t MainControlDispatch::DeletePrintItem(std::int32_t index) {
  return Call<std::int16_t>(ids_.deletePrintItem, VTS_I4, index);
}

std::int16_t MainControlDispatch::CheckPrintItem(std::int32_t number, std::int32_t kind, std::int32_t index) {
  return Call<std::int16_t>(ids_.checkPrintItem, VTS_I4 VTS_I4 VTS_I4, number, kind, index);
}

std::int16_t MainControlDispatch::RemovePrintItem(std::int32_t index) {
  return Call<std::int16_t>(ids_.removePrintItem, VTS_I4, index);
}

std::int16_t MainControlDispatch::CreatePrintItems(std::int32_t kind, bool flag) {
  return Call<std::int16_t>(ids_.createPrintItems, VTS_I4 VTS_BOOL, kind, flag);
}

std::int32_t MainControlDispatch::PrintItemCount(std::int32_t kind) {
  return Call<std::int32_t>(ids_.printItemCount, VTS_I4, kind);
}

std::int16_t MainControlDispatch::SelectPrintItem(std::int32_t number, std::int32_t index,
                                                  std::int16_t flag) {
  return Call<std::int16_t>(ids_.selectPrintItem, VTS_I4 VTS_I4 VTS_I2, number, index, flag);
}

std::int16_t MainControlDispatch::InvokeMethod79(const QK_TString& text, std::int32_t a, std::int32_t b) {
  return Call<std::int16_t>(ids_.invokeMethod79, VTS_BSTR VTS_I4 VTS_I4, text, a, b);
}

QK_TString MainControlDispatch::PrintItemName(std::int32_t kind, std::int32_t index) {
  return Call<QK_TString>(ids_.printItemName, VTS_I4 VTS_I4, kind, index);
}

IDispatch* MainControlDispatch::DesignRecord() { return Call<IDispatch*>(ids_.designRecord, VTS_NONE); }

std::int16_t MainControlDispatch::SetDefaultsLocation(const QK_TString& path) {
  return Call<std::int16_t>(ids_.defaultsLocation, VTS_BSTR, path);
}

std::int16_t MainControlDispatch::Disconnect() { return Call<std::int16_t>(ids_.disconnect, VTS_NONE); }

std::int16_t MainControlDispatch::Connect(const QK_TString& dataSourceName) {
  return Call<std::int16_t>(ids_.connect, VTS_BSTR VTS_BSTR VTS_BSTR, dataSourceName, kNoText, kNoText);
}

// Standards component.

std::int16_t StandardsDispatch::Login(const QK_TString& location, const QK_TString& user,
                                      const QK_TString& password) {
  return Call<std::int16_t>(ids_.login, VTS_BSTR VTS_BSTR VTS_BSTR VTS_I2 VTS_I2, location, user, password,
                            kZero, kZero);
}

std::int16_t StandardsDispatch::Open(const QK_TString& standard, std::int16_t option, std::int16_t unit,
                                     const QK_TString& text, const QK_TString& parameterSet) {
  return Call<std::int16_t>(ids_.open, VTS_BSTR VTS_I2 VTS_I2 VTS_BSTR VTS_BSTR, standard, option, unit, text,
                            parameterSet);
}

std::int16_t StandardsDispatch::MenuCount() { return Call<std::int16_t>(ids_.menuCount, VTS_NONE); }

IDispatch* StandardsDispatch::Menu(std::int16_t menu, std::int16_t previous) {
  return Call<IDispatch*>(ids_.menu, VTS_I2 VTS_I2, menu, previous);
}

std::int16_t StandardsDispatch::Plot(std::int16_t menu, std::int16_t item, const QK_TString& path,
                                     std::int16_t width, std::int16_t height) {
  return Call<std::int16_t>(ids_.plot, VTS_I2 VTS_I2 VTS_BSTR VTS_I2 VTS_I2 VTS_I2, menu, item, path, kOne,
                            width, height);
}

std::int16_t StandardsDispatch::ValueCheck(std::int16_t menu) {
  return Call<std::int16_t>(ids_.valueCheck, VTS_I2, menu);
}

std::int16_t StandardsDispatch::ConditionCheck(std::int16_t menu) {
  return Call<std::int16_t>(ids_.conditionCheck, VTS_I2, menu);
}

QK_TString StandardsDispatch::ErrorText() { return Call<QK_TString>(ids_.errorText, VTS_NONE); }

std::int16_t StandardsDispatch::Finish(std::int16_t lastMenu) {
  return Call<std::int16_t>(ids_.finish, VTS_I2, lastMenu);
}

std::int16_t StandardsDispatch::FinalCheck() { return Call<std::int16_t>(ids_.finalCheck, VTS_NONE); }
std::int16_t StandardsDispatch::Save(const QK_TString& path) {
  return Call<std::int16_t>(ids_.save, VTS_BSTR, path);
}

std::int16_t StandardsDispatch::MenuXml(const QK_TString& path, std::int16_t a, std::int16_t b,
                                        std::int16_t c, std::int16_t d) {
  return Call<std::int16_t>(ids_.menuXml, VTS_BSTR VTS_I2 VTS_I2 VTS_I2 VTS_I2, path, a, b, c, d);
}

// Menus and menu items.

std::int16_t MenuDispatch::Kind() { return Call<std::int16_t>(kMenu.kind, VTS_NONE); }

void MenuDispatch::SetFlags() {
  Put(kMenu.firstFlag, kOne);
  Put(kMenu.secondFlag, kOne);
}

std::int16_t MenuDispatch::ItemCount() { return Call<std::int16_t>(kMenu.itemCount, VTS_NONE); }
IDispatch* MenuDispatch::Item(std::int16_t item) { return Call<IDispatch*>(kMenu.item, VTS_I2, item); }
QK_TString MenuDispatch::Title() { return Call<QK_TString>(kMenu.title, VTS_NONE); }

QK_TString MenuItemDispatch::Name() { return Call<QK_TString>(kMenuItem.name, VTS_NONE); }
void MenuItemDispatch::SetValue(const QK_TString& value) { Put(kMenuItem.value, value); }
void MenuItemDispatch::SetValue(std::int16_t value) { Put(kMenuItem.value, value); }
QK_TString MenuItemDispatch::Default() const { return Get<QK_TString>(kMenuItem.defaultText); }

// Layout object.

QK_TString LayoutDispatch::ErrorText() { return Call<QK_TString>(kLayout.errorText, VTS_NONE); }

std::int16_t LayoutDispatch::SetSheetSize(double a, double b, double c, double d, double e, double f) {
  return Call<std::int16_t>(kLayout.setSheetSize, VTS_R8 VTS_R8 VTS_R8 VTS_R8 VTS_R8 VTS_R8, a, b, c, d, e,
                            f);
}

std::int32_t LayoutDispatch::AddOneup(const QK_TString& design) {
  return Call<std::int32_t>(kLayout.addOneup, VTS_BSTR, design);
}

std::int16_t LayoutDispatch::SetNestData(std::int32_t nestingType, double gapX, double gapY,
                                         std::int16_t flag) {
  return Call<std::int16_t>(kLayout.setNestData, VTS_I4 VTS_R8 VTS_R8 VTS_I2, nestingType, gapX, gapY, flag);
}

std::int32_t LayoutDispatch::QueryOneup43(std::int32_t oneup) {
  return Call<std::int32_t>(kLayout.queryOneup43, VTS_I4, oneup);
}

std::int32_t LayoutDispatch::QueryOneup44(std::int32_t oneup) {
  return Call<std::int32_t>(kLayout.queryOneup44, VTS_I4, oneup);
}

std::int16_t LayoutDispatch::PlaceOneupGrid(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
  return Call<std::int16_t>(kLayout.placeOneupGrid, VTS_I4 VTS_I4 VTS_I4 VTS_I4, a, b, c, d);
}

std::int32_t LayoutDispatch::LayoutValue46(std::int32_t value) {
  return Call<std::int32_t>(kLayout.layoutValue46, VTS_I4, value);
}

std::int32_t LayoutDispatch::LayoutValue47(std::int32_t value) {
  return Call<std::int32_t>(kLayout.layoutValue47, VTS_I4, value);
}

std::int16_t LayoutDispatch::PlaceOneupGridAlt(std::int32_t a, std::int32_t b, std::int32_t c,
                                               std::int32_t d) {
  return Call<std::int16_t>(kLayout.placeOneupGridAlt, VTS_I4 VTS_I4 VTS_I4 VTS_I4, a, b, c, d);
}

std::int16_t LayoutDispatch::PositionOneups(std::int16_t mode) {
  return Call<std::int16_t>(kLayout.positionOneups, VTS_I2, mode);
}

std::int16_t LayoutDispatch::SetLayoutOption(std::int16_t option, std::int16_t value) {
  return Call<std::int16_t>(kLayout.setLayoutOption, VTS_I2 VTS_I2, option, value);
}

std::int16_t LayoutDispatch::InvokeMethod51(std::int32_t a, std::int32_t b, double c, double d, double e,
                                            std::int32_t f) {
  return Call<std::int16_t>(kLayout.invokeMethod51, VTS_I4 VTS_I4 VTS_R8 VTS_R8 VTS_R8 VTS_I4, a, b, c, d, e,
                            f);
}

void LayoutDispatch::Reset() { Call<void>(kLayout.reset, VTS_NONE); }
std::int16_t LayoutDispatch::SetRotation(double angle) {
  return Call<std::int16_t>(kLayout.setRotation, VTS_R8, angle);
}

// Design database.

std::int32_t ConnectionDispatch::Login(const QK_TString& dataSourceName) {
  return Call<std::int32_t>(kConnection.login, VTS_BSTR VTS_BSTR VTS_BSTR, dataSourceName, kNoText, kNoText);
}

std::int16_t DesignRecordDispatch::SetCustomer(std::int32_t id, std::int32_t second) {
  return Call<std::int16_t>(kDesignRecord.customer, VTS_I4 VTS_I4, id, second);
}

std::int16_t DesignRecordDispatch::SetOwner(std::int32_t id, std::int32_t second) {
  return Call<std::int16_t>(kDesignRecord.owner, VTS_I4 VTS_I4, id, second);
}

std::int16_t DesignRecordDispatch::SetDesigner(std::int32_t id, std::int32_t second) {
  return Call<std::int16_t>(kDesignRecord.designer, VTS_I4 VTS_I4, id, second);
}

std::int16_t DesignRecordDispatch::SetSalesperson(std::int32_t id, std::int32_t second) {
  return Call<std::int16_t>(kDesignRecord.salesperson, VTS_I4 VTS_I4, id, second);
}

}  // namespace CAD
