// Typed dispatch drivers of the CAD application's automation objects. Each
// method makes exactly one call with a fixed dispatch id, invoke kind and
// parameter types. The conventional and the enterprise controls number
// their methods differently: the ids come from a table per kind of control.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

#include "AfxDisp.h"
#include "QK_TString.h"

namespace CAD {

// Releases the held object, then frees the dispatch driver through its own
// type (the framework's driver has no virtual destructor).
struct DispatchDriverDeleter {
  template <class Driver>
  void operator()(Driver* driver) const {
    driver->ReleaseDispatch();
    delete driver;
  }
};
template <class Driver>
using DispatchPtr = std::unique_ptr<Driver, DispatchDriverDeleter>;

// Creates the automation object `progId` into `driver`; a failure throws
// the framework exception that describes it (a COleException pointer).
void CreateDispatchOrThrow(COleDispatchDriver& driver, const wchar_t* progId);

// An automation string for an out-parameter: starts empty, freed on every
// way out.
class OutString {
 public:
  OutString();
  ~OutString();
  OutString(const OutString&) = delete;
  OutString& operator=(const OutString&) = delete;
  BSTR* Address() { return &text_; }
  QK_TString Text() const;

 private:
  BSTR text_;
};

namespace detail {

// How a value of type T travels: its automation type, what the framework
// writes a result into, and the value made from that.
template <class T>
struct Automation;
template <>
struct Automation<std::int16_t> {
  static constexpr VARTYPE kType = VT_I2;
  using Storage = std::int16_t;
  static std::int16_t From(Storage value) { return value; }
};
template <>
struct Automation<std::int32_t> {
  static constexpr VARTYPE kType = VT_I4;
  using Storage = std::int32_t;
  static std::int32_t From(Storage value) { return value; }
};
template <>
struct Automation<double> {
  static constexpr VARTYPE kType = VT_R8;
  using Storage = double;
  static double From(Storage value) { return value; }
};
template <>
struct Automation<QK_TString> {
  static constexpr VARTYPE kType = VT_BSTR;
  using Storage = CString;
  static QK_TString From(const Storage& text) { return QK_TString(text.GetString()); }
};
// A new reference the caller owns.
template <>
struct Automation<IDispatch*> {
  static constexpr VARTYPE kType = VT_DISPATCH;
  using Storage = IDispatch*;
  static IDispatch* From(Storage object) { return object; }
};

// The parameter byte (VTS_) of an argument of type T; 0 for a type that
// automation does not pass.
template <class T>
constexpr char kParam = 0;
template <>
inline constexpr char kParam<std::int16_t> = VTS_I2[0];
template <>
inline constexpr char kParam<std::int32_t> = VTS_I4[0];
template <>
inline constexpr char kParam<double> = VTS_R8[0];
template <>
inline constexpr char kParam<bool> = VTS_BOOL[0];
template <>
inline constexpr char kParam<QK_TString> = VTS_BSTR[0];
template <>
inline constexpr char kParam<const wchar_t*> = VTS_BSTR[0];
template <>
inline constexpr char kParam<const VARIANT*> = VTS_VARIANT[0];
template <>
inline constexpr char kParam<double*> = VTS_PR8[0];
template <>
inline constexpr char kParam<BSTR*> = VTS_PBSTR[0];

// An argument as the framework takes it: a text as its wide text, which
// lives until the call has returned; anything else as it is.
template <class T>
struct Passed {
  T value;
  T Get() const { return value; }
};
template <>
struct Passed<QK_TString> {
  explicit Passed(const QK_TString& text) : wide(text.wc_str()) {}
  LPCOLESTR Get() const { return wide.c_str(); }
  std::wstring wide;
};

}  // namespace detail

// A dispatch driver with one-line typed calls: the result type comes from
// the C++ type asked for (void for none), the parameter list from the C++
// types of the arguments, texts are passed as their wide text.
class TypedDispatch : public COleDispatchDriver {
 public:
  using COleDispatchDriver::COleDispatchDriver;

 protected:
  template <class Result, class... Args>
  Result Call(DISPID id, Args&&... args) {
    static_assert(((detail::kParam<std::decay_t<Args>> != 0) && ...),
                  "argument that automation does not pass");
    const char params[] = {detail::kParam<std::decay_t<Args>>..., '\0'};
    if constexpr (std::is_void_v<Result>) {
      InvokeHelper(id, DISPATCH_METHOD, VT_EMPTY, nullptr, params,
                   detail::Passed<std::decay_t<Args>>{args}.Get()...);
    } else {
      typename detail::Automation<Result>::Storage result{};
      InvokeHelper(id, DISPATCH_METHOD, detail::Automation<Result>::kType, &result, params,
                   detail::Passed<std::decay_t<Args>>{args}.Get()...);
      return detail::Automation<Result>::From(result);
    }
  }

  template <class Value>
  void Put(DISPID id, const Value& value) {
    SetProperty(id, detail::Automation<Value>::kType, detail::Passed<Value>{value}.Get());
  }

  template <class Result>
  Result Get(DISPID id) const {
    typename detail::Automation<Result>::Storage result{};
    GetProperty(id, detail::Automation<Result>::kType, &result);
    return detail::Automation<Result>::From(result);
  }

  // The fixed arguments of some calls.
  static constexpr std::int16_t kOne = 1, kZero = 0;
  static constexpr std::int32_t kZero32 = 0;
  static constexpr wchar_t kNoText[] = L"";
};

// The id of a method that a control does not have.
constexpr DISPID kNoMethod = 0;

// Dispatch ids of the main control; kNoMethod marks a method that the
// control does not have.
struct MainControlIds {
  bool enterprise;
  DISPID errorText, openDesign, saveDesign, documentXml, version, start, login, afterLogin;
  DISPID invokeMethod13, setLayer, rebuild, invokeMethod16, closeDesign, setBoardCode;
  DISPID setNumericVariable, addNumericVariable, setStringVariable, addStringVariable;
  DISPID readNumericVariable, readStringVariable, runCommand, setStyleWorkspace, runStyleStandard;
  DISPID setOption28, setOption29, setBoardCodeAndDescription, setPrintSide, setOption36;
  DISPID layoutObject, evaluateString, evaluateNumeric, preparePrintItems, expressionError;
  DISPID exportImage, imageSetting60, industryCode, text62, text63, text64;
  DISPID numericVariable, stringVariable, unit, exportThumbnail, setOption72;
  DISPID deletePrintItem, checkPrintItem, removePrintItem, createPrintItems, printItemCount;
  DISPID selectPrintItem, invokeMethod79, printItemName, designRecord;
  DISPID defaultsLocation, disconnect, connect;
};
extern const MainControlIds kConventionalMainIds;
extern const MainControlIds kEnterpriseMainIds;

class MainControlDispatch : public TypedDispatch {
 public:
  explicit MainControlDispatch(const MainControlIds& ids) : ids_(ids) {}

  std::int16_t ErrorText(BSTR* text) { return Call<std::int16_t>(ids_.errorText, text); }
  std::int16_t OpenDesign(const QK_TString& path);
  std::int16_t SaveDesign(const QK_TString& path);
  std::int16_t DocumentXml(BSTR* xml) { return Call<std::int16_t>(ids_.documentXml, xml); }
  std::int16_t Version(BSTR* version) { return Call<std::int16_t>(ids_.version, version); }
  void Start(std::int16_t mode) { Call<void>(ids_.start, mode); }
  std::int16_t Login(const QK_TString& location, const QK_TString& user, const QK_TString& password) {
    return Call<std::int16_t>(ids_.login, location, user, password, kZero, kZero);
  }
  std::int16_t AfterLogin() { return Call<std::int16_t>(ids_.afterLogin, kZero32); }
  std::int16_t InvokeMethod13() { return Call<std::int16_t>(ids_.invokeMethod13); }
  std::int16_t SetLayer(std::int32_t index, std::int16_t on) {
    return Call<std::int16_t>(ids_.setLayer, index, on);
  }
  std::int16_t Rebuild() { return Call<std::int16_t>(ids_.rebuild, kZero); }
  std::int16_t InvokeMethod16(const QK_TString& first, std::int16_t value, const QK_TString& second) {
    return Call<std::int16_t>(ids_.invokeMethod16, first, value, second);
  }
  std::int16_t CloseDesign() { return Call<std::int16_t>(ids_.closeDesign); }
  std::int16_t SetBoardCode(const QK_TString& code) { return Call<std::int16_t>(ids_.setBoardCode, code); }
  std::int16_t SetNumericVariable(const QK_TString& name, double value) {
    return Call<std::int16_t>(ids_.setNumericVariable, name, value);
  }
  std::int16_t AddNumericVariable(const QK_TString& name, double value) {
    return Call<std::int16_t>(ids_.addNumericVariable, name, value);
  }
  std::int16_t SetStringVariable(const QK_TString& name, const QK_TString& value) {
    return Call<std::int16_t>(ids_.setStringVariable, name, value);
  }
  std::int16_t AddStringVariable(const QK_TString& name, const QK_TString& value) {
    return Call<std::int16_t>(ids_.addStringVariable, name, value);
  }
  std::int16_t ReadNumericVariable(const QK_TString& name, double* value) {
    return Call<std::int16_t>(ids_.readNumericVariable, name, value);
  }
  std::int16_t ReadStringVariable(const QK_TString& name, BSTR* value) {
    return Call<std::int16_t>(ids_.readStringVariable, name, value);
  }
  std::int16_t RunCommand(const QK_TString& command) { return Call<std::int16_t>(ids_.runCommand, command); }
  std::int16_t SetStyleWorkspace(const QK_TString& workspace) {
    return Call<std::int16_t>(ids_.setStyleWorkspace, workspace);
  }
  std::int16_t RunStyleStandard(std::int16_t flag) { return Call<std::int16_t>(ids_.runStyleStandard, flag); }
  void SetOption28(std::int16_t value) { Call<void>(ids_.setOption28, value); }
  void SetOption29(std::int16_t value) { Call<void>(ids_.setOption29, value); }
  std::int16_t SetBoardCodeAndDescription(const QK_TString& code, const QK_TString& description) {
    return Call<std::int16_t>(ids_.setBoardCodeAndDescription, code, description);
  }
  void SetPrintSide(std::int16_t printSide) { Call<void>(ids_.setPrintSide, printSide); }
  void SetOption36(std::int16_t value) { Call<void>(ids_.setOption36, value); }
  // A new reference the caller owns.
  IDispatch* LayoutObject() { return Call<IDispatch*>(ids_.layoutObject); }
  QK_TString EvaluateString(const QK_TString& expression) {
    return Call<QK_TString>(ids_.evaluateString, expression);
  }
  double EvaluateNumeric(const QK_TString& expression) {
    return Call<double>(ids_.evaluateNumeric, expression);
  }
  std::int16_t PreparePrintItems(std::int32_t number, bool flag) {
    return Call<std::int16_t>(ids_.preparePrintItems, number, flag);
  }
  std::int16_t ExpressionError() { return Call<std::int16_t>(ids_.expressionError); }
  std::int16_t ExportImage(std::int16_t kind, const QK_TString& path, std::int16_t a, std::int16_t b,
                           const VARIANT* c, const VARIANT* d, const VARIANT* e, const VARIANT* f,
                           const VARIANT* g) {
    return Call<std::int16_t>(ids_.exportImage, kind, path, a, b, c, d, e, f, g);
  }
  std::int16_t ImageSetting60() { return Call<std::int16_t>(ids_.imageSetting60); }
  std::int16_t IndustryCode() { return Call<std::int16_t>(ids_.industryCode); }
  std::int16_t Text62(BSTR* text) { return Call<std::int16_t>(ids_.text62, text); }
  QK_TString Text63() { return Call<QK_TString>(ids_.text63); }
  QK_TString Text64() { return Call<QK_TString>(ids_.text64); }
  double NumericVariable(const QK_TString& name) { return Call<double>(ids_.numericVariable, name); }
  QK_TString StringVariable(const QK_TString& name) { return Call<QK_TString>(ids_.stringVariable, name); }
  std::int16_t Unit() { return Call<std::int16_t>(ids_.unit); }
  std::int16_t ExportThumbnail(const QK_TString& path) {
    return Call<std::int16_t>(ids_.exportThumbnail, path);
  }
  void SetOption72(std::int16_t value) { Call<void>(ids_.setOption72, value); }
  std::int16_t DeletePrintItem(std::int32_t index) { return Call<std::int16_t>(ids_.deletePrintItem, index); }
  std::int16_t CheckPrintItem(std::int32_t number, std::int32_t kind, std::int32_t index) {
    return Call<std::int16_t>(ids_.checkPrintItem, number, kind, index);
  }
  std::int16_t RemovePrintItem(std::int32_t index) { return Call<std::int16_t>(ids_.removePrintItem, index); }
  std::int16_t CreatePrintItems(std::int32_t kind, bool flag) {
    return Call<std::int16_t>(ids_.createPrintItems, kind, flag);
  }
  std::int32_t PrintItemCount(std::int32_t kind) { return Call<std::int32_t>(ids_.printItemCount, kind); }
  std::int16_t SelectPrintItem(std::int32_t number, std::int32_t index, std::int16_t flag) {
    return Call<std::int16_t>(ids_.selectPrintItem, number, index, flag);
  }
  std::int16_t InvokeMethod79(const QK_TString& text, std::int32_t a, std::int32_t b) {
    return Call<std::int16_t>(ids_.invokeMethod79, text, a, b);
  }
  QK_TString PrintItemName(std::int32_t kind, std::int32_t index) {
    return Call<QK_TString>(ids_.printItemName, kind, index);
  }
  // A new reference the caller owns.
  IDispatch* DesignRecord() { return Call<IDispatch*>(ids_.designRecord); }
  std::int16_t SetDefaultsLocation(const QK_TString& path) {
    return Call<std::int16_t>(ids_.defaultsLocation, path);
  }
  std::int16_t Disconnect() { return Call<std::int16_t>(ids_.disconnect); }
  std::int16_t Connect(const QK_TString& dataSourceName) {
    return Call<std::int16_t>(ids_.connect, dataSourceName, kNoText, kNoText);
  }

 private:
  const MainControlIds& ids_;
};

// Dispatch ids of the standards component (the enterprise one numbers its
// methods one higher).
struct StandardsIds {
  DISPID login, open, menuCount, menu, plot, valueCheck, conditionCheck, errorText, finish, finalCheck, save,
      menuXml;
};
extern const StandardsIds kConventionalStandardsIds;
extern const StandardsIds kEnterpriseStandardsIds;

class StandardsDispatch : public TypedDispatch {
 public:
  explicit StandardsDispatch(const StandardsIds& ids) : ids_(ids) {}

  std::int16_t Login(const QK_TString& location, const QK_TString& user, const QK_TString& password) {
    return Call<std::int16_t>(ids_.login, location, user, password, kZero, kZero);
  }
  std::int16_t Open(const QK_TString& standard, std::int16_t option, std::int16_t unit,
                    const QK_TString& text, const QK_TString& parameterSet) {
    return Call<std::int16_t>(ids_.open, standard, option, unit, text, parameterSet);
  }
  std::int16_t MenuCount() { return Call<std::int16_t>(ids_.menuCount); }
  // A new reference the caller owns.
  IDispatch* Menu(std::int16_t menu, std::int16_t previous) {
    return Call<IDispatch*>(ids_.menu, menu, previous);
  }
  std::int16_t Plot(std::int16_t menu, std::int16_t item, const QK_TString& path, std::int16_t width,
                    std::int16_t height) {
    return Call<std::int16_t>(ids_.plot, menu, item, path, kOne, width, height);
  }
  std::int16_t ValueCheck(std::int16_t menu) { return Call<std::int16_t>(ids_.valueCheck, menu); }
  std::int16_t ConditionCheck(std::int16_t menu) { return Call<std::int16_t>(ids_.conditionCheck, menu); }
  QK_TString ErrorText() { return Call<QK_TString>(ids_.errorText); }
  std::int16_t Finish(std::int16_t lastMenu) { return Call<std::int16_t>(ids_.finish, lastMenu); }
  std::int16_t FinalCheck() { return Call<std::int16_t>(ids_.finalCheck); }
  std::int16_t Save(const QK_TString& path) { return Call<std::int16_t>(ids_.save, path); }
  std::int16_t MenuXml(const QK_TString& path, std::int16_t a, std::int16_t b, std::int16_t c,
                       std::int16_t d) {
    return Call<std::int16_t>(ids_.menuXml, path, a, b, c, d);
  }

 private:
  const StandardsIds& ids_;
};

// A menu of the open standard, and one of its items.
class MenuDispatch : public TypedDispatch {
 public:
  explicit MenuDispatch(IDispatch* menu) : TypedDispatch(menu, TRUE) {}
  std::int16_t Kind() { return Call<std::int16_t>(kKind); }
  void SetFlags() {
    Put(kFirstFlag, kOne);
    Put(kSecondFlag, kOne);
  }
  std::int16_t ItemCount() { return Call<std::int16_t>(kItemCount); }
  // A new reference the caller owns.
  IDispatch* Item(std::int16_t item) { return Call<IDispatch*>(kItem, item); }
  QK_TString Title() { return Call<QK_TString>(kTitle); }

 private:
  // The menu's ids, the same on both kinds of server.
  static constexpr DISPID kFirstFlag = 2, kSecondFlag = 1, kKind = 4, kTitle = 5, kItemCount = 6, kItem = 10;
};

class MenuItemDispatch : public TypedDispatch {
 public:
  explicit MenuItemDispatch(IDispatch* item) : TypedDispatch(item, TRUE) {}
  QK_TString Name() { return Call<QK_TString>(kName); }
  void SetValue(const QK_TString& value) { Put(kValue, value); }
  void SetValue(std::int16_t value) { Put(kValue, value); }
  QK_TString Default() const { return Get<QK_TString>(kDefaultText); }

 private:
  static constexpr DISPID kValue = 1, kDefaultText = 2, kName = 4;
};

// The layout (nesting) object of the main control.
class LayoutDispatch : public TypedDispatch {
 public:
  explicit LayoutDispatch(IDispatch* layout) : TypedDispatch(layout, TRUE) {}
  QK_TString ErrorText() { return Call<QK_TString>(kErrorText); }
  std::int16_t SetSheetSize(double a, double b, double c, double d, double e, double f) {
    return Call<std::int16_t>(kSetSheetSize, a, b, c, d, e, f);
  }
  std::int32_t AddOneup(const QK_TString& design) { return Call<std::int32_t>(kAddOneup, design); }
  std::int16_t SetNestData(std::int32_t nestingType, double gapX, double gapY, std::int16_t flag) {
    return Call<std::int16_t>(kSetNestData, nestingType, gapX, gapY, flag);
  }
  std::int32_t QueryOneup43(std::int32_t oneup) { return Call<std::int32_t>(kQueryOneup43, oneup); }
  std::int32_t QueryOneup44(std::int32_t oneup) { return Call<std::int32_t>(kQueryOneup44, oneup); }
  std::int16_t PlaceOneupGrid(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
    return Call<std::int16_t>(kPlaceOneupGrid, a, b, c, d);
  }
  std::int32_t LayoutValue46(std::int32_t value) { return Call<std::int32_t>(kLayoutValue46, value); }
  std::int32_t LayoutValue47(std::int32_t value) { return Call<std::int32_t>(kLayoutValue47, value); }
  std::int16_t PlaceOneupGridAlt(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
    return Call<std::int16_t>(kPlaceOneupGridAlt, a, b, c, d);
  }
  std::int16_t PositionOneups(std::int16_t mode) { return Call<std::int16_t>(kPositionOneups, mode); }
  std::int16_t SetLayoutOption(std::int16_t option, std::int16_t value) {
    return Call<std::int16_t>(kSetLayoutOption, option, value);
  }
  std::int16_t InvokeMethod51(std::int32_t a, std::int32_t b, double c, double d, double e, std::int32_t f) {
    return Call<std::int16_t>(kInvokeMethod51, a, b, c, d, e, f);
  }
  void Reset() { Call<void>(kReset); }
  std::int16_t SetRotation(double angle) { return Call<std::int16_t>(kSetRotation, angle); }

 private:
  static constexpr DISPID kSetSheetSize = 1, kAddOneup = 2, kQueryOneup43 = 3, kQueryOneup44 = 4,
                          kPlaceOneupGrid = 5, kInvokeMethod51 = 6, kSetLayoutOption = 7, kReset = 8,
                          kErrorText = 9, kSetNestData = 10, kPositionOneups = 12, kLayoutValue46 = 13,
                          kLayoutValue47 = 14, kPlaceOneupGridAlt = 15, kSetRotation = 16;
};

// The design-database objects of a conventional installation.
class ConnectionDispatch : public TypedDispatch {
 public:
  std::int32_t Login(const QK_TString& dataSourceName) {
    return Call<std::int32_t>(kLogin, dataSourceName, kNoText, kNoText);
  }

 private:
  static constexpr DISPID kLogin = 1;
};

// Dispatch ids of a search object of the design database: the property
// that takes the connection, the two search texts and the found id, and the
// methods that prepare and run the search.
struct SearchObjectIds {
  DISPID connection, prepareSearch, firstText, secondText, search, foundId;
};
extern const SearchObjectIds kCompanyIds;
extern const SearchObjectIds kPersonIds;

// The company (customer) object and the person object: each is given the
// connection and finds one record by two texts. `Answer` is the width of
// the object's answers (16 bits for the company, 32 for the person).
template <class Answer>
class SearchObjectDispatch : public TypedDispatch {
 public:
  explicit SearchObjectDispatch(const SearchObjectIds& ids) : ids_(ids) {}
  void SetConnection(IDispatch* connection) { Put(ids_.connection, connection); }
  Answer PrepareSearch() { return Call<Answer>(ids_.prepareSearch); }
  // The company's name and code; the person's first and second name.
  void SetFirstText(const QK_TString& text) { Put(ids_.firstText, text); }
  void SetSecondText(const QK_TString& text) { Put(ids_.secondText, text); }
  Answer Search(Answer mode) { return Call<Answer>(ids_.search, mode); }
  std::int32_t FoundId() const { return Get<std::int32_t>(ids_.foundId); }

 private:
  const SearchObjectIds& ids_;
};
using CompanyDispatch = SearchObjectDispatch<std::int16_t>;
using PersonDispatch = SearchObjectDispatch<std::int32_t>;

class DesignRecordDispatch : public TypedDispatch {
 public:
  explicit DesignRecordDispatch(IDispatch* record) : TypedDispatch(record, TRUE) {}
  std::int16_t SetCustomer(std::int32_t id, std::int32_t second) {
    return Call<std::int16_t>(kCustomer, id, second);
  }
  std::int16_t SetOwner(std::int32_t id, std::int32_t second) {
    return Call<std::int16_t>(kOwner, id, second);
  }
  std::int16_t SetDesigner(std::int32_t id, std::int32_t second) {
    return Call<std::int16_t>(kDesigner, id, second);
  }
  std::int16_t SetSalesperson(std::int32_t id, std::int32_t second) {
    return Call<std::int16_t>(kSalesperson, id, second);
  }

 private:
  static constexpr DISPID kCustomer = 1, kOwner = 3, kDesigner = 4, kSalesperson = 5;
};

}  // namespace CAD
