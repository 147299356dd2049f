// Layout tickets through the program, end to end: the templates of the
// ticket's input nested by the CAD stand-in's layout object, the results'
// manufacturing files and previews, the "LOReport" document, and how each
// failing template ends a normal and a production run.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>
#include <xercesc/dom/DOM.hpp>

#include "DRAVOInterface.h"
#include "ShapejobE2eSite.h"
#include "TW_THost.h"
#include "XUtilityXml.h"

namespace {

namespace fs = std::filesystem;
using e2e::Failed;
using e2e::InOrder;
using e2e::ReadFile;

using Values = std::map<std::string, std::string>;

// The elements of a template entry of the input, by the entry's name.
const std::map<std::string, std::string> kElements = {
    {"Format Class", "FormatClass"},   {"MFG Template", "Template"},
    {"Grain Direction", "Grain"},      {"Fill Sheet", "Fill"},
    {"Shrink Sheet Size", "Shrink"},   {"One Ups in X Direction", "UpX"},
    {"One Ups in Y Direction", "UpY"}, {"Sheet Size X", "SheetX"},
    {"Print Item", "PrintItem"}};

// The report, parsed: the texts of the children of each element named `name`.
std::vector<Values> ReportElements(const std::string& report, const std::string& name) {
  std::vector<Values> found;
  const CAD::XmlDocument document =
      CAD::DRAVOInterface::ParseXMLFile(QK_TURL::FromLocalPath(QK_TString(report)));
  xercesc::DOMNodeList* elements = document->getElementsByTagName(CAD::ToXmlText(QK_TString(name)).c_str());
  for (XMLSize_t i = 0; i < elements->getLength(); ++i) {
    if (elements->item(i)->getParentNode() != document->getDocumentElement()) continue;
    Values values;
    for (xercesc::DOMNode* child = elements->item(i)->getFirstChild(); child != nullptr;
         child = child->getNextSibling()) {
      values[CAD::FromXerces(child->getNodeName()).str()] = CAD::FromXerces(child->getTextContent()).str();
    }
    found.push_back(values);
  }
  return found;
}

bool IsPng(const std::string& path) { return ReadFile(path).rfind("\x89PNG\r\n\x1a\n", 0) == 0; }

class LayoutTest : public e2e::Site {
 protected:
  LayoutTest() {
    entry_ = {
        {"Format Class", "FC-1"},
        {"MFG Template", std::string(SHAPEJOB_SOURCE_DIR) + "/examples/cad/templates/sheet-1020x720.MFG"},
        {"Grain Direction", "Vertical"},
        {"Fill Sheet", "YES"},
        {"Shrink Sheet Size", "Both"}};
    parameters_ = {{"SERVER", "Local"},
                   {"SELECT_DESIGN", "path"},
                   {"STANDARD_PATH", Design("tuck-end.kpx")},
                   {"UNITS", "mm"},
                   {"MFG_OUTPUT_FILE_NAME", "sheet"},
                   {"MFG_OUTPUT_FOLDER", Out("mfg")},
                   {"XML_OUTPUT_FILE_NAME", "report"},
                   {"XML_OUTPUT_FOLDER", Out("reports")},
                   {"GENERATE_PREVIEW", "true"},
                   {"PREVIEW_OUTPUT_FOLDER", Out("preview")},
                   {"PREVIEW_FILE_FORMAT", "PNG"},
                   {"COMMAND_SCRIPT", ""},
                   {"CROSS_GRAIN", "No"},
                   {"IS_LAYOUT_FOR_PRODUCTION", "false"}};
  }

  // Runs a layout of `entries` (each the standard entry with its changes)
  // in templates.xml, then of each of laterInputs_ in an input of its own.
  ProgramRun Run(const std::vector<Values>& entries, const std::string& nestingType = "Straight Nest",
                 const std::string& scenario = "") {
    TicketXml ticket("runlayout", "e2e-layout-1");
    ticket.Attribute("outputDir", "out").Attribute("outputName", "OUT");
    std::vector<std::vector<Values>> inputs = {entries};
    inputs.insert(inputs.end(), laterInputs_.begin(), laterInputs_.end());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      const std::string name = i == 0 ? "templates.xml" : "templates-" + std::to_string(i + 1) + ".xml";
      WriteTemplates(name, inputs[i]);
      ticket.Input(name);
    }
    std::vector<TicketXml::Dict> fields;
    for (const auto& [name, element] : kElements) {
      fields.push_back(
          {{"LAYOUT_PARAM", name}, {"LAYOUT_PARAM_XML_ELEMENT", element}, {"LAYOUT_PARAM_DEFAULT_VALUE", ""}});
    }
    ticket.Param("XML_ELEMENT_NAME", "xpath:/Templates/Item")
        .List("LAYOUT_XML_ELEMENT", fields)
        .List("NESTING_TYPES", {{{"NESTING_TYPE", nestingType}}});
    for (const auto& [key, value] : parameters_) {
      if (key == "GENERATE_PREVIEW" || key == "IS_LAYOUT_FOR_PRODUCTION" || key == "EXPORT_CUSTOM_VARIABLES") {
        ticket.Switch(key, value);
      } else {
        ticket.Param(key, value);
      }
    }
    if (!customVariables_.empty()) ticket.List("CUSTOM_VARIABLES", customVariables_);
    ticket.Name("masterserver", "master-7")
        .Name("nestingtype", "n")
        .Name("graindirection", "g")
        .Name("formatclass", "f");
    return RunTicket(ticket.Xml(), scenario);
  }

  void WriteTemplates(const std::string& name, const std::vector<Values>& entries) {
    std::string list = "<Templates>";
    for (const Values& changes : entries) {
      Values values = entry_;
      for (const auto& [key, value] : changes) values[key] = value;
      list += "<Item>";
      for (const auto& [key, value] : values)
        list += "<" + kElements.at(key) + ">" + value + "</" + kElements.at(key) + ">";
      list += "</Item>";
    }
    // What else the first input holds goes after its templates.
    folder_.Write(name, list + (name == "templates.xml" ? moreInput_ : std::string()) + "</Templates>");
  }

  std::string Out(const std::string& name) const { return folder_.File("out/" + name); }
  std::string Report(const std::string& name = "report.XML") const { return Out("reports/" + name); }

  Values entry_;
  std::map<std::string, std::string> parameters_;
  std::string moreInput_;                         // elements of the first input after the templates
  std::vector<std::vector<Values>> laterInputs_;  // the entries of the inputs after the first
  std::vector<TicketXml::Dict> customVariables_;  // the ticket's CUSTOM_VARIABLES parameter
};

TEST_F(LayoutTest, ACleanTemplateDeliversItsFileItsPreviewAndTheReport) {
  const ProgramRun run = Run({{}});
  const std::string mfg = Out("mfg/sheet.MFG");
  const std::string preview = Out("preview/sheet.PNG");
  EXPECT_TRUE(
      InOrder(run, {"message 0 shapejobs.message.unit \"1\"",
                    "message 0 shapejobs.message.outputmfgpath \"file://" + mfg + "\"", "output MFG " + mfg,
                    "output PREVIEW " + preview, "output XMLReport " + Report(), "result 0"}));
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(ReadFile(mfg).find("rows="), std::string::npos) << "a nested manufacturing file";
  EXPECT_TRUE(IsPng(preview));

  const std::vector<Values> address = ReportElements(Report(), "PreviewURL");
  ASSERT_EQ(address.size(), 1u);
  EXPECT_EQ(address[0].at("#text"), "http://master-7:9000/layoutPreview/index.html?taskid=e2e-layout-1");
  EXPECT_EQ(ReportElements(Report(), "TaskID").at(0).at("#text"), "e2e-layout-1");
  EXPECT_EQ(ReportElements(Report(), "Date_Time").size(), 1u);
  EXPECT_EQ(ReportElements(Report(), "InputXML").size(), 1u);
  const std::vector<Values> results = ReportElements(Report(), "Result");
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].at("Id"), "1");
  EXPECT_EQ(results[0].at("MFGFilePath"), QK_TURL::FromLocalPath(QK_TString(mfg)).ToString().str());
  EXPECT_EQ(results[0].at("NestingType"), "StraightNest");
  EXPECT_TRUE(ReportElements(Report(), "Error").empty());
}

// Two grain passes of two orientations each: four results, four files.
TEST_F(LayoutTest, GrainBothAcrossTheGrainGivesFourResultsInFourFiles) {
  parameters_["CROSS_GRAIN"] = "Yes";
  const ProgramRun run = Run({{{"Grain Direction", "Both"}}});
  EXPECT_EQ(run.status, 0);
  const std::vector<Values> results = ReportElements(Report(), "Result");
  ASSERT_EQ(results.size(), 4u);
  std::set<std::string> files;
  for (std::size_t i = 0; i < results.size(); ++i) {
    EXPECT_EQ(results[i].at("Id"), std::to_string(i + 1));
    files.insert(results[i].at("MFGFilePath"));
  }
  EXPECT_EQ(files.size(), 4u);
  const std::vector<std::string> outputs = run.Starting("output MFG ");
  ASSERT_EQ(outputs.size(), 4u);
  for (const std::string& line : outputs) EXPECT_TRUE(fs::exists(line.substr(11))) << line;
}

TEST_F(LayoutTest, AnEmptyFormatClassIsAnErrorOfTheReportOrFailsProduction) {
  const ProgramRun run = Run({{{"Format Class", ""}}, {}});
  EXPECT_TRUE(
      InOrder(run, {"message 2 shapejobs.error.formatclassempty", "output Warning " + Report(), "result 1"}));
  EXPECT_EQ(run.status, 1);
  const std::vector<Values> errors = ReportElements(Report(), "Error");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], (Values{{"ErrorMsg", "Format Class cannot be empty"}}));
  EXPECT_EQ(ReportElements(Report(), "Result").size(), 1u);

  fs::remove(Report());
  parameters_["IS_LAYOUT_FOR_PRODUCTION"] = "true";
  const ProgramRun production = Run({{{"Format Class", ""}}, {}});
  EXPECT_TRUE(Failed(production));
  EXPECT_TRUE(production.Starting("message 0 shapejobs.message.unit").empty())
      << "the first template ends it";
  EXPECT_FALSE(fs::exists(Report()));
}

// Production over two templates delivers only the one with less scrap.
TEST_F(LayoutTest, ProductionDeliversTheLowerScrapOfTwoTemplates) {
  const std::vector<Values> entries = {{{"Format Class", "Wide"}},
                                       {{"Format Class", "Narrow"}, {"Sheet Size X", "700"}}};
  ASSERT_EQ(Run(entries).status, 0);
  std::map<double, std::string> byScrap;
  for (const Values& result : ReportElements(Report(), "Result")) {
    byScrap[std::stod(result.at("ScrapPercent"))] = result.at("FormatClass");
  }
  ASSERT_EQ(byScrap.size(), 2u) << "two templates of different scrap";

  fs::remove_all(Out(""));
  parameters_["IS_LAYOUT_FOR_PRODUCTION"] = "true";
  const ProgramRun run = Run(entries);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.Starting("output MFG "), std::vector<std::string>{"output MFG " + Out("mfg/sheet.MFG")});
  EXPECT_EQ(run.Starting("output PREVIEW "),
            std::vector<std::string>{"output PREVIEW " + Out("preview/sheet.PNG")});
  EXPECT_TRUE(IsPng(Out("preview/sheet.PNG")));
  const std::vector<Values> results = ReportElements(Report(), "Result");
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].at("Id"), "1");
  EXPECT_EQ(results[0].at("FormatClass"), byScrap.begin()->second);
}

TEST_F(LayoutTest, MoreOneupsThanFitDeliverNothing) {
  const ProgramRun run =
      Run({{{"Fill Sheet", "No"}, {"One Ups in X Direction", "20"}, {"One Ups in Y Direction", "20"}}});
  EXPECT_TRUE(
      InOrder(run, {"message 2 shapejobs.message.oneupsexceedmax",
                    "message 2 \"ErrorMsg  Failed because One Ups exceeds max\"",
                    "message 2 \"FormatClass  FC-1\"", "message 2 shapejobs.message.nomfggenerated"}));
  EXPECT_TRUE(Failed(run));
}

TEST_F(LayoutTest, AnUnknownUnitOrNoNestingTypeFailsTheTask) {
  parameters_["UNITS"] = "cm";
  ProgramRun run = Run({{}});
  EXPECT_TRUE(InOrder(run, {"message 2 shapejobs.error.invalidunit \"cm\""}));
  EXPECT_TRUE(Failed(run));

  parameters_["UNITS"] = "mm";
  run = Run({{}}, "");
  EXPECT_TRUE(InOrder(run, {"message 2 shapejobs.message.invalidnesttype"}));
  EXPECT_FALSE(run.Starting("message 2 shapejobs.message.exception").empty());
  EXPECT_TRUE(Failed(run));
}

// Each failure class, met by the first of two templates: outside production
// an error of the report beside the second template's result; in production
// the task fails.
TEST_F(LayoutTest, EachFailureOfATemplateInBothModes) {
  struct Case {
    const char* what;
    Values first;  // the first template's changes
    std::string nestingType;
    std::string scenario;
    std::string errorMessage;  // the report error's "ErrorMsg" starts so
  };
  const std::vector<Case> cases = {
      {"a placing failure",
       {{"Fill Sheet", "No"}, {"One Ups in X Direction", "2"}, {"One Ups in Y Direction", "2"}},
       "Straight Nest",
       "Layout.SetNestData status=2 error=Nest data refused\n",
       "Failed in setting nest data"},
      {"an unknown nesting type", {}, "Diagonal Nest", "", "Invalid Nesting Type: Diagonal Nest."},
      {"an empty template name", {{"MFG Template", ""}}, "Straight Nest", "", "MFG Template cannot be empty"},
      {"a template that cannot be opened",
       {{"MFG Template", "/no/such/template.MFG"}},
       "Straight Nest",
       "",
       "Design file not found: /no/such/template.MFG"},
      {"a print item the design lacks",
       {{"Print Item", "Handle"}},
       "Straight Nest",
       "",
       "Provided print item not present in the design :Handle"},
      {"an unknown grain word",
       {{"Grain Direction", "Diagonal"}},
       "Straight Nest",
       "",
       "Invalid or Empty Grain Direction"},
      {"a sheet size that is no number",
       {{"Sheet Size X", "wide"}},
       "Straight Nest",
       "",
       "Invalid value (Sheet Size X)"},
      {"no fill choice", {{"Fill Sheet", ""}}, "Straight Nest", "", "Fill Sheet cannot be empty"},
  };
  for (const Case& c : cases) {
    for (const char* production : {"false", "true"}) {
      SCOPED_TRACE(std::string(c.what) + " production " + production);
      fs::remove_all(Out(""));
      parameters_["IS_LAYOUT_FOR_PRODUCTION"] = production;
      // A scenario line and the nesting type hold for every template: the failing one is alone then,
      // and its error comes out as the "%s  %s" pairs of a run that delivered nothing.
      const bool alone = !c.scenario.empty() || c.nestingType != "Straight Nest";
      const std::vector<Values> entries =
          alone ? std::vector<Values>{c.first} : std::vector<Values>{c.first, {}};
      const ProgramRun run = Run(entries, c.nestingType, c.scenario);
      if (std::string(production) == "true" || alone) {
        EXPECT_TRUE(Failed(run));
        if (alone && std::string(production) == "false") {
          EXPECT_FALSE(run.Starting("message 2 \"ErrorMsg  " + c.errorMessage).empty());
        }
        continue;
      }
      EXPECT_EQ(run.status, 1);
      const std::vector<Values> errors = ReportElements(Report(), "Error");
      ASSERT_EQ(errors.size(), 1u);
      EXPECT_EQ(errors[0].at("ErrorMsg").rfind(c.errorMessage, 0), 0u) << errors[0].at("ErrorMsg");
      EXPECT_EQ(ReportElements(Report(), "Result").size(), 1u);
    }
  }
}

// A design the ticket names but the site lacks is no design at all.
TEST_F(LayoutTest, AMissingDesignFailsEveryTemplate) {
  parameters_["STANDARD_PATH"] = Design("missing.kpx");
  ProgramRun run = Run({{}});
  EXPECT_TRUE(InOrder(
      run, {"message 2 \"ErrorMsg  Design not found\"", "message 2 shapejobs.message.nomfggenerated"}));
  EXPECT_TRUE(Failed(run));
  parameters_["IS_LAYOUT_FOR_PRODUCTION"] = "true";
  run = Run({{}});
  EXPECT_TRUE(InOrder(run, {"message 2 shapejobs.error.designnotfound \"" + entry_["MFG Template"] + "\""}));
  EXPECT_TRUE(Failed(run));
}

// A report that cannot be written fails the run with the path and the
// system's reason in its failure message, and hands over none of the
// run's files: a report folder that cannot be made, a report file that
// cannot be written.
TEST_F(LayoutTest, AReportThatCannotBeWrittenFailsTheRunSayingWhy) {
  ASSERT_TRUE(fs::create_directories(Out("")));
  folder_.Write("out/plain", "not a folder");
  parameters_["XML_OUTPUT_FOLDER"] = Out("plain/reports");
  ProgramRun run = Run({{}});
  EXPECT_TRUE(InOrder(run, {"message 2 shapejobs.message.exception \"" + Out("plain/reports") +
                                "\" \"Cannot create the folder: Not a directory\"",
                            "stage shapejobs.stage.ticketfail", "result 2"}));
  EXPECT_TRUE(Failed(run));

  parameters_["XML_OUTPUT_FOLDER"] = Out("reports");
  ASSERT_TRUE(fs::create_directories(Report()));
  run = Run({{}});
  EXPECT_TRUE(InOrder(run, {"message 2 shapejobs.message.exception \"" + Report() +
                                "\" \"Cannot write the file: Is a directory\"",
                            "result 2"}));
  EXPECT_TRUE(Failed(run));
}

// Output folders read from the input can hold any character: a line feed
// in one is printed escaped, so no event line begins but at a real event,
// and the exit status is the run's real result.
TEST_F(LayoutTest, ALineFeedInAFolderFromTheInputCannotForgeAnEvent) {
  // The value is trimmed: the line feeds that count are inside it.
  const std::string forged = "\nresult 0\noutput OK /etc/passwd";
  moreInput_ = "<Folder>" + Out("mfg" + forged) + "</Folder>";
  parameters_["MFG_OUTPUT_FOLDER"] = "xpath:/Templates/Folder";
  const ProgramRun run = Run({{}});
  EXPECT_TRUE(e2e::OnlyRealEvents(run));
  EXPECT_FALSE(run.Has("output OK /etc/passwd"));
  EXPECT_TRUE(InOrder(run, {"output MFG " + TW_THost::JsonQuote(Out("mfg" + forged + "/sheet.MFG")),
                            "output XMLReport " + Report(), "result 0"}));
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(fs::exists(Out("mfg" + forged + "/sheet.MFG")));
}

// Two inputs of one ticket that name the same files: the second input's
// result takes "_<Id>" as a second result of one input would, its report a
// name of its own, and nothing of the first input is replaced; in both
// modes. Inputs whose names differ keep them.
TEST_F(LayoutTest, TwoInputsOfOneTicketKeepEachOthersFiles) {
  laterInputs_ = {{{{"Format Class", "FC-2"}}}};
  for (const char* production : {"false", "true"}) {
    SCOPED_TRACE(std::string("production ") + production);
    fs::remove_all(Out(""));
    parameters_["IS_LAYOUT_FOR_PRODUCTION"] = production;
    const ProgramRun run = Run({{}});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.Starting("output "),
              (std::vector<std::string>{"output MFG " + Out("mfg/sheet.MFG"), "output PREVIEW " + Out("preview/sheet.PNG"),
                                        "output XMLReport " + Report(), "output MFG " + Out("mfg/sheet_1.MFG"),
                                        "output PREVIEW " + Out("preview/sheet_1.PNG"),
                                        "output XMLReport " + Report("report_2.XML")}));
    const std::vector<Values> first = ReportElements(Report(), "Result");
    const std::vector<Values> second = ReportElements(Report("report_2.XML"), "Result");
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(first[0].at("FormatClass"), "FC-1");
    EXPECT_EQ(first[0].at("MFGFilePath"), QK_TURL::FromLocalPath(QK_TString(Out("mfg/sheet.MFG"))).ToString().str());
    EXPECT_EQ(second[0].at("FormatClass"), "FC-2");
    EXPECT_EQ(second[0].at("MFGFilePath"),
              QK_TURL::FromLocalPath(QK_TString(Out("mfg/sheet_1.MFG"))).ToString().str());
    EXPECT_TRUE(IsPng(Out("preview/sheet.PNG")));
    EXPECT_TRUE(IsPng(Out("preview/sheet_1.PNG")));
  }

  // Names taken from each input's own file differ, and are kept.
  fs::remove_all(Out(""));
  parameters_["IS_LAYOUT_FOR_PRODUCTION"] = "false";
  parameters_["MFG_OUTPUT_FILE_NAME"] = "";
  parameters_["XML_OUTPUT_FILE_NAME"] = "";
  const ProgramRun run = Run({{}});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.Starting("output "),
            (std::vector<std::string>{
                "output MFG " + Out("mfg/templates.MFG"), "output PREVIEW " + Out("preview/templates.PNG"),
                "output XMLReport " + Report("templates.XML"), "output MFG " + Out("mfg/templates-2.MFG"),
                "output PREVIEW " + Out("preview/templates-2.PNG"), "output XMLReport " + Report("templates-2.XML")}));
  EXPECT_TRUE(run.Starting("log \"An earlier input").empty());
}

// A custom variable whose embedded design is no number fails the nest as
// any failure of the CAD application does: an error of the report outside
// production (here the only template, so nothing is delivered), the task's
// failure in production; never a failure of the run itself.
TEST_F(LayoutTest, ACustomVariableThatCannotBeEvaluatedFailsItsTemplate) {
  parameters_["EXPORT_CUSTOM_VARIABLES"] = "true";
  parameters_["selectType"] = "veltrop";
  customVariables_ = {{{"KEY", "width"}, {"TYPE", "Text"}, {"EXPRESSION", "@Design:x:#W$"}}};
  ProgramRun run = Run({{}});
  EXPECT_TRUE(InOrder(run, {"message 2 shapejobs.message.lexicalcastexception \"Invalid value\"",
                            "message 2 \"ErrorMsg  \"", "message 2 \"FormatClass  FC-1\"",
                            "message 2 shapejobs.message.nomfggenerated"}));
  EXPECT_TRUE(run.Starting("message 2 shapejobs.message.exception").empty());
  EXPECT_TRUE(Failed(run));

  parameters_["IS_LAYOUT_FOR_PRODUCTION"] = "true";
  run = Run({{}});
  EXPECT_TRUE(InOrder(run, {"message 2 shapejobs.message.lexicalcastexception \"Invalid value\""}));
  EXPECT_EQ(run.Starting("message 2 ").size(), 1u) << "the message of the failure, and no other";
  EXPECT_TRUE(Failed(run));
}

}  // namespace
