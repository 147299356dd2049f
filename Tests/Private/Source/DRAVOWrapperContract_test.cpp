// The automation contract of both CAD drivers: for every operation, the
// calls it makes (object, dispatch id, kind, argument types and values) and
// what it does with the answers: statuses handed back, failures thrown with
// the application's error text, warnings reported.
#include "DravoDriverFixture.h"

namespace {

using Answer = std::function<void(Response&)>;

Answer I2(short value) {
  return [value](Response& r) { r.Returns(value); };
}
Answer I4(std::int32_t value) {
  return [value](Response& r) { r.Returns(value); };
}
Answer R8(double value) {
  return [value](Response& r) { r.Returns(value); };
}
Answer Text(const wchar_t* value) {
  return [value](Response& r) { r.Returns(value); };
}
Answer Nothing() {
  return [](Response&) {};
}
Answer OutText(unsigned int position, const wchar_t* text, short status) {
  return [=](Response& r) { r.WritesOut(position, text).Returns(status); };
}
Answer OutR8(unsigned int position, double value, short status) {
  return [=](Response& r) { r.WritesOut(position, value).Returns(status); };
}
Answer Raises(const wchar_t* source, const wchar_t* description) {
  return [=](Response& r) { r.Raises(1, source, description); };
}

// One expected journal line. The answer scripts the object before the call;
// none keeps the scripted application's standing answer.
struct Step {
  std::string object;  // or the whole line, when kind is 0
  DISPID conventional;
  DISPID enterprise;
  WORD kind;
  std::string arguments;
  Answer answer;
  bool onlyWithReporter = false;

  std::string Line(bool enterpriseDriver) const {
    if (kind == 0) return object;
    const char* word = kind == DISPATCH_METHOD ? "method" : kind == DISPATCH_PROPERTYGET ? "get" : "put";
    return object + " " + word + " " + std::to_string(enterpriseDriver ? enterprise : conventional) + " (" + arguments +
           ")";
  }
};

Step Main(DISPID conventional, DISPID enterprise, std::string arguments, Answer answer = {}) {
  return {"main", conventional, enterprise, DISPATCH_METHOD, std::move(arguments), std::move(answer)};
}
Step Standards(DISPID conventional, DISPID enterprise, std::string arguments, Answer answer = {}) {
  return {"standards", conventional, enterprise, DISPATCH_METHOD, std::move(arguments), std::move(answer)};
}
Step On(std::string object, WORD kind, DISPID id, std::string arguments, Answer answer = Nothing()) {
  return {std::move(object), id, id, kind, std::move(arguments), std::move(answer)};
}
Step Layout(DISPID id, std::string arguments, Answer answer) {
  return On("layout", DISPATCH_METHOD, id, std::move(arguments), std::move(answer));
}
Step Released(const std::string& object) { return {object + " Release", 0, 0, 0, "", {}}; }
Step Created(const std::string& progId) { return {"create " + progId, 0, 0, 0, "", {}}; }

const char* const kOut = "VT_BYREF|VT_BSTR ";
Step ErrorText() { return Main(31, 25, kOut); }
// Read only for the warning that goes to the reporter.
Step ErrorTextIfReported() {
  Step step = ErrorText();
  step.onlyWithReporter = true;
  return step;
}
Step StandardsErrorText() { return Standards(7, 8, ""); }

enum Drivers { kBoth, kConventional, kEnterprise };

struct Row {
  std::string name;
  Drivers drivers;
  std::function<std::string(CAD::DRAVOInterface&)> run;
  std::vector<Step> steps;
  std::string outcome;
  std::vector<std::string> messages = {};
};

std::string Show(std::int16_t value) { return std::to_string(value); }
std::string Show(std::int32_t value) { return std::to_string(value); }
std::string Show(double value) { return QK_TString::Format("%g", value).str(); }
std::string Show(const QK_TString& text) { return "'" + text.str() + "'"; }

// A row's call on the driver `d`, shown by its result ("done" for none).
#define SHOW(call) [](CAD::DRAVOInterface& d) { return Show(d.call); }
#define DONE(call)              \
  [](CAD::DRAVOInterface& d) {  \
    d.call;                     \
    return std::string("done"); \
  }

std::string DocumentXml(CAD::DRAVOInterface& d) {
  QK_TString xml("before");
  try {
    d.GetDocROMDXml(xml);
  } catch (const CAD::DravoError& e) {
    return Show(xml) + " " + Describe(e);
  }
  return Show(xml);
}

std::string ReadNumber(CAD::DRAVOInterface& d) {
  double value = 99;
  const std::int16_t status = d.ReadNumericVariable("L", value);
  return Show(status) + " " + Show(value);
}

std::string ReadText(CAD::DRAVOInterface& d) {
  QK_TString value;
  const std::int16_t status = d.ReadStringVariable("Name", value);
  return Show(status) + " " + Show(value);
}

std::string Text62(CAD::DRAVOInterface& d) {
  QK_TString value;
  const std::int16_t status = d.GetText62(value);
  return Show(status) + " " + Show(value);
}

std::string DocPlots(CAD::DRAVOInterface& d) {
  CAD::PlotList plots;
  return Show(
      static_cast<std::int32_t>(d.GenerateDocPlots("box.kpx", QK_TURL::FromLocalPath("/plots/"), plots, 64, 48,
                                                   CAD::DeliveredLocations())));
}

const char* const kConventionalSave = "VT_BSTR /o/box.kpx, VT_I2 1";
const char* const kEnterpriseSave = "VT_BSTR /o/box.kpx, VT_I2 1, VT_BSTR Debug Save From Quenlark";
const char* const kSaveWarning = "message 1 shapejob.warning.savedesignwithinfo /o/box.kpx main error";
const char* const kPersonSearch = "VT_I4 4";

// clang-format off
const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      // Error texts.
      {"GetErrorString", kBoth, SHOW(GetErrorString()), {Main(31, 25, kOut, OutText(0, L"main error", 3))},
       "'main error'"},
      {"GetStandardErrorString", kBoth, SHOW(GetStandardErrorString()), {Standards(7, 8, "", Text(L"std"))}, "'std'"},
      {"GetLayoutErrorString", kBoth, SHOW(GetLayoutErrorString()), {Layout(9, "", Text(L"lay"))}, "'lay'"},

      // Defaults location and data source.
      {"SetDefaultsLocation", kConventional, DONE(SetDefaultsLocation("/defaults")),
       {Main(116, 0, "VT_BSTR /defaults", I2(0))}, "done"},
      {"SetDefaultsLocation refused", kConventional, DONE(SetDefaultsLocation("/defaults")),
       {Main(116, 0, "VT_BSTR /defaults", I2(2)), ErrorText()},
       "DravoError: Failed to set the location of the FolvaneCad Defaults [main error]"},
      {"SetDefaultsLocation raising", kConventional, DONE(SetDefaultsLocation("/defaults")),
       {Main(116, 0, "VT_BSTR /defaults", Raises(L"Dravo", L"no folder"))},
       "DravoRuntimeException: Failed to set the Defaults Path to /defaults [Dravo - no folder]"},
      {"SetDefaultsLocation", kEnterprise, DONE(SetDefaultsLocation("/defaults")), {}, "done"},
      {"SwitchDataSource", kConventional, DONE(SwitchDataSource("dsn")),
       {Main(30, 0, "", I2(0)), Main(29, 0, "VT_BSTR dsn, VT_BSTR , VT_BSTR ", I2(0))}, "done"},
      {"SwitchDataSource disconnect refused", kConventional, DONE(SwitchDataSource("dsn")),
       {Main(30, 0, "", I2(1)), ErrorText()},
       "DravoError: Failed to disconnect the FolvaneCad database connection [main error]"},
      {"SwitchDataSource connect refused", kConventional, DONE(SwitchDataSource("dsn")),
       {Main(30, 0, "", I2(0)), Main(29, 0, "VT_BSTR dsn, VT_BSTR , VT_BSTR ", I2(3)), ErrorText()},
       "DravoError: Failed to connect to the FolvaneCad database dsn [main error]"},
      {"SwitchDataSource raising", kConventional, DONE(SwitchDataSource("dsn")),
       {Main(30, 0, "", Raises(L"", L"lost"))}, "DravoRuntimeException: Failed to switch ODBC Data Source dsn [lost]"},
      {"SwitchDataSource", kEnterprise, DONE(SwitchDataSource("dsn")), {}, "done"},
      {"InitConnection", kConventional, DONE(InitConnection("dsn")),
       {Released("connection"), Created("Quillmarsh.Connection.1"),
        On("connection", DISPATCH_METHOD, 1, "VT_BSTR dsn, VT_BSTR , VT_BSTR ", I4(0))},
       "done", {"message 0 shapejobs.info.initconnection dsn", "message 0 shapejobs.info.databaseloginsuccess"}},
      {"InitConnection refused", kConventional, DONE(InitConnection("dsn")),
       {Released("connection"), Created("Quillmarsh.Connection.1"),
        On("connection", DISPATCH_METHOD, 1, "VT_BSTR dsn, VT_BSTR , VT_BSTR ", I4(7))},
       "done", {"message 0 shapejobs.info.initconnection dsn", "message 2 shapejobs.error.databaseloginfail"}},
      {"InitConnection raising", kConventional, DONE(InitConnection("dsn")),
       {Released("connection"), Created("Quillmarsh.Connection.1"),
        On("connection", DISPATCH_METHOD, 1, "VT_BSTR dsn, VT_BSTR , VT_BSTR ", Raises(L"Db", L"no server"))},
       "DravoRuntimeException: Failed to initialize DravoConnection [Db - no server]",
       {"message 0 shapejobs.info.initconnection dsn"}},
      {"InitConnection", kEnterprise, DONE(InitConnection("dsn")), {}, "done"},

      // Designs.
      {"OpenDesign", kConventional, DONE(OpenDesign("C:/d/box.kpx")),
       {Main(2, 2, "VT_BSTR C:/d/box.kpx, VT_I2 1", I2(0))}, "done"},
      {"OpenDesign refused", kConventional, DONE(OpenDesign("C:/d/box.kpx")),
       {Main(2, 2, "VT_BSTR C:/d/box.kpx, VT_I2 1", I2(3)), ErrorText()},
       "DravoError: Open Design failed [main error]"},
      {"OpenDesign raising", kConventional, DONE(OpenDesign("C:/d/box.kpx")),
       {Main(2, 2, "VT_BSTR C:/d/box.kpx, VT_I2 1", Raises(L"Dravo", L"locked"))},
       "COleDispatchException Dravo - locked"},
      {"OpenDesign", kEnterprise, DONE(OpenDesign("C:/d/box.kpx")), {Main(2, 2, "VT_BSTR C:/d/box.kpx", I2(0))},
       "done"},
      {"OpenDesign refused", kEnterprise, DONE(OpenDesign("C:/d/box.kpx")),
       {Main(2, 2, "VT_BSTR C:/d/box.kpx", I2(3)), ErrorText()}, "DravoError: Open Design failed [main error]"},
      {"SaveDesign", kConventional, SHOW(SaveDesign("/o/box.kpx")), {Main(41, 35, kConventionalSave, I2(0))}, "0"},
      {"SaveDesign with remarks", kConventional, SHOW(SaveDesign("/o/box.kpx")),
       {Main(41, 35, kConventionalSave, I2(1)), ErrorTextIfReported()}, "1", {kSaveWarning}},
      {"SaveDesign status 10", kConventional, SHOW(SaveDesign("/o/box.kpx")),
       {Main(41, 35, kConventionalSave, I2(10)), ErrorTextIfReported()}, "SaveDesignFailed: /o/box.kpx",
       {"message 0 Save Design failed GetErrorString() main error"}},
      {"SaveDesign refused", kConventional, SHOW(SaveDesign("/o/box.kpx")),
       {Main(41, 35, kConventionalSave, I2(3)), ErrorText()}, "DravoError: Save design failed [main error]"},
      {"SaveDesign", kEnterprise, SHOW(SaveDesign("/o/box.kpx")), {Main(41, 35, kEnterpriseSave, I2(0))}, "0"},
      {"SaveDesign with remarks", kEnterprise, SHOW(SaveDesign("/o/box.kpx")),
       {Main(41, 35, kEnterpriseSave, I2(1)), ErrorTextIfReported()}, "1", {kSaveWarning}},
      {"SaveDesign status 10", kEnterprise, SHOW(SaveDesign("/o/box.kpx")), {Main(41, 35, kEnterpriseSave, I2(10))},
       "SaveDesignFailed: /o/box.kpx"},
      {"SaveDesign refused", kEnterprise, SHOW(SaveDesign("/o/box.kpx")),
       {Main(41, 35, kEnterpriseSave, I2(3)), ErrorText()}, "DravoError: Save design failed. [main error]"},
      {"GetDocROMDXml", kBoth, DocumentXml, {Main(120, 106, kOut, OutText(0, L"<doc/>", 0))}, "'<doc/>'"},
      {"GetDocROMDXml refused", kBoth, DocumentXml, {Main(120, 106, kOut, OutText(0, L"<part/>", 2)), ErrorText()},
       "'<part/>' DravoError: GetDocROMDXml failed [main error]"},
      {"GetVersion", kBoth, SHOW(GetVersion()), {Main(51, 45, kOut, OutText(0, L"12.5", 9))}, "'12.5'",
       {"message 0 shapejobs.message.dravoversion 12.5"}},
      {"InvokeMethod13", kBoth, SHOW(InvokeMethod13()), {Main(3, 3, "", I2(7))}, "7"},
      {"SetLayer", kBoth, SHOW(SetLayer(-1, 1)), {Main(8, 8, "VT_I4 -1, VT_I2 1", I2(5))}, "5"},
      {"Rebuild", kBoth, SHOW(Rebuild()), {Main(43, 37, "VT_I2 0", I2(2))}, "2"},
      {"InvokeMethod16", kBoth, SHOW(InvokeMethod16("card", 3, "/o/card.pdf")),
       {Main(42, 36, "VT_BSTR card, VT_I2 3, VT_BSTR /o/card.pdf", I2(1))}, "1"},
      {"CloseDesign", kBoth, DONE(CloseDesign()), {Main(11, 11, "", I2(0))}, "done"},
      {"CloseDesign refused", kBoth, DONE(CloseDesign()), {Main(11, 11, "", I2(1)), ErrorText()},
       "DravoError: Failed to close design. [main error]"},
      {"CloseDesign raising", kBoth, DONE(CloseDesign()), {Main(11, 11, "", Raises(L"Dravo", L"busy"))},
       "COleDispatchException Dravo - busy"},
      {"SetBoardCode", kBoth, DONE(SetBoardCode("B-FL")), {Main(38, 32, "VT_BSTR B-FL", I2(0))}, "done"},
      {"SetBoardCode unknown", kBoth, DONE(SetBoardCode("B-FL")), {Main(38, 32, "VT_BSTR B-FL", I2(4))},
       "InvalidBoardCode: B-FL"},
      {"SetBoardCode refused", kBoth, DONE(SetBoardCode("B-FL")), {Main(38, 32, "VT_BSTR B-FL", I2(2)), ErrorText()},
       "DravoError: Set BoardCode failed. [main error]"},

      // Variables.
      {"SetNumericVariable", kBoth, SHOW(SetNumericVariable("L", 12.5)), {Main(36, 30, "VT_BSTR L, VT_R8 12.5", I2(3))},
       "3"},
      {"AddNumericVariable", kBoth, SHOW(AddNumericVariable("L", -2)), {Main(45, 39, "VT_BSTR L, VT_R8 -2", I2(0))},
       "0"},
      {"SetStringVariable", kBoth, SHOW(SetStringVariable("Name", "Tray")),
       {Main(34, 28, "VT_BSTR Name, VT_BSTR Tray", I2(4))}, "4"},
      {"AddStringVariable", kBoth, SHOW(AddStringVariable("Name", "Tray")),
       {Main(44, 38, "VT_BSTR Name, VT_BSTR Tray", I2(0))}, "0"},
      {"ReadNumericVariable", kBoth, ReadNumber, {Main(6, 6, "VT_BSTR L, VT_BYREF|VT_R8 0", OutR8(1, 7.25, 0))},
       "0 7.25"},
      {"ReadNumericVariable refused", kBoth, ReadNumber,
       {Main(6, 6, "VT_BSTR L, VT_BYREF|VT_R8 0", OutR8(1, 7.25, 1)), ErrorText()}, "DravoError: main error"},
      {"ReadStringVariable", kBoth, ReadText,
       {Main(7, 7, "VT_BSTR Name, VT_BYREF|VT_BSTR ", OutText(1, L"Tray", 0))}, "0 'Tray'"},
      {"ReadStringVariable refused", kBoth, ReadText,
       {Main(7, 7, "VT_BSTR Name, VT_BYREF|VT_BSTR ", OutText(1, L"", 2)), ErrorText()}, "DravoError: main error"},
      {"RunCommand", kBoth, SHOW(RunCommand("redraw")), {Main(64, 57, "VT_BSTR redraw", I2(6))}, "6"},
      {"SetStyleWorkspace", kBoth, DONE(SetStyleWorkspace("ws")), {Main(33, 27, "VT_BSTR ws", I2(0))}, "done"},
      {"SetStyleWorkspace without design", kBoth, DONE(SetStyleWorkspace("ws")), {Main(33, 27, "VT_BSTR ws", I2(10))},
       "DesignNotOpenException: ws"},
      {"SetStyleWorkspace refused", kBoth, DONE(SetStyleWorkspace("ws")),
       {Main(33, 27, "VT_BSTR ws", I2(3)), ErrorText()}, "DravoError: Set style workspace failed. [main error]"},
      {"RunStyleStandard", kBoth, SHOW(RunStyleStandard(1)), {Main(32, 26, "VT_I2 1", I2(0))}, "0"},
      {"RunStyleStandard violated", kBoth, SHOW(RunStyleStandard(1)),
       {Main(32, 26, "VT_I2 1", I2(1)), ErrorTextIfReported()}, "1",
       {"message 1 shapejobs.message.checkconditionviolated main error"}},
      {"RunStyleStandard refused", kBoth, SHOW(RunStyleStandard(1)), {Main(32, 26, "VT_I2 1", I2(2)), ErrorText()},
       "DravoError: Runstandard failed [main error]"},
      {"SetOption28", kBoth, DONE(SetOption28(3)), {Main(22, 18, "VT_I2 3", Nothing())}, "done"},
      {"SetOption29", kBoth, DONE(SetOption29(2)), {Main(26, 22, "VT_I2 2", Nothing())}, "done"},
      {"SetBoardCodeAndDescription", kBoth, DONE(SetBoardCodeAndDescription("B", "Board B")),
       {Main(117, 108, "VT_BSTR B, VT_BSTR Board B", I2(0))}, "done"},
      {"SetBoardCodeAndDescription unknown", kBoth, DONE(SetBoardCodeAndDescription("B", "Board B")),
       {Main(117, 108, "VT_BSTR B, VT_BSTR Board B", I2(4))}, "InvalidBoardCodeDescription: B,Board B"},
      {"SetBoardCodeAndDescription refused", kBoth, DONE(SetBoardCodeAndDescription("B", "Board B")),
       {Main(117, 108, "VT_BSTR B, VT_BSTR Board B", I2(1)), ErrorText()},
       "DravoError: Set BoardCode and Description failed. [main error]"},
      {"SetPrintSide", kBoth, DONE(SetPrintSide(1)), {Main(24, 20, "VT_I2 1", Nothing())}, "done"},

      // Standards.
      {"OpenStandard", kBoth, DONE(OpenStandard("Tray", 0, 1, "", "Metric")),
       {Standards(1, 2, "VT_BSTR Tray, VT_I2 0, VT_I2 1, VT_BSTR , VT_BSTR Metric", I2(0))}, "done"},
      {"OpenStandard unknown", kBoth, DONE(OpenStandard("Tray", 0, 1, "", "Metric")),
       {Standards(1, 2, "VT_BSTR Tray, VT_I2 0, VT_I2 1, VT_BSTR , VT_BSTR Metric", I2(1))},
       "StandardNotFoundException: Tray"},
      {"OpenStandard raising", kBoth, DONE(OpenStandard("Tray", 0, 1, "", "Metric")),
       {Standards(1, 2, "VT_BSTR Tray, VT_I2 0, VT_I2 1, VT_BSTR , VT_BSTR Metric", Raises(L"Std", L"gone"))},
       "COleDispatchException Std - gone"},
      {"RunStandard raising", kBoth, SHOW(RunStandard({})), {Standards(2, 3, "", Raises(L"Std", L"crashed"))},
       "DravoRuntimeException: Failed Run Open Standard [Std - crashed]"},
      {"SaveStandardDesign", kBoth, DONE(SaveStandardDesign("/o/t.kpx")),
       {Standards(10, 11, "VT_BSTR /o/t.kpx", I2(0))},
       "done"},
      {"SaveStandardDesign refused", kBoth, DONE(SaveStandardDesign("/o/t.kpx")),
       {Standards(10, 11, "VT_BSTR /o/t.kpx", I2(2)), StandardsErrorText()},
       "DravoError: Save design failed. [std error]"},
      {"SaveStandardDesign raising", kBoth, DONE(SaveStandardDesign("/o/t.kpx")),
       {Standards(10, 11, "VT_BSTR /o/t.kpx", Raises(L"Std", L"disk"))}, "COleDispatchException Std - disk"},
      {"SetOption36", kBoth, DONE(SetOption36(4)), {Main(14, 14, "VT_I2 4", Nothing())}, "done"},

      // Layout object: a held one is released when another is taken.
      {"GetLayoutObject", kBoth, DONE(GetLayoutObject()), {Released("layout"), Main(87, 76, "")}, "done"},
      {"SetSheetSize", kBoth, SHOW(SetSheetSize(1, 2, 3, 4, 5, 6.5)),
       {Layout(1, "VT_R8 1, VT_R8 2, VT_R8 3, VT_R8 4, VT_R8 5, VT_R8 6.5", I2(2))}, "2"},
      {"AddOneup", kBoth, SHOW(AddOneup("@P:box")), {Layout(2, "VT_BSTR @P:box", I4(3))}, "3"},
      {"SetNestData", kBoth, SHOW(SetNestData(2, 1.5, 2.5, 1)),
       {Layout(10, "VT_I4 2, VT_R8 1.5, VT_R8 2.5, VT_I2 1", I2(0))}, "0"},
      {"QueryOneup43", kBoth, SHOW(QueryOneup43(3)), {Layout(3, "VT_I4 3", I4(40))}, "40"},
      {"QueryOneup44", kBoth, SHOW(QueryOneup44(3)), {Layout(4, "VT_I4 3", I4(41))}, "41"},
      {"PlaceOneupGrid", kBoth, SHOW(PlaceOneupGrid(1, 2, 3, 4)),
       {Layout(5, "VT_I4 1, VT_I4 2, VT_I4 3, VT_I4 4", I2(1))}, "1"},
      {"GetLayoutValue46", kBoth, SHOW(GetLayoutValue46(5)), {Layout(13, "VT_I4 5", I4(46))}, "46"},
      {"GetLayoutValue47", kBoth, SHOW(GetLayoutValue47(5)), {Layout(14, "VT_I4 5", I4(47))}, "47"},
      {"PlaceOneupGridAlt", kBoth, SHOW(PlaceOneupGridAlt(4, 3, 2, 1)),
       {Layout(15, "VT_I4 4, VT_I4 3, VT_I4 2, VT_I4 1", I2(3))}, "3"},
      {"PositionOneups", kBoth, SHOW(PositionOneups(1)), {Layout(12, "VT_I2 1", I2(0))}, "0"},
      {"SetLayoutOption", kBoth, SHOW(SetLayoutOption(3, 1)), {Layout(7, "VT_I2 3, VT_I2 1", I2(4))}, "4"},
      {"InvokeLayoutMethod51", kBoth, SHOW(InvokeLayoutMethod51(1, 2, 0.5, 1.5, 2.5, 6)),
       {Layout(6, "VT_I4 1, VT_I4 2, VT_R8 0.5, VT_R8 1.5, VT_R8 2.5, VT_I4 6", I2(0))}, "0"},
      {"ResetLayout", kBoth, DONE(ResetLayout()), {Layout(8, "", Nothing())}, "done"},
      {"SetRotation", kBoth, SHOW(SetRotation(90)), {Layout(16, "VT_R8 90", I2(1))}, "1"},
      {"ReleaseLayoutObject", kBoth, DONE(ReleaseLayoutObject()), {Released("layout")}, "done"},

      // Expressions, images, design facts.
      {"EvaluateStringExpression", kBoth, SHOW(EvaluateStringExpression("L*2")),
       {Main(88, 77, "VT_BSTR L*2", Text(L"25"))}, "'25'"},
      {"EvaluateNumericExpression", kBoth, SHOW(EvaluateNumericExpression("L*2")),
       {Main(89, 78, "VT_BSTR L*2", R8(25.5))}, "25.5"},
      {"PreparePrintItems", kBoth, SHOW(PreparePrintItems(2, true)), {Main(48, 42, "VT_I4 2, VT_BOOL true", I2(0))},
       "0"},
      {"GetExpressionError", kBoth, SHOW(GetExpressionError()), {Main(12, 12, "", I2(4))}, "4"},
      {"ExportImage", kBoth, SHOW(ExportImage(1, "/o/a.jpg", 2, 3, 10, 11, 12, 13, 14)),
       {Main(61, 54, "VT_I2 1, VT_BSTR /o/a.jpg, VT_I2 2, VT_I2 3, VT_I4 10, VT_I4 11, VT_I4 12, VT_I4 13, VT_I4 14",
             I2(0))},
       "0"},
      {"GetImageSetting60", kBoth, SHOW(GetImageSetting60()), {Main(23, 19, "", I2(2))}, "2"},
      {"GetIndustryCode", kBoth, SHOW(GetIndustryCode()), {Main(21, 17, "", I2(1))}, "1"},
      {"GetText62", kBoth, Text62, {Main(13, 13, kOut, OutText(0, L"t62", 5))}, "5 't62'"},
      {"GetText63", kBoth, SHOW(GetText63()), {Main(20, 16, "", Text(L"B-FLUTE"))}, "'B-FLUTE'"},
      {"GetText64", kBoth, SHOW(GetText64()), {Main(118, 109, "", Text(L"Board"))}, "'Board'"},
      {"GetNumericVariable", kBoth, SHOW(GetNumericVariable("L")), {Main(70, 62, "VT_BSTR L", R8(12.5))}, "12.5"},
      {"GetNumericVariable failed", kBoth, SHOW(GetNumericVariable("L")),
       {Main(70, 62, "VT_BSTR L", R8(-2)), ErrorText()},
       "DravoError: Return Numeric Variable failed [main error]"},
      {"GetStringVariable", kBoth, SHOW(GetStringVariable("N")), {Main(69, 61, "VT_BSTR N", Text(L""))}, "''"},
      {"GetVariableValue numeric", kBoth, SHOW(GetVariableValue("L")), {Main(70, 62, "VT_BSTR L", R8(12.5))},
       "'12.500000'"},
      {"GetVariableValue text", kBoth, SHOW(GetVariableValue("L")),
       {Main(70, 62, "VT_BSTR L", R8(-2)), Main(69, 61, "VT_BSTR L", Text(L"Tray"))}, "'Tray'"},
      {"GetVariableValue failed", kBoth, SHOW(GetVariableValue("L")),
       {Main(70, 62, "VT_BSTR L", R8(-2)), Main(69, 61, "VT_BSTR L", Text(L"")), ErrorText()},
       "DravoError: Return Variable Value failed [main error]"},
      {"GetMenuXml", kBoth, SHOW(GetMenuXml("/t/m.xml", 2, 0, 0, 0)),
       {Standards(11, 12, "VT_BSTR /t/m.xml, VT_I2 2, VT_I2 0, VT_I2 0, VT_I2 0", I2(0))}, "0"},
      {"GetMenuXml refused", kBoth, SHOW(GetMenuXml("/t/m.xml", 2, 0, 0, 0)),
       {Standards(11, 12, "VT_BSTR /t/m.xml, VT_I2 2, VT_I2 0, VT_I2 0, VT_I2 0", I2(3)), StandardsErrorText()},
       "DravoError: Failed to get Menu XML [std error]"},
      {"GetMenuXml raising", kBoth, SHOW(GetMenuXml("/t/m.xml", 2, 0, 0, 0)),
       {Standards(11, 12, "VT_BSTR /t/m.xml, VT_I2 2, VT_I2 0, VT_I2 0, VT_I2 0", Raises(L"Std", L"full"))},
       "COleDispatchException Std - full"},
      {"GetUnit millimetres", kBoth, SHOW(GetUnit()), {Main(25, 21, "", I2(1))}, "1"},
      {"GetUnit inches", kBoth, SHOW(GetUnit()), {Main(25, 21, "", I2(2))}, "2"},
      {"GetUnit 0", kBoth, SHOW(GetUnit()), {Main(25, 21, "", I2(0)), ErrorText()},
       "DravoError: Failed to get Unit [main error]"},
      {"GetUnit 3", kBoth, SHOW(GetUnit()), {Main(25, 21, "", I2(3)), ErrorText()},
       "DravoError: Failed to get Unit [main error]"},
      {"ExportThumbnail", kBoth, SHOW(ExportThumbnail("/o/t.png")), {Main(90, 79, "VT_BSTR /o/t.png", I2(0))}, "0"},
      {"ExportThumbnail refused", kBoth, SHOW(ExportThumbnail("/o/t.png")),
       {Main(90, 79, "VT_BSTR /o/t.png", I2(1)), ErrorText()}, "DravoError: Failed to export thumbnail [main error]"},
      {"GenerateDocPlots raising", kBoth, DocPlots, {Standards(2, 3, "", Raises(L"Std", L"no menus"))},
       "COleDispatchException Std - no menus"},
      {"SetOption72", kConventional, DONE(SetOption72(1)), {Main(18, 0, "VT_I2 1", Nothing())}, "done"},
      {"SetOption72", kEnterprise, DONE(SetOption72(1)), {}, "done"},

      // Print items.
      {"DeletePrintItem", kBoth, SHOW(DeletePrintItem(3)), {Main(100, 89, "VT_I4 3", I2(0))}, "0"},
      {"CheckPrintItem", kBoth, SHOW(CheckPrintItem(1, 2, 3)), {Main(103, 92, "VT_I4 1, VT_I4 2, VT_I4 3", I2(1))},
       "1"},
      {"RemovePrintItem", kBoth, SHOW(RemovePrintItem(4)), {Main(99, 88, "VT_I4 4", I2(0))}, "0"},
      {"CreatePrintItems", kBoth, SHOW(CreatePrintItems(2, false)), {Main(49, 43, "VT_I4 2, VT_BOOL false", I2(2))},
       "2"},
      {"GetPrintItemCount", kBoth, SHOW(GetPrintItemCount(2)), {Main(76, 68, "VT_I4 2", I4(5))}, "5"},
      {"SelectPrintItem", kBoth, SHOW(SelectPrintItem(1, 2, 0)), {Main(57, 50, "VT_I4 1, VT_I4 2, VT_I2 0", I2(0))},
       "0"},
      {"InvokeMethod79", kBoth, SHOW(InvokeMethod79("x", 1, 2)), {Main(107, 96, "VT_BSTR x, VT_I4 1, VT_I4 2", I2(0))},
       "0"},
      {"GetPrintItemName", kBoth, SHOW(GetPrintItemName(2, 1)), {Main(77, 69, "VT_I4 2, VT_I4 1", Text(L"Cut"))},
       "'Cut'"},

      // Design database: the conventional driver works on its objects.
      {"FindPerson", kConventional, SHOW(FindPerson("Ann", "Lee")),
       {On("person", DISPATCH_METHOD, 3, "", I4(9)), On("person", DISPATCH_PROPERTYPUT, 14, "VT_BSTR Ann"),
        On("person", DISPATCH_PROPERTYPUT, 13, "VT_BSTR Lee"),
        On("person", DISPATCH_METHOD, 1, kPersonSearch, I4(0x10000)),  // only the low 16 bits tell
        On("person", DISPATCH_PROPERTYGET, 10, "", I4(17))},
       "'17'"},
      {"FindPerson not found", kConventional, SHOW(FindPerson("Ann", "Lee")),
       {On("person", DISPATCH_METHOD, 3, "", I4(0)), On("person", DISPATCH_PROPERTYPUT, 14, "VT_BSTR Ann"),
        On("person", DISPATCH_PROPERTYPUT, 13, "VT_BSTR Lee"),
        On("person", DISPATCH_METHOD, 1, kPersonSearch, I4(0x10001))},
       "''"},
      {"FindCompany with code", kConventional, SHOW(FindCompany("Acme", "AC1")),
       {On("company", DISPATCH_METHOD, 19, "", I2(0)), On("company", DISPATCH_PROPERTYPUT, 4, "VT_BSTR Acme"),
        On("company", DISPATCH_PROPERTYPUT, 5, "VT_BSTR AC1"), On("company", DISPATCH_METHOD, 17, "VT_I2 4", I2(0)),
        On("company", DISPATCH_PROPERTYGET, 2, "", I4(0))},
       "'0'"},
      {"FindCompany without code", kConventional, SHOW(FindCompany("Acme", "")),
       {On("company", DISPATCH_METHOD, 19, "", I2(0)), On("company", DISPATCH_PROPERTYPUT, 4, "VT_BSTR Acme"),
        On("company", DISPATCH_METHOD, 17, "VT_I2 4", I2(0)), On("company", DISPATCH_PROPERTYGET, 2, "", I4(42))},
       "'42'"},
      {"FindCompany not found", kConventional, SHOW(FindCompany("Acme", "")),
       {On("company", DISPATCH_METHOD, 19, "", I2(0)), On("company", DISPATCH_PROPERTYPUT, 4, "VT_BSTR Acme"),
        On("company", DISPATCH_METHOD, 17, "VT_I2 4", I2(1))},
       "''"},
      {"SetDesignCustomer", kConventional, SHOW(SetDesignCustomer(12, -1)),
       {On("record", DISPATCH_METHOD, 1, "VT_I4 12, VT_I4 -1", I2(0))}, "0"},
      {"SetDesignOwner", kConventional, SHOW(SetDesignOwner(12, -1)),
       {On("record", DISPATCH_METHOD, 3, "VT_I4 12, VT_I4 -1", I2(2))}, "2"},
      {"SetDesignDesigner", kConventional, SHOW(SetDesignDesigner(13, -1)),
       {On("record", DISPATCH_METHOD, 4, "VT_I4 13, VT_I4 -1", I2(0))}, "0"},
      {"SetDesignSalesperson", kConventional, SHOW(SetDesignSalesperson(14, -1)),
       {On("record", DISPATCH_METHOD, 5, "VT_I4 14, VT_I4 -1", I2(1))}, "1"},
      {"OpenDesignRecord", kConventional, DONE(OpenDesignRecord()), {Released("record"), Main(52, 52, "")}, "done"},
      {"ReleaseDesignRecord", kConventional, DONE(ReleaseDesignRecord()), {Released("record")}, "done"},
      {"InitPerson", kConventional, DONE(InitPerson()),
       {Released("person"), Created("Quillmarsh.personobject.1"),
        On("person", DISPATCH_PROPERTYPUT, 8, "VT_DISPATCH {connection}")},
       "done", {"message 0 shapejobs.info.initPerson"}},
      {"InitPerson raising", kConventional, DONE(InitPerson()),
       {Released("person"), Created("Quillmarsh.personobject.1"),
        On("person", DISPATCH_PROPERTYPUT, 8, "VT_DISPATCH {connection}", Raises(L"Db", L"no table"))},
       "DravoRuntimeException: Failed to initialize CPersonObject [Db - no table]",
       {"message 0 shapejobs.info.initPerson"}},
      {"ReleasePerson", kConventional, DONE(ReleasePerson()), {Released("person")}, "done"},
      {"InitCompany", kConventional, DONE(InitCompany()),
       {Released("company"), Created("Quillmarsh.Customer.1"),
        On("company", DISPATCH_PROPERTYPUT, 24, "VT_DISPATCH {connection}")},
       "done", {"message 0 shapejobs.info.initCompany"}},
      {"InitCompany raising", kConventional, DONE(InitCompany()),
       {Released("company"), Created("Quillmarsh.Customer.1"),
        On("company", DISPATCH_PROPERTYPUT, 24, "VT_DISPATCH {connection}", Raises(L"", L""))},
       "DravoRuntimeException: Failed to initialize CCustomerObject [unknown error]",
       {"message 0 shapejobs.info.initCompany"}},
      {"ReleaseCompany", kConventional, DONE(ReleaseCompany()), {Released("company")}, "done"},

      // The enterprise driver has no design database.
      {"FindPerson", kEnterprise, SHOW(FindPerson("Ann", "Lee")), {}, "''"},
      {"FindCompany", kEnterprise, SHOW(FindCompany("Acme", "AC1")), {}, "''"},
      {"SetDesignCustomer", kEnterprise, SHOW(SetDesignCustomer(12, -1)), {}, "0"},
      {"SetDesignOwner", kEnterprise, SHOW(SetDesignOwner(12, -1)), {}, "0"},
      {"SetDesignDesigner", kEnterprise, SHOW(SetDesignDesigner(12, -1)), {}, "0"},
      {"SetDesignSalesperson", kEnterprise, SHOW(SetDesignSalesperson(12, -1)), {}, "0"},
      {"OpenDesignRecord", kEnterprise, DONE(OpenDesignRecord()), {}, "done"},
      {"ReleaseDesignRecord", kEnterprise, DONE(ReleaseDesignRecord()), {}, "done"},
      {"InitPerson", kEnterprise, DONE(InitPerson()), {}, "done"},
      {"ReleasePerson", kEnterprise, DONE(ReleasePerson()), {}, "done"},
      {"InitCompany", kEnterprise, DONE(InitCompany()), {}, "done"},
      {"ReleaseCompany", kEnterprise, DONE(ReleaseCompany()), {}, "done"},
  };
  return rows;
}
// clang-format on

class ContractTest : public DriverTest {
 protected:
  // A started driver holding every optional object it can hold.
  void StartHoldingEverything() {
    Start();
    driver->GetLayoutObject();
    if (Enterprise()) return;
    driver->InitConnection("dsn");
    driver->InitCompany();
    driver->InitPerson();
    driver->OpenDesignRecord();
  }

  Journal Expected(const Row& row) const {
    const std::string connection =
        cad->connection != nullptr ? Narrow(ScriptedDispatch::DispatchText(cad->connection)) : "";
    Journal lines;
    for (const Step& step : row.steps) {
      if (step.onlyWithReporter && !HasReporter()) continue;
      std::string line = step.Line(Enterprise());
      const std::size_t mark = line.find("{connection}");
      if (mark != std::string::npos) line.replace(mark, 12, connection);
      lines.push_back(line);
    }
    return lines;
  }
};

TEST_P(ContractTest, EveryOperationMakesItsCallsAndHandlesTheAnswer) {
  const Drivers other = Enterprise() ? kConventional : kEnterprise;
  for (const Row& row : Rows()) {
    if (row.drivers == other) continue;
    SCOPED_TRACE(row.name);
    StartHoldingEverything();
    for (const Step& step : row.steps) {
      if (step.answer) step.answer(cad->Object(step.object).On(cad->Id(step.conventional, step.enterprise), step.kind));
    }
    cad->journal->clear();
    sink.events.clear();
    EXPECT_EQ(Outcome([&] { return row.run(*driver); }), row.outcome);
    EXPECT_EQ(*cad->journal, Expected(row));
    EXPECT_EQ(sink.events, Reported(row.messages));
    Restart();  // checks that the row left nothing behind
  }
}

INSTANTIATE_TEST_SUITE_P(BothDrivers, ContractTest,
                         ::testing::Values(DriverSetting{false, true}, DriverSetting{true, true},
                                           DriverSetting{false, false}, DriverSetting{true, false}),
                         SettingName);

}  // namespace
