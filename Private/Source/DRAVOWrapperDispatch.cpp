#include "DRAVOWrapperDispatch.h"

#include <string>

namespace CAD {

namespace {

MainControlIds ConventionalMain() {
  MainControlIds ids{};
  ids.enterprise = false;
  ids.errorText = 31;
  ids.openDesign = 2;
  ids.saveDesign = 41;
  ids.documentXml = 120;
  ids.version = 51;
  ids.start = 79;
  ids.invokeMethod13 = 3;
  ids.setLayer = 8;
  ids.rebuild = 43;
  ids.invokeMethod16 = 42;
  ids.closeDesign = 11;
  ids.setBoardCode = 38;
  ids.setNumericVariable = 36;
  ids.addNumericVariable = 45;
  ids.setStringVariable = 34;
  ids.addStringVariable = 44;
  ids.readNumericVariable = 6;
  ids.readStringVariable = 7;
  ids.runCommand = 64;
  ids.setStyleWorkspace = 33;
  ids.runStyleStandard = 32;
  ids.setOption28 = 22;
  ids.setOption29 = 26;
  ids.setBoardCodeAndDescription = 117;
  ids.setPrintSide = 24;
  ids.setOption36 = 14;
  ids.layoutObject = 87;
  ids.evaluateString = 88;
  ids.evaluateNumeric = 89;
  ids.preparePrintItems = 48;
  ids.expressionError = 12;
  ids.exportImage = 61;
  ids.imageSetting60 = 23;
  ids.industryCode = 21;
  ids.text62 = 13;
  ids.text63 = 20;
  ids.text64 = 118;
  ids.numericVariable = 70;
  ids.stringVariable = 69;
  ids.unit = 25;
  ids.exportThumbnail = 90;
  ids.setOption72 = 18;
  ids.deletePrintItem = 100;
  ids.checkPrintItem = 103;
  ids.removePrintItem = 99;
  ids.createPrintItems = 49;
  ids.printItemCount = 76;
  ids.selectPrintItem = 57;
  ids.invokeMethod79 = 107;
  ids.printItemName = 77;
  ids.designRecord = 52;
  ids.defaultsLocation = 116;
  ids.disconnect = 30;
  ids.connect = 29;
  return ids;
}

MainControlIds EnterpriseMain() {
  MainControlIds ids{};
  ids.enterprise = true;
  ids.errorText = 25;
  ids.openDesign = 2;
  ids.saveDesign = 35;
  ids.documentXml = 106;
  ids.version = 45;
  ids.start = 71;
  ids.login = 1;
  ids.afterLogin = 107;
  ids.invokeMethod13 = 3;
  ids.setLayer = 8;
  ids.rebuild = 37;
  ids.invokeMethod16 = 36;
  ids.closeDesign = 11;
  ids.setBoardCode = 32;
  ids.setNumericVariable = 30;
  ids.addNumericVariable = 39;
  ids.setStringVariable = 28;
  ids.addStringVariable = 38;
  ids.readNumericVariable = 6;
  ids.readStringVariable = 7;
  ids.runCommand = 57;
  ids.setStyleWorkspace = 27;
  ids.runStyleStandard = 26;
  ids.setOption28 = 18;
  ids.setOption29 = 22;
  ids.setBoardCodeAndDescription = 108;
  ids.setPrintSide = 20;
  ids.setOption36 = 14;
  ids.layoutObject = 76;
  ids.evaluateString = 77;
  ids.evaluateNumeric = 78;
  ids.preparePrintItems = 42;
  ids.expressionError = 12;
  ids.exportImage = 54;
  ids.imageSetting60 = 19;
  ids.industryCode = 17;
  ids.text62 = 13;
  ids.text63 = 16;
  ids.text64 = 109;
  ids.numericVariable = 62;
  ids.stringVariable = 61;
  ids.unit = 21;
  ids.exportThumbnail = 79;
  ids.deletePrintItem = 89;
  ids.checkPrintItem = 92;
  ids.removePrintItem = 88;
  ids.createPrintItems = 43;
  ids.printItemCount = 68;
  ids.selectPrintItem = 50;
  ids.invokeMethod79 = 96;
  ids.printItemName = 69;
  return ids;
}

// The wide text of a string argument; alive for the whole call.
std::wstring W(const QK_TString& text) { return text.wc_str(); }

constexpr WORD kMethod = DISPATCH_METHOD;

}  // namespace

const MainControlIds kConventionalMainIds = ConventionalMain();
const MainControlIds kEnterpriseMainIds = EnterpriseMain();
const StandardsIds kConventionalStandardsIds = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
const StandardsIds kEnterpriseStandardsIds = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

void CreateDispatchOrThrow(COleDispatchDriver& driver, const wchar_t* progId) {
  auto* error = new COleException();
  if (!driver.CreateDispatch(progId, error)) throw static_cast<CException*>(error);
  error->Delete();
}

OutString::OutString() : text_(SysAllocString(L"")) {}
OutString::~OutString() { SysFreeString(text_); }
QK_TString OutString::Text() const { return QK_TString(text_ != nullptr ? text_ : L""); }

// Main control.

std::int16_t MainControlDispatch::ErrorText(BSTR* text) {
  std::int16_t status = 0;
  InvokeHelper(ids_.errorText, kMethod, VT_I2, &status, VTS_PBSTR, text);
  return status;
}

std::int16_t MainControlDispatch::OpenDesign(const QK_TString& path) {
  std::int16_t status = 0;
  if (ids_.enterprise) {
    InvokeHelper(ids_.openDesign, kMethod, VT_I2, &status, VTS_BSTR, W(path).c_str());
  } else {
    InvokeHelper(ids_.openDesign, kMethod, VT_I2, &status, VTS_BSTR VTS_I2, W(path).c_str(), std::int16_t{1});
  }
  return status;
}

std::int16_t MainControlDispatch::SaveDesign(const QK_TString& path) {
  std::int16_t status = 0;
  if (ids_.enterprise) {
    InvokeHelper(ids_.saveDesign, kMethod, VT_I2, &status, VTS_BSTR VTS_I2 VTS_BSTR, W(path).c_str(),
                 std::int16_t{1}, L"Debug Save From Quenlark");
  } else {
    InvokeHelper(ids_.saveDesign, kMethod, VT_I2, &status, VTS_BSTR VTS_I2, W(path).c_str(), std::int16_t{1});
  }
  return status;
}

std::int16_t MainControlDispatch::DocumentXml(BSTR* xml) {
  std::int16_t status = 0;
  InvokeHelper(ids_.documentXml, kMethod, VT_I2, &status, VTS_PBSTR, xml);
  return status;
}

std::int16_t MainControlDispatch::Version(BSTR* version) {
  std::int16_t status = 0;
  InvokeHelper(ids_.version, kMethod, VT_I2, &status, VTS_PBSTR, version);
  return status;
}

void MainControlDispatch::Start(std::int16_t mode) {
  InvokeHelper(ids_.start, kMethod, VT_EMPTY, nullptr, VTS_I2, mode);
}

std::int16_t MainControlDispatch::Login(const QK_TString& location, const QK_TString& user,
                                        const QK_TString& password) {
  std::int16_t status = 0;
  InvokeHelper(ids_.login, kMethod, VT_I2, &status, VTS_BSTR VTS_BSTR VTS_BSTR VTS_I2 VTS_I2,
               W(location).c_str(), W(user).c_str(), W(password).c_str(), std::int16_t{0}, std::int16_t{0});
  return status;
}

std::int16_t MainControlDispatch::AfterLogin() {
  std::int16_t status = 0;
  InvokeHelper(ids_.afterLogin, kMethod, VT_I2, &status, VTS_I4, std::int32_t{0});
  return status;
}

std::int16_t MainControlDispatch::InvokeMethod13() {
  std::int16_t status = 0;
  InvokeHelper(ids_.invokeMethod13, kMethod, VT_I2, &status, VTS_NONE);
  return status;
}

std::int16_t MainControlDispatch::SetLayer(std::int32_t index, std::int16_t on) {
  std::int16_t status = 0;
  InvokeHelper(ids_.setLayer, kMethod, VT_I2, &status, VTS_I4 VTS_I2, index, on);
  return status;
}

std::int16_t MainControlDispatch::Rebuild() {
  std::int16_t status = 0;
  InvokeHelper(ids_.rebuild, kMethod, VT_I2, &status, VTS_I2, std::int16_t{0});
  return status;
}

std::int16_t MainControlDispatch::InvokeMethod16(const QK_TString& first, std::int16_t value,
                                                 const QK_TString& second) {
  std::int16_t status = 0;
  InvokeHelper(ids_.invokeMethod16, kMethod, VT_I2, &status, VTS_BSTR VTS_I2 VTS_BSTR, W(first).c_str(), value,
               W(second).c_str());
  return status;
}

std::int16_t MainControlDispatch::CloseDesign() {
  std::int16_t status = 0;
  InvokeHelper(ids_.closeDesign, kMethod, VT_I2, &status, VTS_NONE);
  return status;
}

std::int16_t MainControlDispatch::SetBoardCode(const QK_TString& code) {
  std::int16_t status = 0;
  InvokeHelper(ids_.setBoardCode, kMethod, VT_I2, &status, VTS_BSTR, W(code).c_str());
  return status;
}

std::int16_t MainControlDispatch::SetNumericVariable(const QK_TString& name, double value) {
  std::int16_t status = 0;
  InvokeHelper(ids_.setNumericVariable, kMethod, VT_I2, &status, VTS_BSTR VTS_R8, W(name).c_str(), value);
  return status;
}

std::int16_t MainControlDispatch::AddNumericVariable(const QK_TString& name, double value) {
  std::int16_t status = 0;
  InvokeHelper(ids_.addNumericVariable, kMethod, VT_I2, &status, VTS_BSTR VTS_R8, W(name).c_str(), value);
  return status;
}

std::int16_t MainControlDispatch::SetStringVariable(const QK_TString& name, const QK_TString& value) {
  std::int16_t status = 0;
  InvokeHelper(ids_.setStringVariable, kMethod, VT_I2, &status, VTS_BSTR VTS_BSTR, W(name).c_str(),
               W(value).c_str());
  return status;
}

std::int16_t MainControlDispatch::AddStringVariable(const QK_TString& name, const QK_TString& value) {
  std::int16_t status = 0;
  InvokeHelper(ids_.addStringVariable, kMethod, VT_I2, &status, VTS_BSTR VTS_BSTR, W(name).c_str(),
               W(value).c_str());
  return status;
}

std::int16_t MainControlDispatch::ReadNumericVariable(const QK_TString& name, double* value) {
  std::int16_t status = 0;
  InvokeHelper(ids_.readNumericVariable, kMethod, VT_I2, &status, VTS_BSTR VTS_PR8, W(name).c_str(), value);
  return status;
}

std::int16_t MainControlDispatch::ReadStringVariable(const QK_TString& name, BSTR* value) {
  std::int16_t status = 0;
  InvokeHelper(ids_.readStringVariable, kMethod, VT_I2, &status, VTS_BSTR VTS_PBSTR, W(name).c_str(), value);
  return status;
}

std::int16_t MainControlDispatch::RunCommand(const QK_TString& command) {
  std::int16_t status = 0;
  InvokeHelper(ids_.runCommand, kMethod, VT_I2, &status, VTS_BSTR, W(command).c_str());
  return status;
}

std::int16_t MainControlDispatch::SetStyleWorkspace(const QK_TString& workspace) {
  std::int16_t status = 0;
  InvokeHelper(ids_.setStyleWorkspace, kMethod, VT_I2, &status, VTS_BSTR, W(workspace).c_str());
  return status;
}

std::int16_t MainControlDispatch::RunStyleStandard(std::int16_t flag) {
  std::int16_t status = 0;
  InvokeHelper(ids_.runStyleStandard, kMethod, VT_I2, &status, VTS_I2, flag);
  return status;
}

void MainControlDispatch::SetOption28(std::int16_t value) {
  InvokeHelper(ids_.setOption28, kMethod, VT_EMPTY, nullptr, VTS_I2, value);
}

void MainControlDispatch::SetOption29(std::int16_t value) {
  InvokeHelper(ids_.setOption29, kMethod, VT_EMPTY, nullptr, VTS_I2, value);
}

std::int16_t MainControlDispatch::SetBoardCodeAndDescription(const QK_TString& code, const QK_TString& description) {
  std::int16_t status = 0;
  InvokeHelper(ids_.setBoardCodeAndDescription, kMethod, VT_I2, &status, VTS_BSTR VTS_BSTR, W(code).c_str(),
               W(description).c_str());
  return status;
}

void MainControlDispatch::SetPrintSide(std::int16_t printSide) {
  InvokeHelper(ids_.setPrintSide, kMethod, VT_EMPTY, nullptr, VTS_I2, printSide);
}

void MainControlDispatch::SetOption36(std::int16_t value) {
  InvokeHelper(ids_.setOption36, kMethod, VT_EMPTY, nullptr, VTS_I2, value);
}

IDispatch* MainControlDispatch::LayoutObject() {
  IDispatch* layout = nullptr;
  InvokeHelper(ids_.layoutObject, kMethod, VT_DISPATCH, &layout, VTS_NONE);
  return layout;
}

QK_TString MainControlDispatch::EvaluateString(const QK_TString& expression) {
  CString text;
  InvokeHelper(ids_.evaluateString, kMethod, VT_BSTR, &text, VTS_BSTR, W(expression).c_str());
  return QK_TString(text.GetString());
}

double MainControlDispatch::EvaluateNumeric(const QK_TString& expression) {
  double value = 0.0;
  InvokeHelper(ids_.evaluateNumeric, kMethod, VT_R8, &value, VTS_BSTR, W(expression).c_str());
  return value;
}

std::int16_t MainControlDispatch::PreparePrintItems(std::int32_t number, bool flag) {
  std::int16_t status = 0;
  InvokeHelper(ids_.preparePrintItems, kMethod, VT_I2, &status, VTS_I4 VTS_BOOL, number, flag);
  return status;
}

std::int16_t MainControlDispatch::ExpressionError() {
  std::int16_t code = 0;
  InvokeHelper(ids_.expressionError, kMethod, VT_I2, &code, VTS_NONE);
  return code;
}

std::int16_t MainControlDispatch::ExportImage(std::int16_t kind, const QK_TString& path, std::int16_t a,
                                              std::int16_t b, const VARIANT* c, const VARIANT* d, const VARIANT* e,
                                              const VARIANT* f, const VARIANT* g) {
  std::int16_t status = 0;
  InvokeHelper(ids_.exportImage, kMethod, VT_I2, &status,
               VTS_I2 VTS_BSTR VTS_I2 VTS_I2 VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT, kind,
               W(path).c_str(), a, b, c, d, e, f, g);
  return status;
}

std::int16_t MainControlDispatch::ImageSetting60() {
  std::int16_t value = 0;
  InvokeHelper(ids_.imageSetting60, kMethod, VT_I2, &value, VTS_NONE);
  return value;
}

std::int16_t MainControlDispatch::IndustryCode() {
  std::int16_t value = 0;
  InvokeHelper(ids_.industryCode, kMethod, VT_I2, &value, VTS_NONE);
  return value;
}

std::int16_t MainControlDispatch::Text62(BSTR* text) {
  std::int16_t status = 0;
  InvokeHelper(ids_.text62, kMethod, VT_I2, &status, VTS_PBSTR, text);
  return status;
}

QK_TString MainControlDispatch::Text63() {
  CString text;
  InvokeHelper(ids_.text63, kMethod, VT_BSTR, &text, VTS_NONE);
  return QK_TString(text.GetString());
}

QK_TString MainControlDispatch::Text64() {
  CString text;
  InvokeHelper(ids_.text64, kMethod, VT_BSTR, &text, VTS_NONE);
  return QK_TString(text.GetString());
}

double MainControlDispatch::NumericVariable(const QK_TString& name) {
  double value = 0.0;
  InvokeHelper(ids_.numericVariable, kMethod, VT_R8, &value, VTS_BSTR, W(name).c_str());
  return value;
}

QK_TString MainControlDispatch::StringVariable(const QK_TString& name) {
  CString text;
  InvokeHelper(ids_.stringVariable, kMethod, VT_BSTR, &text, VTS_BSTR, W(name).c_str());
  return QK_TString(text.GetString());
}

std::int16_t MainControlDispatch::Unit() {
  std::int16_t unit = 0;
  InvokeHelper(ids_.unit, kMethod, VT_I2, &unit, VTS_NONE);
  return unit;
}

std::int16_t MainControlDispatch::ExportThumbnail(const QK_TString& path) {
  std::int16_t status = 0;
  InvokeHelper(ids_.exportThumbnail, kMethod, VT_I2, &status, VTS_BSTR, W(path).c_str());
  return status;
}

void MainControlDispatch::SetOption72(std::int16_t value) {
  InvokeHelper(ids_.setOption72, kMethod, VT_EMPTY, nullptr, VTS_I2, value);
}

std::int16_t MainControlDispatch::DeletePrintItem(std::int32_t index) {
  std::int16_t status = 0;
  InvokeHelper(ids_.deletePrintItem, kMethod, VT_I2, &status, VTS_I4, index);
  return status;
}

std::int16_t MainControlDispatch::CheckPrintItem(std::int32_t number, std::int32_t kind, std::int32_t index) {
  std::int16_t status = 0;
  InvokeHelper(ids_.checkPrintItem, kMethod, VT_I2, &status, VTS_I4 VTS_I4 VTS_I4, number, kind, index);
  return status;
}

std::int16_t MainControlDispatch::RemovePrintItem(std::int32_t index) {
  std::int16_t status = 0;
  InvokeHelper(ids_.removePrintItem, kMethod, VT_I2, &status, VTS_I4, index);
  return status;
}

std::int16_t MainControlDispatch::CreatePrintItems(std::int32_t kind, bool flag) {
  std::int16_t status = 0;
  InvokeHelper(ids_.createPrintItems, kMethod, VT_I2, &status, VTS_I4 VTS_BOOL, kind, flag);
  return status;
}

std::int32_t MainControlDispatch::PrintItemCount(std::int32_t kind) {
  std::int32_t count = 0;
  InvokeHelper(ids_.printItemCount, kMethod, VT_I4, &count, VTS_I4, kind);
  return count;
}

std::int16_t MainControlDispatch::SelectPrintItem(std::int32_t number, std::int32_t index, std::int16_t flag) {
  std::int16_t status = 0;
  InvokeHelper(ids_.selectPrintItem, kMethod, VT_I2, &status, VTS_I4 VTS_I4 VTS_I2, number, index, flag);
  return status;
}

std::int16_t MainControlDispatch::InvokeMethod79(const QK_TString& text, std::int32_t a, std::int32_t b) {
  std::int16_t status = 0;
  InvokeHelper(ids_.invokeMethod79, kMethod, VT_I2, &status, VTS_BSTR VTS_I4 VTS_I4, W(text).c_str(), a, b);
  return status;
}

QK_TString MainControlDispatch::PrintItemName(std::int32_t kind, std::int32_t index) {
  CString name;
  InvokeHelper(ids_.printItemName, kMethod, VT_BSTR, &name, VTS_I4 VTS_I4, kind, index);
  return QK_TString(name.GetString());
}

IDispatch* MainControlDispatch::DesignRecord() {
  IDispatch* record = nullptr;
  InvokeHelper(ids_.designRecord, kMethod, VT_DISPATCH, &record, VTS_NONE);
  return record;
}

std::int16_t MainControlDispatch::SetDefaultsLocation(const QK_TString& path) {
  std::int16_t status = 0;
  InvokeHelper(ids_.defaultsLocation, kMethod, VT_I2, &status, VTS_BSTR, W(path).c_str());
  return status;
}

std::int16_t MainControlDispatch::Disconnect() {
  std::int16_t status = 0;
  InvokeHelper(ids_.disconnect, kMethod, VT_I2, &status, VTS_NONE);
  return status;
}

std::int16_t MainControlDispatch::Connect(const QK_TString& dataSourceName) {
  std::int16_t status = 0;
  InvokeHelper(ids_.connect, kMethod, VT_I2, &status, VTS_BSTR VTS_BSTR VTS_BSTR, W(dataSourceName).c_str(), L"",
               L"");
  return status;
}

// Standards component.

std::int16_t StandardsDispatch::Login(const QK_TString& location, const QK_TString& user,
                                      const QK_TString& password) {
  std::int16_t status = 0;
  InvokeHelper(ids_.login, kMethod, VT_I2, &status, VTS_BSTR VTS_BSTR VTS_BSTR VTS_I2 VTS_I2,
               W(location).c_str(), W(user).c_str(), W(password).c_str(), std::int16_t{0}, std::int16_t{0});
  return status;
}

std::int16_t StandardsDispatch::Open(const QK_TString& standard, std::int16_t option, std::int16_t unit,
                                     const QK_TString& text, const QK_TString& parameterSet) {
  std::int16_t status = 0;
  InvokeHelper(ids_.open, kMethod, VT_I2, &status, VTS_BSTR VTS_I2 VTS_I2 VTS_BSTR VTS_BSTR, W(standard).c_str(),
               option, unit, W(text).c_str(), W(parameterSet).c_str());
  return status;
}

std::int16_t StandardsDispatch::MenuCount() {
  std::int16_t count = 0;
  InvokeHelper(ids_.menuCount, kMethod, VT_I2, &count, VTS_NONE);
  return count;
}

IDispatch* StandardsDispatch::Menu(std::int16_t menu, std::int16_t previous) {
  IDispatch* object = nullptr;
  InvokeHelper(ids_.menu, kMethod, VT_DISPATCH, &object, VTS_I2 VTS_I2, menu, previous);
  return object;
}

std::int16_t StandardsDispatch::Plot(std::int16_t menu, std::int16_t item, const QK_TString& path,
                                     std::int16_t width, std::int16_t height) {
  std::int16_t status = 0;
  InvokeHelper(ids_.plot, kMethod, VT_I2, &status, VTS_I2 VTS_I2 VTS_BSTR VTS_I2 VTS_I2 VTS_I2, menu, item,
               W(path).c_str(), std::int16_t{1}, width, height);
  return status;
}

std::int16_t StandardsDispatch::ValueCheck(std::int16_t menu) {
  std::int16_t status = 0;
  InvokeHelper(ids_.valueCheck, kMethod, VT_I2, &status, VTS_I2, menu);
  return status;
}

std::int16_t StandardsDispatch::ConditionCheck(std::int16_t menu) {
  std::int16_t status = 0;
  InvokeHelper(ids_.conditionCheck, kMethod, VT_I2, &status, VTS_I2, menu);
  return status;
}

QK_TString StandardsDispatch::ErrorText() {
  CString text;
  InvokeHelper(ids_.errorText, kMethod, VT_BSTR, &text, VTS_NONE);
  return QK_TString(text.GetString());
}

std::int16_t StandardsDispatch::Finish(std::int16_t lastMenu) {
  std::int16_t status = 0;
  InvokeHelper(ids_.finish, kMethod, VT_I2, &status, VTS_I2, lastMenu);
  return status;
}

std::int16_t StandardsDispatch::FinalCheck() {
  std::int16_t status = 0;
  InvokeHelper(ids_.finalCheck, kMethod, VT_I2, &status, VTS_NONE);
  return status;
}

std::int16_t StandardsDispatch::Save(const QK_TString& path) {
  std::int16_t status = 0;
  InvokeHelper(ids_.save, kMethod, VT_I2, &status, VTS_BSTR, W(path).c_str());
  return status;
}

std::int16_t StandardsDispatch::MenuXml(const QK_TString& path, std::int16_t a, std::int16_t b, std::int16_t c,
                                        std::int16_t d) {
  std::int16_t status = 0;
  InvokeHelper(ids_.menuXml, kMethod, VT_I2, &status, VTS_BSTR VTS_I2 VTS_I2 VTS_I2 VTS_I2, W(path).c_str(), a, b,
               c, d);
  return status;
}

// Menus and menu items.

std::int16_t MenuDispatch::Kind() {
  std::int16_t kind = 0;
  InvokeHelper(4, kMethod, VT_I2, &kind, VTS_NONE);
  return kind;
}

void MenuDispatch::SetFlags() {
  SetProperty(2, VT_I2, std::int16_t{1});
  SetProperty(1, VT_I2, std::int16_t{1});
}

std::int16_t MenuDispatch::ItemCount() {
  std::int16_t count = 0;
  InvokeHelper(6, kMethod, VT_I2, &count, VTS_NONE);
  return count;
}

IDispatch* MenuDispatch::Item(std::int16_t item) {
  IDispatch* object = nullptr;
  InvokeHelper(10, kMethod, VT_DISPATCH, &object, VTS_I2, item);
  return object;
}

QK_TString MenuDispatch::Title() {
  CString title;
  InvokeHelper(5, kMethod, VT_BSTR, &title, VTS_NONE);
  return QK_TString(title.GetString());
}

QK_TString MenuItemDispatch::Name() {
  CString name;
  InvokeHelper(4, kMethod, VT_BSTR, &name, VTS_NONE);
  return QK_TString(name.GetString());
}

void MenuItemDispatch::SetValue(const QK_TString& value) {
  const std::wstring wide = W(value);
  SetProperty(1, VT_BSTR, wide.c_str());
}

void MenuItemDispatch::SetValue(std::int16_t value) { SetProperty(1, VT_I2, value); }

QK_TString MenuItemDispatch::Default() const {
  CString text;
  GetProperty(2, VT_BSTR, &text);
  return QK_TString(text.GetString());
}

// Layout object.

QK_TString LayoutDispatch::ErrorText() {
  CString text;
  InvokeHelper(9, kMethod, VT_BSTR, &text, VTS_NONE);
  return QK_TString(text.GetString());
}

std::int16_t LayoutDispatch::SetSheetSize(double a, double b, double c, double d, double e, double f) {
  std::int16_t status = 0;
  InvokeHelper(1, kMethod, VT_I2, &status, VTS_R8 VTS_R8 VTS_R8 VTS_R8 VTS_R8 VTS_R8, a, b, c, d, e, f);
  return status;
}

std::int32_t LayoutDispatch::AddOneup(const QK_TString& design) {
  std::int32_t index = 0;
  InvokeHelper(2, kMethod, VT_I4, &index, VTS_BSTR, W(design).c_str());
  return index;
}

std::int16_t LayoutDispatch::SetNestData(std::int32_t nestingType, double gapX, double gapY, std::int16_t flag) {
  std::int16_t status = 0;
  InvokeHelper(10, kMethod, VT_I2, &status, VTS_I4 VTS_R8 VTS_R8 VTS_I2, nestingType, gapX, gapY, flag);
  return status;
}

std::int32_t LayoutDispatch::QueryOneup43(std::int32_t oneup) {
  std::int32_t value = 0;
  InvokeHelper(3, kMethod, VT_I4, &value, VTS_I4, oneup);
  return value;
}

std::int32_t LayoutDispatch::QueryOneup44(std::int32_t oneup) {
  std::int32_t value = 0;
  InvokeHelper(4, kMethod, VT_I4, &value, VTS_I4, oneup);
  return value;
}

std::int16_t LayoutDispatch::PlaceOneupGrid(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
  std::int16_t status = 0;
  InvokeHelper(5, kMethod, VT_I2, &status, VTS_I4 VTS_I4 VTS_I4 VTS_I4, a, b, c, d);
  return status;
}

std::int32_t LayoutDispatch::LayoutValue46(std::int32_t value) {
  std::int32_t result = 0;
  InvokeHelper(13, kMethod, VT_I4, &result, VTS_I4, value);
  return result;
}

std::int32_t LayoutDispatch::LayoutValue47(std::int32_t value) {
  std::int32_t result = 0;
  InvokeHelper(14, kMethod, VT_I4, &result, VTS_I4, value);
  return result;
}

std::int16_t LayoutDispatch::PlaceOneupGridAlt(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
  std::int16_t status = 0;
  InvokeHelper(15, kMethod, VT_I2, &status, VTS_I4 VTS_I4 VTS_I4 VTS_I4, a, b, c, d);
  return status;
}

std::int16_t LayoutDispatch::PositionOneups(std::int16_t mode) {
  std::int16_t status = 0;
  InvokeHelper(12, kMethod, VT_I2, &status, VTS_I2, mode);
  return status;
}

std::int16_t LayoutDispatch::SetLayoutOption(std::int16_t option, std::int16_t value) {
  std::int16_t status = 0;
  InvokeHelper(7, kMethod, VT_I2, &status, VTS_I2 VTS_I2, option, value);
  return status;
}

std::int16_t LayoutDispatch::InvokeMethod51(std::int32_t a, std::int32_t b, double c, double d, double e,
                                            std::int32_t f) {
  std::int16_t status = 0;
  InvokeHelper(6, kMethod, VT_I2, &status, VTS_I4 VTS_I4 VTS_R8 VTS_R8 VTS_R8 VTS_I4, a, b, c, d, e, f);
  return status;
}

void LayoutDispatch::Reset() { InvokeHelper(8, kMethod, VT_EMPTY, nullptr, VTS_NONE); }

std::int16_t LayoutDispatch::SetRotation(double angle) {
  std::int16_t status = 0;
  InvokeHelper(16, kMethod, VT_I2, &status, VTS_R8, angle);
  return status;
}

// Design database.

std::int32_t ConnectionDispatch::Login(const QK_TString& dataSourceName) {
  std::int32_t result = 0;
  InvokeHelper(1, kMethod, VT_I4, &result, VTS_BSTR VTS_BSTR VTS_BSTR, W(dataSourceName).c_str(), L"", L"");
  return result;
}

void CompanyDispatch::SetConnection(IDispatch* connection) { SetProperty(24, VT_DISPATCH, connection); }

std::int16_t CompanyDispatch::PrepareSearch() {
  std::int16_t result = 0;
  InvokeHelper(19, kMethod, VT_I2, &result, VTS_NONE);
  return result;
}

void CompanyDispatch::SetName(const QK_TString& name) {
  const std::wstring wide = W(name);
  SetProperty(4, VT_BSTR, wide.c_str());
}

void CompanyDispatch::SetCode(const QK_TString& code) {
  const std::wstring wide = W(code);
  SetProperty(5, VT_BSTR, wide.c_str());
}

std::int16_t CompanyDispatch::Search(std::int16_t mode) {
  std::int16_t status = 0;
  InvokeHelper(17, kMethod, VT_I2, &status, VTS_I2, mode);
  return status;
}

std::int32_t CompanyDispatch::FoundId() const {
  std::int32_t id = 0;
  GetProperty(2, VT_I4, &id);
  return id;
}

void PersonDispatch::SetConnection(IDispatch* connection) { SetProperty(8, VT_DISPATCH, connection); }

std::int32_t PersonDispatch::PrepareSearch() {
  std::int32_t result = 0;
  InvokeHelper(3, kMethod, VT_I4, &result, VTS_NONE);
  return result;
}

void PersonDispatch::SetFirstName(const QK_TString& name) {
  const std::wstring wide = W(name);
  SetProperty(14, VT_BSTR, wide.c_str());
}

void PersonDispatch::SetSecondName(const QK_TString& name) {
  const std::wstring wide = W(name);
  SetProperty(13, VT_BSTR, wide.c_str());
}

std::int32_t PersonDispatch::Search(std::int32_t mode) {
  std::int32_t result = 0;
  InvokeHelper(1, kMethod, VT_I4, &result, VTS_I4, mode);
  return result;
}

std::int32_t PersonDispatch::FoundId() const {
  std::int32_t id = 0;
  GetProperty(10, VT_I4, &id);
  return id;
}

std::int16_t DesignRecordDispatch::SetCustomer(std::int32_t id, std::int32_t second) {
  std::int16_t status = 0;
  InvokeHelper(1, kMethod, VT_I2, &status, VTS_I4 VTS_I4, id, second);
  return status;
}

std::int16_t DesignRecordDispatch::SetOwner(std::int32_t id, std::int32_t second) {
  std::int16_t status = 0;
  InvokeHelper(3, kMethod, VT_I2, &status, VTS_I4 VTS_I4, id, second);
  return status;
}

std::int16_t DesignRecordDispatch::SetDesigner(std::int32_t id, std::int32_t second) {
  std::int16_t status = 0;
  InvokeHelper(4, kMethod, VT_I2, &status, VTS_I4 VTS_I4, id, second);
  return status;
}

std::int16_t DesignRecordDispatch::SetSalesperson(std::int32_t id, std::int32_t second) {
  std::int16_t status = 0;
  InvokeHelper(5, kMethod, VT_I2, &status, VTS_I4 VTS_I4, id, second);
  return status;
}

}  // namespace CAD
