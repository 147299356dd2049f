// The "LOReport" document of a layout run, read back element by element,
// and the web port of its preview address from the site configuration.
#include <cstdlib>
#include <regex>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <xercesc/dom/DOM.hpp>

#include "DRAVOInterfaceLayoutRun.h"
#include "OperationDriver.h"
#include "QK_EException.h"
#include "QK_TFile.h"
#include "XUtilityXml.h"

namespace {

using CAD::DRAVOInterface;
using ::testing::ElementsAre;
using xercesc::DOMElement;

std::string Name(const DOMElement& element) { return CAD::FromXerces(element.getTagName()).str(); }
std::string Text(const DOMElement& element) { return CAD::FromXerces(element.getTextContent()).str(); }

std::vector<const DOMElement*> Children(const DOMElement& parent) {
  std::vector<const DOMElement*> children;
  for (const DOMElement* child = parent.getFirstElementChild(); child != nullptr;
       child = child->getNextElementSibling()) {
    children.push_back(child);
  }
  return children;
}

std::vector<std::string> ChildNames(const DOMElement& parent) {
  std::vector<std::string> names;
  for (const DOMElement* child : Children(parent)) names.push_back(Name(*child));
  return names;
}

// The first child called `name`; a test failure when there is none.
const DOMElement& Child(const DOMElement& parent, const std::string& name) {
  for (const DOMElement* child : Children(parent)) {
    if (Name(*child) == name) return *child;
  }
  ADD_FAILURE() << "no " << name << " in " << Name(parent);
  return parent;
}

std::string Site(const std::string& properties) {
  return "<Configuration><Tree key=\"Servers\"><Tree key=\"WorkflowKits\"><Tree key=\"Properties\">" + properties +
         "</Tree></Tree></Tree></Configuration>";
}

class WebPortTest : public ::testing::Test {
 protected:
  void TearDown() override { unsetenv("QK_SERVER"); }
  void UseSite(const std::string& properties) {
    setenv("QK_SERVER", folder.Write("site.xml", Site(properties)).c_str(), 1);
  }
  std::pair<bool, std::string> Port() {
    bool https = true;
    QK_TString port("unset");
    DRAVOInterface::GetWebServerPort(https, port);
    return {https, port.str()};
  }

  TempFolder folder;
};

TEST_F(WebPortTest, TheSwitchChoosesTheSchemeAndItsPortAndWhatIsMissingKeepsTheDefaults) {
  UseSite(R"(<Value key="wfk.https.enabled">1</Value><Value key="wfk.https.port">8443</Value>
             <Value key="wfk.http.port">8080</Value>)");
  EXPECT_EQ(Port(), std::make_pair(true, std::string("8443")));
  UseSite(R"(<Value key="wfk.https.enabled">0</Value><Value key="wfk.http.port">8080</Value>)");
  EXPECT_EQ(Port(), std::make_pair(false, std::string("8080")));
  UseSite(R"(<Value key="wfk.https.enabled">1</Value>)");
  EXPECT_EQ(Port(), std::make_pair(true, std::string("9000"))) << "the switch read, the port not";
  unsetenv("QK_SERVER");
  EXPECT_EQ(Port(), std::make_pair(false, std::string("9000"))) << "no configuration server";
}

std::tm Time(int day, int month, int year, int hour, int minute, int second) {
  std::tm time{};
  time.tm_mday = day;
  time.tm_mon = month - 1;
  time.tm_year = year - 1900;
  time.tm_hour = hour;
  time.tm_min = minute;
  time.tm_sec = second;
  return time;
}

TEST(ReportTimeTest, NumbersAreWrittenWithoutLeadingZeros) {
  EXPECT_EQ(CAD::FormatReportTime(Time(5, 3, 2026, 9, 7, 3)).str(), "5-3-2026 9:7:3");
  EXPECT_EQ(CAD::FormatReportTime(Time(31, 12, 2026, 23, 59, 58)).str(), "31-12-2026 23:59:58");
  EXPECT_EQ(CAD::FormatReportTime(Time(1, 1, 2000, 0, 0, 0)).str(), "1-1-2000 0:0:0");
}

class LayoutReportTest : public OperationTest {
 protected:
  LayoutReportTest() {
    setenv("QK_SERVER", site.Write("site.xml", Site("")).c_str(), 1);
    task.GetTName().Define("masterserver", "wfk-master");
    ticket.inputFile = site.WriteUrl("order.txt", "not XML");
    location = site.Url().Child("report.XML");
  }
  ~LayoutReportTest() override { unsetenv("QK_SERVER"); }

  // Writes the report and parses it back; its root element.
  const DOMElement& Write() {
    EXPECT_TRUE(cad.WriteLayoutReport(results, location, ticket, separate, designs, custom, errors, errorCount));
    parsed = DRAVOInterface::ParseXMLFile(location);
    return *parsed->getDocumentElement();
  }
  void AddResult(const char* id, const char* designName) {
    results.push_back(std::make_shared<CAD::StringMap>(
        CAD::StringMap{{"Id", id}, {"ScrapPercent", "12.5"}, {"MFGFilePath", "file:///out/sheet.MFG"}}));
    CAD::DesignInfo design;
    design.designName = designName;
    designs.push_back(design);
  }

  TempFolder site;
  CAD::LOTicketParam ticket;
  QK_TURL location;
  std::vector<std::shared_ptr<CAD::StringMap>> results;
  CAD::DesignInfo separate;
  std::vector<CAD::DesignInfo> designs;
  std::vector<CAD::StringMapList> custom;
  std::vector<std::shared_ptr<CAD::StringMap>> errors;
  std::uint32_t errorCount = 0;
  CAD::XmlDocument parsed;
};

TEST_F(LayoutReportTest, ACleanRunHasTheAddressTaskTimeResultsAndInputInOrder) {
  ticket.generatePreview = true;
  ticket.previewFileFormat = "PNG";
  AddResult("1", "");
  AddResult("2", "");
  const DOMElement& root = Write();
  EXPECT_EQ(Name(root), "LOReport");
  EXPECT_THAT(ChildNames(root), ElementsAre("PreviewURL", "PreviewType", "TaskID", "Date_Time", "Result",
                                            "Result", "InputURL"));
  EXPECT_EQ(Text(Child(root, "PreviewURL")),
            "http://wfk-master:9000/layoutPreview/index.html?taskid=operation-test");
  EXPECT_EQ(Text(Child(root, "PreviewType")), "PNG");
  EXPECT_EQ(Text(Child(root, "TaskID")), "operation-test");
  EXPECT_TRUE(std::regex_match(Text(Child(root, "Date_Time")),
                               std::regex(R"([1-9]\d?-[1-9]\d?-\d{4} [1-9]?\d:[1-9]?\d:[1-9]?\d)")))
      << Text(Child(root, "Date_Time"));
  const std::vector<const DOMElement*> all = Children(root);
  EXPECT_THAT(ChildNames(*all[4]), ElementsAre("Id", "MFGFilePath", "ScrapPercent")) << "in key order";
  EXPECT_EQ(Text(Child(*all[4], "Id")), "1");
  EXPECT_EQ(Text(Child(*all[5], "Id")), "2");
  EXPECT_EQ(Text(Child(*all[4], "MFGFilePath")), "file:///out/sheet.MFG");
  EXPECT_EQ(Text(Child(root, "InputURL")), ticket.inputFile.ToString().str());
}

TEST_F(LayoutReportTest, WithoutPreviewThereIsNoAddressAndAnXmlInputIsEmbeddedWhole) {
  ticket.inputFile = site.WriteUrl("order.XML", "<Order><Item n=\"1\">Box</Item><Item>Lid</Item></Order>");
  const DOMElement& root = Write();
  EXPECT_THAT(ChildNames(root), ElementsAre("TaskID", "Date_Time", "InputXML"));
  const DOMElement& input = Child(root, "InputXML");
  EXPECT_THAT(ChildNames(input), ElementsAre("Order"));
  const DOMElement& order = Child(input, "Order");
  EXPECT_THAT(ChildNames(order), ElementsAre("Item", "Item"));
  EXPECT_EQ(Text(order), "BoxLid");
  EXPECT_EQ(CAD::FromXerces(Child(order, "Item").getAttribute(u"n")).str(), "1");
}

TEST_F(LayoutReportTest, TheSeparateDesignAndTheCountedErrorsComeBeforeTheResults) {
  errors.push_back(std::make_shared<CAD::StringMap>(
      CAD::StringMap{{"FormatClass", ""}, {"MFGTemplate", "t1"}, {"ErrorMsg", "Format Class cannot be empty"}}));
  separate.designName = "ticket design";
  AddResult("1", "entry design");
  EXPECT_THAT(ChildNames(Write()), ElementsAre("TaskID", "Date_Time", "Design", "Result", "InputURL"))
      << "errors not counted";
  errorCount = 1;
  const DOMElement& root = Write();
  EXPECT_THAT(ChildNames(root), ElementsAre("TaskID", "Date_Time", "Design", "Error", "Result", "InputURL"));
  EXPECT_EQ(Text(Child(Child(root, "Design"), "DesignName")), "ticket design");
  EXPECT_THAT(ChildNames(Child(root, "Error")), ElementsAre("ErrorMsg", "FormatClass", "MFGTemplate"));
  EXPECT_EQ(Text(Child(Child(root, "Error"), "ErrorMsg")), "Format Class cannot be empty");
  ticket.layoutForProduction = true;
  EXPECT_THAT(ChildNames(Write()), ElementsAre("TaskID", "Date_Time", "Error", "Result", "InputURL"))
      << "the production result has a design of its own";
}

TEST_F(LayoutReportTest, AResultCarriesItsDesignFirstAndItsCustomValuesLastWhenExported) {
  AddResult("1", "carton");
  AddResult("2", "");
  custom = {{CAD::StringMap{{"Area", "12"}}}};
  ticket.exportCustomVariables = true;
  const std::vector<const DOMElement*> all = Children(Write());
  ASSERT_EQ(all.size(), 5u);
  EXPECT_THAT(ChildNames(*all[2]), ElementsAre("Design", "Id", "MFGFilePath", "ScrapPercent", "Custom"));
  EXPECT_EQ(Text(Child(Child(*all[2], "Design"), "DesignName")), "carton");
  EXPECT_EQ(Text(Child(Child(*all[2], "Custom"), "Area")), "12");
  EXPECT_THAT(ChildNames(*all[3]), ElementsAre("Id", "MFGFilePath", "ScrapPercent")) << "no design, no values";
  ticket.exportCustomVariables = false;
  EXPECT_THAT(ChildNames(*Children(Write())[2]), ElementsAre("Design", "Id", "MFGFilePath", "ScrapPercent"));
}

TEST_F(LayoutReportTest, AReportThatCannotBeWrittenIsAnError) {
  location = site.Url().Child("missing/folder/report.XML");
  try {
    cad.WriteLayoutReport(results, location, ticket, separate, designs, custom, errors, errorCount);
    FAIL() << "no exception";
  } catch (const QK_ECouldNotWriteFile& e) {
    EXPECT_EQ(e.QK_Message().str(), "Cannot write the file: No such file or directory");
    EXPECT_EQ(e.QK_Data().ToText(), location.LocalName());
  }
  EXPECT_FALSE(QK_TFileInfo::ExistsEx(location));
}

}  // namespace
