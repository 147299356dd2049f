// Run-standard tickets through the program, end to end: the site's CAD
// server (the stand-in, with a design database behind a temporary data
// source, or an enterprise login), the ticket read from its parameters and
// the order it points into, the design made from the standard, and the
// events, the exit status and the design file it leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ShapejobE2eSite.h"

namespace {

namespace fs = std::filesystem;
using e2e::Example;
using e2e::InOrder;
using e2e::ReadFile;

// Ticket parameters by key; the defaults make a ticket that succeeds.
using Parameters = std::map<std::string, std::string>;

class RunStandardTest : public e2e::Site {
 protected:
  RunStandardTest() {
    AddStandardsAndOrder();
    folder_.Write("post.txt", "dset NOTE$ = 'posted'\n");
  }

  static Parameters Defaults() {
    return {{"SERVER", "Local"},
            {"STYLE_CATALOG", "nonStyleCatalog"},
            {"STANDARD_PATH", ""},  // set by the fixture: an absolute path
            {"BOARD_CODE", "xpath:/job/board/@code"},
            {"BOARD_DESC", "xpath:/job/board"},
            {"UNITS", "mm"},
            {"GRAIN_DIRECTION", "Vertical"},
            {"PRINT_SIDE", "Outside"},
            {"COMMAND_SCRIPT", ""},
            {"selectType", "list"}};
  }

  // Writes the ticket (`parameters` over the defaults, `variables` as the
  // standard's KEY/VALUE list), runs it with `scenario` as the stand-in's
  // scenario file, and returns what the program printed.
  ProgramRun Run(const Parameters& parameters, const std::vector<std::pair<std::string, std::string>>& variables,
                 const std::string& scenario = "") {
    Parameters all = Defaults();
    all["STANDARD_PATH"] = Standard();
    for (const auto& [key, value] : parameters) all[key] = value;
    TicketXml ticket("runstandard", "e2e-standard-1");
    ticket.Attribute("outputDir", "out").Attribute("outputName", "carton");
    for (const std::string& input : inputs_) ticket.Input(input);
    for (const auto& [key, value] : all) ticket.Param(key, value);
    std::vector<TicketXml::Dict> list;
    for (const auto& [key, value] : variables) list.push_back({{"KEY", key}, {"VALUE", value}});
    return RunTicket(ticket.List("STANDARD_VARIABLES", list).Xml(), scenario);
  }

  std::string Standard() const { return folder_.File("standards/tuck-end.kpx"); }
  std::string Output(const std::string& name = "carton.kpx") const { return folder_.File("out/" + name); }

  // The orders of the ticket, one input each.
  std::vector<std::string> inputs_ = {"job.xml"};
};

const char kMessage[] = "message 0 shapejobs.message.";

TEST_F(RunStandardTest, ConventionalStandardByPathMakesTheDesign) {
  ProgramRun run = Run({{"COMMAND_SCRIPT", folder_.File("post.txt")},
                        {"CUSTOMER_NAME", "xpath:/job/customer"},
                        {"DESIGN_DESC", "Order 4711: tuck end"}},
                       {{"L", "60"}, {"W", "40"}, {"ARTICLE$", "Cereal"}});
  const std::string m = kMessage;
  EXPECT_TRUE(InOrder(run, {
                               m + "standarddesign \"" + Standard() + "\"",
                               m + "boardcode \"FBB-350\"",
                               m + "boarddescription \"Folding boxboard 350 g/m2\"",
                               m + "parametersetname \"Corrugated - Metric - Single design parameters\"",
                               m + "runningstandarddesign",
                               m + "runstandardrunoutputpath \"" + Output() + "\"",
                           }));
  EXPECT_EQ(run.Starting(m + "opendesign ").size(), 1u);
  EXPECT_TRUE(InOrder(run, {
                               m + "printside \"2\"",
                               m + "rebuild",
                               m + "runpostcommandscript \"EXE " + folder_.File("post.txt") + "\"",
                               "message 0 shapejobs.info.initCompany",
                               "message 0 shapejobs.info.initPerson",
                               m + "addedcustomer",
                               m + "addeddescription",
                               m + "runstandardclosingdesign",
                               m + "runstandardclosedesign",
                               "output OK " + Output(),
                               "result 0",
                           }));
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(odbc_.DataSources().empty()) << "the task's data source is gone when it ends";

  // The design the stand-in wrote: board, print side, unit, the ticket's
  // variables and the standard's defaults, customer and description.
  const std::string design = ReadFile(Output());
  for (const char* expected :
       {"boardCode=\"FBB-350\"", "boardDescription=\"Folding boxboard 350 g/m2\"", "printSide=\"2\"",
        "unit=\"mm\"", "customerId=\"102\"", "description=\"Order 4711: tuck end\"",
        "parameterSet=\"Corrugated - Metric - Single design parameters\""}) {
    EXPECT_NE(design.find(expected), std::string::npos) << expected << " in\n" << design;
  }
  for (const char* variable : {"name=\"L\" type=\"numeric\" value=\"60\"", "name=\"W\" type=\"numeric\" value=\"40\"",
                               "name=\"D\" type=\"numeric\" value=\"100\"", "name=\"ARTICLE$\" type=\"text\" value=\"Cereal\"",
                               "name=\"NOTE$\" type=\"text\" value=\"posted\""}) {
    EXPECT_NE(design.find(variable), std::string::npos) << variable << " in\n" << design;
  }
}

TEST_F(RunStandardTest, EnterpriseStandardFromTheProjectDatabase) {
  ProgramRun run = Run({{"SERVER", "Cloud"}, {"STYLE_CATALOG", "nonStyleCatalog"}, {"PROJECT_NAME", "Cartons"},
                        {"ENT_STD_NAME", "rsc"}, {"VERSION", "2"}, {"CUSTOMER_NAME", "Harbour Foods"}},
                       {{"L", "400"}, {"W", "300"}});
  const std::string m = kMessage;
  EXPECT_TRUE(InOrder(run, {m + "standarddesign \"@Cartons:2:rsc\"", m + "opendesignfromwcr \"@Cartons:2:rsc\"",
                            m + "runningstandarddesign", m + "runstandardclosedesign", "output OK " + Output(),
                            "result 0"}));
  EXPECT_EQ(run.Starting("message 0 shapejobs.info.initCompany"), std::vector<std::string>{})
      << "an enterprise server records no people";
  EXPECT_NE(ReadFile(Output()).find("name=\"L\" type=\"numeric\" value=\"400\""), std::string::npos);
}

TEST_F(RunStandardTest, StyleCatalogueEntrySetsItsVariablesOneByOne) {
  ProgramRun run = Run({{"STYLE_CATALOG", "styleCatalog"}, {"STANDARD_STYLE_CATALOG_NAME", "RSC"}},
                       {{"L", "500"}, {"ARTICLE$", "Mugs"}});
  const std::string m = kMessage;
  EXPECT_TRUE(InOrder(run, {m + "graindirection \"1\"", m + "unit \"1\"", m + "runstandarddesign \"RSC\"",
                            m + "runstandardsetvariables", m + "varname \"L\"", m + "varval \"500\"",
                            m + "varname \"ARTICLE$\"", m + "varval \"Mugs\"", m + "runningstandarddesign",
                            "output OK " + Output(), "result 0"}));
  const std::string design = ReadFile(Output());
  EXPECT_NE(design.find("name=\"L\" type=\"numeric\" value=\"500\""), std::string::npos) << design;
  EXPECT_NE(design.find("name=\"ARTICLE$\" type=\"text\" value=\"Mugs\""), std::string::npos) << design;
}

// Remarks that do not stop the design: each files the output under
// "Warning" and ends the run with 1.
TEST_F(RunStandardTest, WarningsKeepTheDesignAndMarkTheOutput) {
  struct Case {
    const char* what;
    Parameters parameters;
    std::vector<std::pair<std::string, std::string>> variables;
    std::string scenario;
    std::string expected;
  };
  const std::string m = "message 1 shapejobs.message.";
  const std::vector<Case> cases = {
      {"a variable the standard lacks", {}, {{"HEIGHT", "7"}}, "", m + "variablenotexist \"HEIGHT,7\""},
      {"a warning condition", {}, {{"L", "30"}, {"W", "40"}}, "", m + "checkconditionviolated \"The length is less than the width\""},
      {"a finish with remarks", {}, {}, "Standard.Finish status=2 error=Flaps trimmed\n",
       m + "runopenstandardfailed \"Flaps trimmed\""},
      {"a save with remarks", {}, {}, "SaveDesign status=1 error=Saved with remarks\n",
       "message 1 shapejob.warning.savedesignwithinfo"},
      {"a failing post script", {{"COMMAND_SCRIPT", "/no/such/script.txt"}}, {}, "",
       m + "dravoerrorstring"},
      {"an owner the database lacks", {{"OWNER_NAME", "Nobody Ltd"}}, {}, "",
       "message 0 shapejobs.message.ownernotfound \"Nobody Ltd\" \"\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(folder_.File("out"));
    ProgramRun run = Run(c.parameters, c.variables, c.scenario);
    bool reported = false;
    for (const std::string& line : run.lines) reported = reported || line.rfind(c.expected, 0) == 0;
    EXPECT_TRUE(reported) << c.expected;
    EXPECT_TRUE(InOrder(run, {"output Warning " + Output(), "result 1"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(fs::exists(Output()));
  }
}

// Every failure the run-standard worker reports by name: the ticket fails
// (result 2) with that message and leaves no output line.
TEST_F(RunStandardTest, FailuresAreReportedByTheirOwnMessage) {
  struct Case {
    const char* what;
    Parameters parameters;
    std::vector<std::pair<std::string, std::string>> variables;
    std::string scenario;
    std::vector<std::string> expected;  // in order
  };
  const std::string m = "message 2 shapejobs.message.";
  const std::vector<Case> cases = {
      {"grain", {{"GRAIN_DIRECTION", "Diagonal"}}, {}, "", {m + "invalidgraindirection \"Diagonal\""}},
      {"unit", {{"UNITS", "cm"}}, {}, "", {m + "invalidunit \"cm\""}},
      {"print side", {{"PRINT_SIDE", "Top"}}, {}, "", {m + "invalidprintside \"Top\""}},
      {"no standard", {{"STANDARD_PATH", " "}}, {}, "", {m + "runstandardnostandarddesign"}},
      {"no board code", {{"BOARD_CODE", ""}}, {}, "", {m + "boardcodeempty"}},
      {"unknown standard", {{"STANDARD_PATH", "/no/such/standard.kpx"}}, {}, "",
       {m + "standardnotfound \"/no/such/standard.kpx\""}},
      {"unknown board code", {{"BOARD_CODE", "XYZ-1"}, {"BOARD_DESC", ""}}, {}, "", {m + "invalidboardcode"}},
      {"refused board description", {}, {}, "SetBoardCodeAndDescription status=4 error=Unknown board\n",
       {m + "invalidboardcodedescription"}},
      {"unknown style", {{"STYLE_CATALOG", "styleCatalog"}, {"STANDARD_STYLE_CATALOG_NAME", "Pyramid"}}, {}, "",
       {m + "designnotopen"}},
      {"refused save", {}, {}, "SaveDesign status=10 error=Disk full\n",
       {"message 0 \"Save Design failed GetErrorString()\" \"Disk full\"", m + "savedesignfailed"}},
      {"a value out of range", {}, {{"L", "5000"}}, "",
       {m + "variableerror", m + "dravoerrorstring"}},
      {"an error condition", {}, {{"D", "500"}, {"L", "60"}}, "",
       {m + "checkconditionviolated \"The box is more than four times as deep as it is long\"",
        m + "dravoerrorstring"}},
      // The first menu is never walked: its conditions are the final check's.
      {"an error condition of the final check", {}, {{"GLUEFLAP", "45"}, {"W", "40"}}, "",
       {m + "runopenstandardfailed \"The glue flap is wider than the side panel\"", m + "dravoerrorstring"}},
      {"a failed finish", {}, {}, "Standard.Finish status=3 error=Cannot close the flaps\n",
       {m + "runopenstandardfailed \"Cannot close the flaps\"", m + "dravoerrorstring"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A file an earlier run left where the design goes is no output either.
    fs::remove_all(folder_.File("out"));
    folder_.Write("out/carton.kpx", "an earlier run's design");
    ProgramRun run = Run(c.parameters, c.variables, c.scenario);
    std::size_t next = 0;
    for (const std::string& line : run.lines) {
      if (next < c.expected.size() && line.rfind(c.expected[next], 0) == 0) ++next;
    }
    EXPECT_EQ(next, c.expected.size()) << "missing: " << (next < c.expected.size() ? c.expected[next] : "")
                                       << "\nprinted:\n" << Printed(run);
    EXPECT_EQ(run.Starting("output "), std::vector<std::string>{});
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines.back(), "result 2");
    EXPECT_EQ(run.status, 2);
  }
}

// Three orders of one ticket and one output name: a later order's design
// takes a name of its own ("_N" by its place in the ticket), none replaces
// an earlier one, and each file is registered once.
TEST_F(RunStandardTest, OrdersOfOneOutputNameKeepTheirOwnDesigns) {
  std::string order = ReadFile(Example("tickets/job.xml"));
  order.replace(order.find("FBB-350"), 7, "E-KRAFT");
  const std::string board = "Folding boxboard 350 g/m2";
  order.replace(order.find(board), board.size(), "E flute, kraft liner");
  folder_.Write("kraft.xml", order);
  // The third order would take "_3", which a stray earlier file does not stop.
  inputs_ = {"job.xml", "kraft.xml", "job.xml"};
  folder_.Write("out/carton_3.kpx", "stale");
  // Without a customer each design warns: its files are on "Warning".
  ProgramRun run = Run({}, {{"L", "60"}});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.Starting("output "), (std::vector<std::string>{"output Warning " + Output(),
                                                                "output Warning " + Output("carton_2.kpx"),
                                                                "output Warning " + Output("carton_3.kpx")}));
  EXPECT_EQ(run.Starting("log \"An earlier input of the ticket delivered ").size(), 2u)
      << "each new name is logged";
  EXPECT_NE(ReadFile(Output()).find("boardCode=\"FBB-350\""), std::string::npos) << "the first design is kept";
  EXPECT_NE(ReadFile(Output("carton_2.kpx")).find("boardCode=\"E-KRAFT\""), std::string::npos);
  EXPECT_NE(ReadFile(Output("carton_3.kpx")).find("boardCode=\"FBB-350\""), std::string::npos);

  // One order alone prints what it always printed.
  inputs_ = {"kraft.xml"};
  fs::remove_all(folder_.File("out"));
  run = Run({}, {{"L", "60"}});
  EXPECT_EQ(run.Starting("output "), std::vector<std::string>{"output Warning " + Output()});
  EXPECT_TRUE(run.Starting("log \"An earlier input").empty());
}

}  // namespace
