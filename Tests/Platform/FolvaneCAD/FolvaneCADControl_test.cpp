// The conventional main control, driven through the dispatch driver the way
// the program drives it.
#include <fstream>
#include <iterator>

#include "FolvaneCADTestSupport.h"
#include "QK_TXml.h"

namespace {

using namespace conventional;

class FolvaneCADControlTest : public FolvaneCADTest {
 protected:
  void SetUp() override {
    FolvaneCADTest::SetUp();
    designPath_ = Wide(folder_.Write("designs/carton.kpx", kCartonDesign));
  }

  COleDispatchDriver& OpenCarton() {
    COleDispatchDriver& cad = Create(L"FolvaneCAD-X.DravoCtrl.1");
    EXPECT_EQ(Status(cad, kOpen, VTS_BSTR VTS_I2, designPath_.c_str(), short(1)), 0) << ErrorText(cad);
    return cad;
  }

  static std::string ErrorText(COleDispatchDriver& cad) {
    std::wstring text = OutText(cad, kErrorText);
    return std::string(text.begin(), text.end());
  }

  static QK_TXmlElement DocumentXml(COleDispatchDriver& cad) {
    short status = -1;
    std::wstring xml = OutText(cad, kDocumentXml, &status);
    EXPECT_EQ(status, 0);
    return QK_TXml::ParseText(QK_TString(xml.c_str()), "document.xml");
  }

  static std::string Head(const std::string& path, std::size_t bytes) {
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return content.substr(0, bytes);
  }

  std::wstring designPath_;
};

TEST_F(FolvaneCADControlTest, ReadsAndChangesVariables) {
  COleDispatchDriver& cad = OpenCarton();
  EXPECT_EQ(Number(cad, kGetNumber, VTS_BSTR, L"l"), 60.0);
  EXPECT_EQ(Text(cad, kGetText, VTS_BSTR, L"CUSTOMER$"), L"Acme & Sons");

  EXPECT_EQ(Status(cad, kSetNumber, VTS_BSTR VTS_R8, L"L", 75.5), 0);
  EXPECT_NE(Status(cad, kSetNumber, VTS_BSTR VTS_R8, L"DEPTH", 30.0), 0);
  EXPECT_EQ(ErrorText(cad), "Unknown variable: DEPTH");
  EXPECT_NE(Status(cad, kSetNumber, VTS_BSTR VTS_R8, L"CUSTOMER$", 1.0), 0) << "a text variable is not numeric";
  EXPECT_EQ(Status(cad, kAddNumber, VTS_BSTR VTS_R8, L"DEPTH", 30.0), 0);
  EXPECT_NE(Status(cad, kSetText, VTS_BSTR VTS_BSTR, L"NOTE$", L"x"), 0);
  EXPECT_EQ(Status(cad, kAddText, VTS_BSTR VTS_BSTR, L"NOTE$", L"fragile"), 0);

  double depth = 0;
  EXPECT_EQ(Status(cad, kReadNumber, VTS_BSTR VTS_PR8, L"DEPTH", &depth), 0);
  EXPECT_EQ(depth, 30.0);
  EXPECT_EQ(Number(cad, kGetNumber, VTS_BSTR, L"L"), 75.5);
  BSTR note = SysAllocString(L"");
  EXPECT_EQ(Status(cad, kReadText, VTS_BSTR VTS_PBSTR, L"NOTE$", &note), 0);
  EXPECT_STREQ(note, L"fragile");
  SysFreeString(note);

  EXPECT_EQ(Number(cad, kGetNumber, VTS_BSTR, L"MISSING"), -2.0);
  EXPECT_EQ(ErrorText(cad), "Unknown variable: MISSING");
  EXPECT_EQ(Text(cad, kGetText, VTS_BSTR, L"MISSING$"), L"");
  EXPECT_EQ(Number(cad, kGetNumber, VTS_BSTR, L"CODE$"), -2.0) << "a text variable read as a number";
}

TEST_F(FolvaneCADControlTest, EvaluatesExpressionsOverVariablesAndComputedValues) {
  COleDispatchDriver& cad = OpenCarton();
  EXPECT_DOUBLE_EQ(Number(cad, kEvalNumber, VTS_BSTR, L"(L + W) * 2 - 1 / 4"), 200.75);
  EXPECT_DOUBLE_EQ(Number(cad, kEvalNumber, VTS_BSTR, L"-L/-2"), 30.0);
  EXPECT_EQ(Text(cad, kEvalText, VTS_BSTR, L"CUSTOMER$ + \" / \" + L"), L"Acme & Sons / 60");
  EXPECT_EQ(Text(cad, kEvalText, VTS_BSTR, L"W * 2"), L"81");
  EXPECT_EQ(Status(cad, kExpressionError, VTS_NONE), 0);
  // The outline is 100 x 50.
  EXPECT_EQ(Number(cad, kEvalNumber, VTS_BSTR, L"#AREA"), 5000.0);
  EXPECT_EQ(Number(cad, kEvalNumber, VTS_BSTR, L"#MANSIZEY"), 50.0);
  EXPECT_EQ(Text(cad, kEvalText, VTS_BSTR, L"#GRAIN$"), L"Vertical");
  EXPECT_EQ(Text(cad, kEvalText, VTS_BSTR, L"#W$"), L"carton");

  EXPECT_EQ(Number(cad, kEvalNumber, VTS_BSTR, L"L *"), -2.0);
  EXPECT_EQ(ErrorText(cad), "Invalid expression \"L *\": Unexpected end of expression");
  EXPECT_EQ(Status(cad, kExpressionError, VTS_NONE), 1);
  Number(cad, kEvalNumber, VTS_BSTR, L"L / (W - 40.5)");
  EXPECT_NE(ErrorText(cad).find("Division by zero"), std::string::npos);
  Number(cad, kEvalNumber, VTS_BSTR, L"HEIGHT + 1");
  EXPECT_NE(ErrorText(cad).find("Unknown variable: HEIGHT"), std::string::npos);
  EXPECT_EQ(Number(cad, kEvalNumber, VTS_BSTR, L"CUSTOMER$"), -2.0) << "a text is not a number";
}

TEST_F(FolvaneCADControlTest, SwitchesLayersAndHandlesPrintItems) {
  COleDispatchDriver& cad = OpenCarton();
  std::int32_t items = 0, layers = 0;
  cad.InvokeHelper(kPrintItemCount, DISPATCH_METHOD, VT_I4, &items, VTS_I4, 1);
  cad.InvokeHelper(kPrintItemCount, DISPATCH_METHOD, VT_I4, &layers, VTS_I4, 2);
  EXPECT_EQ(items, 2);
  EXPECT_EQ(layers, 3);
  EXPECT_EQ(Text(cad, kPrintItemName, VTS_I4 VTS_I4, 1, 2), L"Back");
  EXPECT_EQ(Text(cad, kPrintItemName, VTS_I4 VTS_I4, 2, 0), L"Base");
  EXPECT_EQ(Text(cad, kPrintItemName, VTS_I4 VTS_I4, 2, 3), L"Print");
  EXPECT_EQ(Status(cad, kCheckPrintItem, VTS_I4 VTS_I4 VTS_I4, 1, 3, 3), 0) << "Print is part of Front";
  EXPECT_EQ(Status(cad, kCheckPrintItem, VTS_I4 VTS_I4 VTS_I4, 1, 3, 2), 1) << "Crease is not";
  EXPECT_EQ(Status(cad, kCheckPrintItem, VTS_I4 VTS_I4 VTS_I4, 9, 3, 1), 2);

  EXPECT_EQ(Status(cad, kSetLayer, VTS_I4 VTS_I2, 0, short(0)), 0);
  EXPECT_EQ(Status(cad, kSetLayer, VTS_I4 VTS_I2, -1, short(1)), 0);
  EXPECT_NE(Status(cad, kSetLayer, VTS_I4 VTS_I2, 4, short(1)), 0);
  QK_TXmlElement layersElement = DocumentXml(cad).children[1];
  ASSERT_EQ(layersElement.children.size(), 3u);
  EXPECT_EQ(layersElement.children[0].Attribute("on")->str(), "0");
  EXPECT_EQ(layersElement.children[2].Attribute("on")->str(), "1");

  // Selecting with the flag shows exactly the item's layers.
  EXPECT_EQ(Status(cad, kSelectPrintItem, VTS_I4 VTS_I4 VTS_I2, 1, 2, short(1)), 0);
  layersElement = DocumentXml(cad).children[1];
  EXPECT_EQ(layersElement.children[1].Attribute("on")->str(), "1");
  EXPECT_EQ(layersElement.children[2].Attribute("on")->str(), "0");
  EXPECT_NE(Status(cad, kSelectPrintItem, VTS_I4 VTS_I4 VTS_I2, 1, 3, short(1)), 0);
  EXPECT_EQ(Status(cad, kCreatePrintItems, VTS_I4 VTS_BOOL, 2, true), 0);
  EXPECT_EQ(Text(cad, kEvalText, VTS_BSTR, L"#ITEM$ + \":\" + #NUPP"), L"Back:2");

  // Removing a part renumbers the layers of the print items; deleting an item shortens the list.
  EXPECT_EQ(Status(cad, kRemovePrintItem, VTS_I4, 2), 0);
  EXPECT_EQ(Text(cad, kPrintItemName, VTS_I4 VTS_I4, 2, 2), L"Print");
  EXPECT_EQ(Status(cad, kCheckPrintItem, VTS_I4 VTS_I4 VTS_I4, 1, 3, 2), 0);
  EXPECT_EQ(Status(cad, kDeletePrintItem, VTS_I4, 1), 0);
  cad.InvokeHelper(kPrintItemCount, DISPATCH_METHOD, VT_I4, &items, VTS_I4, 1);
  EXPECT_EQ(items, 1);
  EXPECT_EQ(Text(cad, kPrintItemName, VTS_I4 VTS_I4, 1, 1), L"Back");
}

TEST_F(FolvaneCADControlTest, BoardCodesAreCheckedAgainstTheCatalogueOfTheDefaultsFolder) {
  COleDispatchDriver& cad = OpenCarton();
  EXPECT_EQ(Status(cad, kSetBoard, VTS_BSTR, L"ANYTHING"), 0) << "without a catalogue every code is accepted";
  EXPECT_EQ(Status(cad, kSetBoard, VTS_BSTR, L""), 4);

  EXPECT_NE(Status(cad, kDefaults, VTS_BSTR, Wide(folder_.File("missing")).c_str()), 0);
  EXPECT_NE(ErrorText(cad).find("missing"), std::string::npos);
  folder_.Write("Defaults/boards.xml",
                "<Boards><Board code=\"E-KRAFT\" description=\"E flute kraft\"/><Board code=\"B-TEST\"/></Boards>");
  EXPECT_EQ(Status(cad, kDefaults, VTS_BSTR, Wide(folder_.File("Defaults")).c_str()), 0);

  EXPECT_EQ(Status(cad, kSetBoard, VTS_BSTR, L"e-kraft"), 0);
  EXPECT_EQ(Text(cad, kBoardCode, VTS_NONE), L"e-kraft");
  EXPECT_EQ(Text(cad, kBoardDescription, VTS_NONE), L"E flute kraft");
  EXPECT_EQ(Status(cad, kSetBoard, VTS_BSTR, L"X-UNKNOWN"), 4);
  EXPECT_EQ(ErrorText(cad), "Unknown board code: X-UNKNOWN");
  EXPECT_EQ(Text(cad, kBoardCode, VTS_NONE), L"e-kraft") << "a refused code changes nothing";
  EXPECT_EQ(Status(cad, kSetBoardAndDescription, VTS_BSTR VTS_BSTR, L"X-UNKNOWN", L"x"), 4);
  EXPECT_EQ(Status(cad, kSetBoardAndDescription, VTS_BSTR VTS_BSTR, L"B-TEST", L"Test board"), 0);
  EXPECT_EQ(Text(cad, kBoardDescription, VTS_NONE), L"Test board");
}

TEST_F(FolvaneCADControlTest, SavedDesignKeepsChangesAndWhatItDidNotKnow) {
  COleDispatchDriver& cad = OpenCarton();
  Status(cad, kSetNumber, VTS_BSTR VTS_R8, L"W", 44.25);
  Status(cad, kAddText, VTS_BSTR VTS_BSTR, L"NOTE$", L"<fragile> & \"dry\"");
  Status(cad, kSetBoard, VTS_BSTR, L"FBB-350");
  cad.InvokeHelper(kSetUnit, DISPATCH_METHOD, VT_EMPTY, nullptr, VTS_I2, short(2));
  std::wstring copy = Wide(folder_.File("out\\copy.kpx"));  // "\" separates folders too
  std::filesystem::create_directory(folder_.File("out"));
  EXPECT_EQ(Status(cad, kSave, VTS_BSTR VTS_I2, copy.c_str(), short(1)), 0) << ErrorText(cad);
  EXPECT_EQ(Status(cad, kClose, VTS_NONE), 0);

  EXPECT_EQ(Status(cad, kOpen, VTS_BSTR VTS_I2, Wide(folder_.File("out/copy.kpx")).c_str(), short(1)), 0);
  EXPECT_EQ(Number(cad, kGetNumber, VTS_BSTR, L"W"), 44.25);
  EXPECT_EQ(Text(cad, kGetText, VTS_BSTR, L"NOTE$"), L"<fragile> & \"dry\"");
  EXPECT_EQ(Text(cad, kGetText, VTS_BSTR, L"CODE$"), L"0042");
  EXPECT_EQ(Text(cad, kBoardCode, VTS_NONE), L"FBB-350");
  EXPECT_EQ(Status(cad, kUnit, VTS_NONE), 2);
  EXPECT_NEAR(Number(cad, kEvalNumber, VTS_BSTR, L"#MANSIZEX"), 100 / 25.4, 1e-9) << "geometry keeps its size";
  std::ifstream saved(folder_.File("out/copy.kpx"));
  std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("note=\"kept attribute\""), std::string::npos);
  EXPECT_NE(text.find("<History>kept element</History>"), std::string::npos);

  EXPECT_EQ(Status(cad, kSave, VTS_BSTR VTS_I2, Wide(folder_.File("no/such/folder/x.kpx")).c_str(), short(1)), 10);
  EXPECT_NE(ErrorText(cad).find("no/such/folder/x.kpx"), std::string::npos);
}

TEST_F(FolvaneCADControlTest, SaveReportsTheRemarksOfTheDesign) {
  std::string design = kCartonDesign;
  design.insert(design.find("</Design>"), "<Remark>Glue flap narrower than 12 mm</Remark>\n");
  designPath_ = Wide(folder_.Write("designs/remarks.kpx", design));
  COleDispatchDriver& cad = OpenCarton();
  EXPECT_EQ(Status(cad, kSave, VTS_BSTR VTS_I2, Wide(folder_.File("saved.kpx")).c_str(), short(1)), 1);
  EXPECT_EQ(ErrorText(cad), "Saved with remarks: Glue flap narrower than 12 mm");
  EXPECT_TRUE(std::filesystem::exists(folder_.File("saved.kpx")));
}

TEST_F(FolvaneCADControlTest, DocumentXmlDescribesTheDesign) {
  COleDispatchDriver& cad = OpenCarton();
  QK_TXmlElement root = DocumentXml(cad);
  EXPECT_EQ(root.name.str(), "DESIGN");
  EXPECT_EQ(root.Attribute("name")->str(), "carton");
  EXPECT_EQ(root.Attribute("industry")->str(), "2");
  EXPECT_EQ(root.Attribute("boardCode")->str(), "FBB-300");
  ASSERT_EQ(root.children.size(), 3u);
  EXPECT_EQ(root.children[0].name.str(), "VARIABLES");
  EXPECT_EQ(root.children[0].children[2].Attribute("value")->str(), "Acme & Sons");
  EXPECT_EQ(root.children[2].children[0].Attribute("name")->str(), "Front");
  EXPECT_EQ(root.children[2].children[0].Attribute("layers")->str(), "1,3");

  Status(cad, kClose, VTS_NONE);
  short status = 0;
  EXPECT_EQ(OutText(cad, kDocumentXml, &status), L"");
  EXPECT_EQ(status, 10);
}

TEST_F(FolvaneCADControlTest, CommandFilesSetVariablesOrChangeNothing) {
  COleDispatchDriver& cad = OpenCarton();
  folder_.Write("scripts/set.txt", "; sizes\r\ndset L = 120\n\nDSET CUSTOMER$ = Box & Co\ndset CODE$ = \"007\"\n");
  std::wstring command = L"EXE " + Wide(folder_.File("scripts\\set.txt"));
  EXPECT_EQ(Status(cad, kRunCommand, VTS_BSTR, command.c_str()), 0) << ErrorText(cad);
  EXPECT_EQ(Number(cad, kGetNumber, VTS_BSTR, L"L"), 120.0);
  EXPECT_EQ(Text(cad, kGetText, VTS_BSTR, L"CUSTOMER$"), L"Box & Co");
  EXPECT_EQ(Text(cad, kGetText, VTS_BSTR, L"CODE$"), L"007");

  folder_.Write("scripts/bad.txt", "dset L = 1\nfrobnicate\n");
  command = L"EXE " + Wide(folder_.File("scripts/bad.txt"));
  EXPECT_NE(Status(cad, kRunCommand, VTS_BSTR, command.c_str()), 0);
  EXPECT_NE(ErrorText(cad).find("line 2: unknown command \"frobnicate\""), std::string::npos);
  EXPECT_EQ(Number(cad, kGetNumber, VTS_BSTR, L"L"), 120.0) << "a faulty file sets nothing";

  command = L"EXE " + Wide(folder_.File("scripts/none.txt"));
  EXPECT_NE(Status(cad, kRunCommand, VTS_BSTR, command.c_str()), 0);
  EXPECT_NE(ErrorText(cad).find("Command file not found"), std::string::npos);
  EXPECT_NE(Status(cad, kRunCommand, VTS_BSTR, L"PLOT something"), 0);
  EXPECT_EQ(ErrorText(cad), "Unknown command: PLOT");
}

TEST_F(FolvaneCADControlTest, ExportsImagesByTheirExtension) {
  COleDispatchDriver& cad = OpenCarton();
  VARIANT numbers[5];
  for (VARIANT& number : numbers) {
    VariantInit(&number);
    number.vt = VT_I4;
    number.lVal = 10;
  }
  auto exportImage = [&](const std::string& path, short width, short height) {
    return Status(cad, kExportImage, VTS_I2 VTS_BSTR VTS_I2 VTS_I2 VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT
                  VTS_VARIANT, short(1), Wide(path).c_str(), width, height, &numbers[0], &numbers[1], &numbers[2],
                  &numbers[3], &numbers[4]);
  };
  EXPECT_EQ(exportImage(folder_.File("view.png"), 320, 200), 0) << ErrorText(cad);
  EXPECT_EQ(Head(folder_.File("view.png"), 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(exportImage(folder_.File("view.JPG"), 200, 200), 0) << ErrorText(cad);
  EXPECT_EQ(Head(folder_.File("view.JPG"), 3), "\xFF\xD8\xFF");
  EXPECT_EQ(Status(cad, kThumbnail, VTS_BSTR, Wide(folder_.File("thumb.jpeg")).c_str()), 0);
  EXPECT_EQ(Head(folder_.File("thumb.jpeg"), 3), "\xFF\xD8\xFF");

  EXPECT_NE(exportImage(folder_.File("view.bmp"), 100, 100), 0);
  EXPECT_NE(ErrorText(cad).find("view.bmp"), std::string::npos);
  EXPECT_NE(exportImage(folder_.File("empty.png"), 0, 100), 0);
  EXPECT_FALSE(std::filesystem::exists(folder_.File("empty.png")));
}

TEST_F(FolvaneCADControlTest, OpenFailuresNameTheFile) {
  COleDispatchDriver& cad = Create(L"FolvaneCAD-X.DravoCtrl.1");
  std::wstring missing = Wide(folder_.File("designs/missing.kpx"));
  EXPECT_NE(Status(cad, kOpen, VTS_BSTR VTS_I2, missing.c_str(), short(1)), 0);
  EXPECT_EQ(ErrorText(cad), "Design file not found: " + folder_.File("designs/missing.kpx"));
  EXPECT_EQ(Status(cad, kIndustry, VTS_NONE), 0) << "nothing is open";

  std::wstring broken = Wide(folder_.Write("designs/broken.kpx", "<Design><Variable name=\"L\" value=\"1\"/>"));
  EXPECT_NE(Status(cad, kOpen, VTS_BSTR VTS_I2, broken.c_str(), short(1)), 0);
  EXPECT_NE(ErrorText(cad).find("broken.kpx"), std::string::npos);
  std::wstring wrong = Wide(folder_.Write("designs/wrong.kpx", "<Design><Variable name=\"L\" type=\"numeric\" "
                                                                "value=\"long\"/></Design>"));
  EXPECT_NE(Status(cad, kOpen, VTS_BSTR VTS_I2, wrong.c_str(), short(1)), 0);
  EXPECT_NE(ErrorText(cad).find("not a number"), std::string::npos);
}

TEST_F(FolvaneCADControlTest, DesignReferencesResolveUnderTheDataFolder) {
  folder_.Write("root/projects/Cartons/Box-12.kpx", "<Design name=\"plain\"/>");
  folder_.Write("root/projects/Cartons/Box-12-v3.kpx", "<Design name=\"version 3\"/>");
  COleDispatchDriver& cad = Create(L"FolvaneCAD-X.DravoCtrl.1");
  EXPECT_NE(Status(cad, kOpen, VTS_BSTR VTS_I2, L"@Cartons:Box-12", short(1)), 0) << "no data folder yet";
  Status(cad, kDefaults, VTS_BSTR, Wide(folder_.File("root")).c_str());
  EXPECT_EQ(Status(cad, kOpen, VTS_BSTR VTS_I2, L"@Cartons:3:Box-12", short(1)), 0) << ErrorText(cad);
  EXPECT_EQ(Text(cad, kEvalText, VTS_BSTR, L"#W$"), L"version 3");
  EXPECT_EQ(Status(cad, kOpen, VTS_BSTR VTS_I2, L"@Cartons:2:Box-12", short(1)), 0);
  EXPECT_EQ(Text(cad, kEvalText, VTS_BSTR, L"#W$"), L"plain");
  EXPECT_NE(Status(cad, kOpen, VTS_BSTR VTS_I2, L"@Cartons:Lid", short(1)), 0);
  EXPECT_NE(ErrorText(cad).find("@Cartons:Lid"), std::string::npos);
}

TEST_F(FolvaneCADControlTest, ManufacturingFilesNumberPrintItemsAcrossTheirDesigns) {
  std::wstring path = Wide(folder_.Write("sheet.MFG", R"(<Layout unit="mm" sheetWidth="1000" sheetHeight="700">
      <Design name="A" ups="4"><PrintItem name="A1"/><PrintItem name="A2"/></Design>
      <Design name="B"/>
      <Design name="C" ups="2"><PrintItem name="C1" ups="3"/></Design>
    </Layout>)"));
  COleDispatchDriver& cad = Create(L"FolvaneCAD-X.DravoCtrl.1");
  ASSERT_EQ(Status(cad, kOpen, VTS_BSTR VTS_I2, path.c_str(), short(1)), 0) << ErrorText(cad);
  QK_TXmlElement root = DocumentXml(cad);
  EXPECT_EQ(root.name.str(), "LAYOUT");
  ASSERT_EQ(root.children.size(), 3u);
  EXPECT_EQ(root.children[2].Attribute("name")->str(), "C");

  EXPECT_EQ(Number(cad, kEvalNumber, VTS_BSTR, L"#NDESIGNSA"), 3.0);
  EXPECT_EQ(Status(cad, kPrepareDesign, VTS_I4 VTS_BOOL, 3, true), 0);
  EXPECT_EQ(Text(cad, kEvalText, VTS_BSTR, L"#W$ + \" \" + #NUPD"), L"C 2");
  EXPECT_NE(Status(cad, kPrepareDesign, VTS_I4 VTS_BOOL, 4, true), 0);
  // A1 and A2 are 1 and 2, design B takes 3, C1 is 4.
  EXPECT_EQ(Status(cad, kCreatePrintItems, VTS_I4 VTS_BOOL, 4, true), 0);
  EXPECT_EQ(Text(cad, kEvalText, VTS_BSTR, L"#W$ + \":\" + #ITEM$ + \":\" + #NUPP"), L"C:C1:3");
  EXPECT_NE(Status(cad, kCreatePrintItems, VTS_I4 VTS_BOOL, 3, true), 0);

  // Saved in inches, the sheet and the designs keep their size and ups.
  cad.InvokeHelper(kSetUnit, DISPATCH_METHOD, VT_EMPTY, nullptr, VTS_I2, short(2));
  std::wstring copy = Wide(folder_.File("copy.MFG"));
  EXPECT_EQ(Status(cad, kSave, VTS_BSTR VTS_I2, copy.c_str(), short(1)), 0) << ErrorText(cad);
  EXPECT_EQ(Status(cad, kThumbnail, VTS_BSTR, Wide(folder_.File("sheet.png")).c_str()), 0) << ErrorText(cad);
  EXPECT_EQ(Head(folder_.File("sheet.png"), 4), "\x89PNG");
  ASSERT_EQ(Status(cad, kOpen, VTS_BSTR VTS_I2, copy.c_str(), short(1)), 0) << ErrorText(cad);
  root = DocumentXml(cad);
  EXPECT_EQ(root.Attribute("unit")->str(), "inch");
  EXPECT_NEAR(std::stod(root.Attribute("sheetWidth")->str()), 1000 / 25.4, 1e-9);
  EXPECT_EQ(root.children[0].Attribute("ups")->str(), "4");
  EXPECT_EQ(root.children[2].children[2].children[0].Attribute("ups")->str(), "3");
}

TEST_F(FolvaneCADControlTest, WrongCallsAreAutomationErrors) {
  COleDispatchDriver& cad = OpenCarton();
  EXPECT_EQ(CodeOf([&] { Status(cad, kOpen, VTS_BSTR, L"x.kpx"); }), DISP_E_BADPARAMCOUNT)
      << "the conventional open takes a mode";
  EXPECT_EQ(CodeOf([&] { Status(cad, kSetBoard, VTS_I2, short(3)); }), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CodeOf([&] { Status(cad, 999, VTS_NONE); }), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(CodeOf([&] { Status(cad, 1, VTS_BSTR VTS_BSTR VTS_BSTR VTS_I2 VTS_I2, L"", L"", L"", short(0), short(0)); }),
            DISP_E_MEMBERNOTFOUND)
      << "the login belongs to the enterprise control";
}

}  // namespace
