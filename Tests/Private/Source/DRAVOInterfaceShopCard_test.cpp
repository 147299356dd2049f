// The shop-card operation on a mock CAD application: the design opened (or
// its replacement), the hooks, the outputs and their document, the save of
// the rebuilt design, and a native design output per print item after it
// is closed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <xercesc/dom/DOM.hpp>

#include "AfxDisp.h"
#include "DravoException.h"
#include "OperationDriver.h"
#include "ShopCardTestRecords.h"
#include "XUtilityXml.h"

namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::InSequence;
using ::testing::Return;

using Names = std::vector<QK_TString>;

// The "Output" rows of a document of outputs, each as
// "Name|Copies|OutputPathName|Result".
std::vector<std::string> Rows(const std::string& file) {
  const CAD::XmlDocument document =
      CAD::DRAVOInterface::ParseXMLFile(QK_TURL::FromLocalPath(QK_TString(file)));
  xercesc::DOMElement* root = document->getDocumentElement();
  EXPECT_EQ(CAD::FromXerces(root->getTagName()), QK_TString("ShopCardMultipleOutputs"));
  std::vector<std::string> rows;
  for (xercesc::DOMNode* node = root->getFirstChild(); node != nullptr; node = node->getNextSibling()) {
    auto* row = static_cast<xercesc::DOMElement*>(node);
    std::string text = CAD::FromXerces(row->getTagName()).str();
    for (const char* attribute : {"Name", "Copies", "OutputPathName", "Result"}) {
      text += "|" + CAD::FromXerces(row->getAttribute(CAD::ToXmlText(attribute).c_str())).str();
    }
    rows.push_back(text);
  }
  return rows;
}

class ShopCardTest : public OperationTest {
 protected:
  ShopCardTest() {
    ON_CALL(cad, OpenDesign(_)).WillByDefault([this](const QK_TString& design) {
      calls.push_back("open " + design.str());
    });
    ON_CALL(cad, CloseDesign()).WillByDefault([this] { calls.push_back("close"); });
    ON_CALL(cad, RunCommand(_)).WillByDefault([this](const QK_TString& script) {
      calls.push_back("run " + script.str());
      return std::int16_t{0};
    });
    ON_CALL(cad, InvokeMethod16(_, _, _))
        .WillByDefault([this](const QK_TString& name, std::int16_t, const QK_TString& path) {
          calls.push_back("output " + name.str() + " " + path.str());
          return std::int16_t{0};
        });
    ON_CALL(cad, SetLayer(_, _)).WillByDefault([this](std::int32_t index, std::int16_t on) {
      calls.push_back("layer " + std::to_string(index) + " " + std::to_string(on));
      return std::int16_t{0};
    });
    ON_CALL(cad, GetPrintItemCount(1)).WillByDefault(Return(2));
    ON_CALL(cad, GetPrintItemName(1, _)).WillByDefault([](std::int32_t, std::int32_t index) {
      return QK_TString(index == 1 ? "Front" : "Back");
    });
    record.designPath = "/designs";
    record.designName = "box.kpx";
    record.layerClasses = "ALL";
    record.outputLocation = QK_TURL::FromLocalPath(QK_TString(Location()));
  }

  std::string Location() const { return task.folder.File("card.xml"); }
  bool Has(const std::string& key) const {
    for (const std::string& message : task.Messages()) {
      if (message.find(key) != std::string::npos) return true;
    }
    return false;
  }

  CAD::ShopCardTicketData record;
  std::vector<std::string> calls;  // the design's life as the CAD application saw it
};

TEST_F(ShopCardTest, OneOutputRunsBetweenTheHooksOncePerCopyAtTheTaskLocation) {
  record.outputLocation = QK_TURL::FromLocalPath(QK_TString(task.folder.File("card.pdf")));
  record.outputs = {ShopCardOutput("Sheet", "", 3)};
  AddCommandScript(record, "POST_OPEN", "EXE open.cmd");
  AddCommandScript(record, "PRE_OUTPUT", "EXE pre.cmd");
  ON_CALL(cad, GetErrorString()).WillByDefault(Return(QK_TString("script not found")));
  AddCommandScript(record, "POST_OUTPUT", "EXE post.cmd");
  const std::string pdf = task.folder.File("card.pdf");
  EXPECT_CALL(cad, RunCommand(QK_TString("EXE open.cmd"))).WillOnce([this](const QK_TString&) {
    calls.push_back("run EXE open.cmd");
    return std::int16_t{1};  // a failed hook is reported, the card goes on
  });
  EXPECT_CALL(cad, RunCommand(QK_TString("EXE pre.cmd")));
  EXPECT_CALL(cad, RunCommand(QK_TString("EXE post.cmd")));
  EXPECT_EQ(cad.GenerateShopCard(record), 0);
  EXPECT_THAT(calls, ElementsAre("open /designs\\box.kpx", "run EXE open.cmd", "layer 0 1", "run EXE pre.cmd",
                                 "output Sheet " + pdf, "output Sheet " + pdf, "output Sheet " + pdf,
                                 "run EXE post.cmd", "close"));
  EXPECT_THAT(task.Messages(),
              ElementsAre("message 0 shapejobs.message.shopcarddesign /designs\\box.kpx",
                          "message 0 shapejobs.message.shopcarddopostopendesign EXE open.cmd",
                          "message 2 shapejobs.message.dravoerrorstring script not found",
                          "message 0 shapejobs.message.shopcarddovariables",
                          "message 0 shapejobs.message.shopcarddolayers ALL",
                          "message 0 shapejobs.message.shopcardrunpreoutput EXE pre.cmd",
                          "message 0 shapejobs.message.shopcardrunoutput Sheet",
                          "message 0 shapejobs.message.shopcardrunpostoutput EXE post.cmd",
                          "message 0 shapejobs.message.shopcardclosingdesign",
                          "message 0 shapejobs.message.shopcardclosedesign"));
  EXPECT_FALSE(std::filesystem::exists(pdf + ".xml"));
}

TEST_F(ShopCardTest, ADesignThatCannotBeOpenedIsReplacedAndTheReplacementDecidesThePrintItemPhase) {
  record.designNotFoundPath = "/designs/fallback.MFG";
  record.outputs = {ShopCardOutput("Sheet", "", 1, "front")};
  EXPECT_CALL(cad, OpenDesign(_)).Times(testing::AnyNumber());
  EXPECT_CALL(cad, OpenDesign(QK_TString("/designs\\box.kpx"))).WillOnce([](const QK_TString&) {
    QK_THROW(CAD::DravoError(QK_TString("OpenDesign failed")));
  });
  EXPECT_EQ(cad.GenerateShopCard(record), 0);
  EXPECT_TRUE(Has("message 0 shapejobs.message.shopcarddesignnotfoundpath /designs/fallback.MFG"));
  // Not a native design: output whole while it is open, although the output names a print item.
  EXPECT_THAT(calls,
              ElementsAre("open /designs/fallback.MFG", "layer 0 1", "output Sheet " + Location(), "close"));
}

TEST_F(ShopCardTest, ARecordWithoutAnyDesignIsAnEmptyDesignName) {
  record.designPath = "";
  EXPECT_CALL(cad, OpenDesign(_)).Times(0);
  try {
    cad.GenerateShopCard(record);
    FAIL() << "no exception";
  } catch (const CAD::EmptyDesignNameException& e) {
    EXPECT_EQ(e.QK_Message(), QK_TString("The Design Name is empty"));
  }
}

TEST_F(ShopCardTest, SeveralOutputsAreEachOutputAndAllListedAlsoOneWithoutName) {
  const std::string sheet = task.folder.File("sheet.pdf");
  record.outputs = {ShopCardOutput("", "", 2), ShopCardOutput("Sheet", sheet, 1),
                    ShopCardOutput("Plan", "", 1)};
  EXPECT_EQ(cad.GenerateShopCard(record), 0);
  EXPECT_THAT(calls, ElementsAre("open /designs\\box.kpx", "layer 0 1", "output Sheet " + sheet,
                                 "output Plan ", "close"));
  EXPECT_THAT(Rows(Location()), ElementsAre("Output||2||Success", "Output|Sheet||" + sheet + "|Success",
                                            "Output|Plan|1||Success"));
}

TEST_F(ShopCardTest, NoOutputsWriteADocumentWithoutRowsNamedAsXml) {
  record.outputLocation = QK_TURL::FromLocalPath(QK_TString(task.folder.File("card.kpx")));
  EXPECT_EQ(cad.GenerateShopCard(record), 0);
  EXPECT_THAT(calls, ElementsAre("open /designs\\box.kpx", "layer 0 1", "close"));
  EXPECT_THAT(Rows(task.folder.File("card.kpx.xml")), ElementsAre());
}

TEST_F(ShopCardTest, AnAutomationFailureBecomesADravoRuntimeException) {
  EXPECT_CALL(cad, OpenDesign(_)).WillOnce([](const QK_TString&) {
    AfxThrowOleDispatchException(0, L"control gone", L"FolvaneCAD");
  });
  try {
    cad.GenerateShopCard(record);
    FAIL() << "no exception";
  } catch (const CAD::DravoRuntimeException& e) {
    EXPECT_EQ(e.QK_Message(), QK_TString("RunShopCard failed"));
    EXPECT_THAT(e.QK_Data().ToText().str(), testing::HasSubstr("control gone"));
  }
}

// The save of the rebuilt design, with the ticket's Save element.
class RebuildSaveTest : public ShopCardTest {
 protected:
  RebuildSaveTest() {
    record.rebuildDesign = 1;
    record.hasSave = true;
    record.outputs = {ShopCardOutput("Sheet")};
    ON_CALL(cad, Rebuild()).WillByDefault(Return(0));
  }
  int Run(const char* path, const char* name) {
    record.savePath = path;
    record.saveName = name;
    return cad.GenerateShopCard(record);
  }
};

TEST_F(RebuildSaveTest, ANetworkTargetIsSavedAsANativeDesignBeforeTheClose) {
  {
    InSequence order;
    EXPECT_CALL(cad, SaveDesign(QK_TString("//server/share/saved.kpx"))).WillOnce(Return(0));
    EXPECT_CALL(cad, SetOption36(0));
    EXPECT_CALL(cad, CloseDesign());
  }
  EXPECT_EQ(Run("//server/share", "saved"), 0);
  const std::vector<std::string> messages = task.Messages();
  EXPECT_THAT(messages, testing::Contains(testing::AllOf(
                            testing::StartsWith("message 0 shapejobs.message.shopcardsaverebuildurl "),
                            testing::EndsWith("/server/share/saved.kpx"))));
}

TEST_F(RebuildSaveTest, AMissingNameOrPathATargetOutOfReachOrAFailedRebuildSavesNothing) {
  EXPECT_CALL(cad, SaveDesign(_)).Times(0);
  EXPECT_CALL(cad, CloseDesign()).Times(4);
  EXPECT_EQ(Run("//server/share", ""), 1);
  EXPECT_EQ(Run("", "saved"), 1);
  EXPECT_EQ(Run("C:\\saved", "box.kpx"), 1);
  EXPECT_CALL(cad, Rebuild()).WillOnce(Return(3));
  EXPECT_EQ(Run("//server/share", "saved"), 0);
  EXPECT_TRUE(Has("message 1 shapejobs.message.dravorebuildnameempty"));
  EXPECT_TRUE(Has("message 1 shapejobs.message.dravorebuildpathempty"));
  EXPECT_TRUE(Has("message 1 shapejobs.error.invalidrebuildpath C:\\saved/box.kpx"));
}

// A native design whose outputs name print items.
class PrintItemPhaseTest : public ShopCardTest {};

TEST_F(PrintItemPhaseTest, TheHooksRunWithTheDesignClosedAroundTheOutputsOfEachPrintItem) {
  const std::string sheet = task.folder.File("sheet.pdf");
  const std::string plan = task.folder.File("plan.pdf");
  record.outputs = {ShopCardOutput("Sheet", sheet, 1, "front, BACK"), ShopCardOutput("Plan", plan)};
  AddCommandScript(record, "PRE_OUTPUT", "EXE pre.cmd");
  AddCommandScript(record, "POST_OUTPUT", "EXE post.cmd");
  EXPECT_EQ(cad.GenerateShopCard(record), 0);
  const std::string sheetFront = task.folder.File("sheet_Front.pdf");
  const std::string sheetBack = task.folder.File("sheet_Back.pdf");
  EXPECT_THAT(calls, ElementsAre("open /designs\\box.kpx", "close", "run EXE pre.cmd",
                                 "open /designs\\box.kpx", "close",  // the count
                                 "open /designs\\box.kpx", "close",  // Sheet: count
                                 "open /designs\\box.kpx", "output Sheet " + sheetFront, "close",  // FRONT
                                 "open /designs\\box.kpx", "close", "open /designs\\box.kpx", "close",
                                 "open /designs\\box.kpx", "output Sheet " + sheetBack, "close",  // BACK
                                 "open /designs\\box.kpx", "layer 0 1", "output Plan " + plan, "close",
                                 "run EXE post.cmd"));
  EXPECT_THAT(Rows(Location()),
              ElementsAre("Output|Sheet||" + sheetFront + "|Success",
                          "Output|Sheet||" + sheetBack + "|Success", "Output|Plan||" + plan + "|Success"));
}

TEST_F(PrintItemPhaseTest, TheOnlyOutputOfOnePrintItemGoesToTheTaskLocationWithoutDocument) {
  record.outputLocation = QK_TURL::FromLocalPath(QK_TString(task.folder.File("card.pdf")));
  record.outputs = {ShopCardOutput("Sheet", "", 1, "back")};
  EXPECT_EQ(cad.GenerateShopCard(record), 0);
  EXPECT_THAT(calls, testing::Contains("output Sheet " + task.folder.File("card.pdf")));
  EXPECT_FALSE(std::filesystem::exists(task.folder.File("card.pdf.xml")));
}

}  // namespace
