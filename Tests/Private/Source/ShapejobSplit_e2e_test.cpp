// Split tickets through the program, end to end: a design of three print
// items opened by the CAD stand-in, every print item but the ticket's
// deleted, and the design saved at the task's output; the events, the exit
// status and the design file it leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ShapejobE2eSite.h"

namespace {

namespace fs = std::filesystem;
using e2e::Failed;
using e2e::InOrder;
using e2e::ReadFile;

// Ticket parameters by key; the defaults make a ticket that succeeds.
using Parameters = std::map<std::string, std::string>;

class SplitTest : public e2e::Site {
 protected:
  ProgramRun Run(const Parameters& parameters, const std::string& scenario = "") {
    Parameters all = {{"SERVER", "Local"},
                      {"SELECT_DESIGN", "path"},
                      {"STANDARD_PATH", Design("gift-box.kpx")},
                      {"COMMAND_SCRIPT", ""},
                      {"PRINT_ITEM", "front"}};
    for (const auto& [key, value] : parameters) all[key] = value;
    TicketXml ticket("splitdesign", "e2e-split-1");
    ticket.Attribute("outputDir", "out").Attribute("outputName", "OUT");
    for (const std::string& input : inputs_) ticket.Input(input);
    for (const auto& [key, value] : all) ticket.Param(key, value);
    folder_.Write("job.xml", "<job/>");
    return RunTicket(ticket.Xml(), scenario);
  }

  std::string Output(const std::string& name = "OUT.kpx") const { return folder_.File("out/" + name); }

  // The ticket's inputs.
  std::vector<std::string> inputs_ = {"job.xml"};
};

TEST_F(SplitTest, KeepsTheNamedPrintItemOnly) {
  ProgramRun run = Run({});
  const std::string m = "message 0 shapejobs.message.";
  EXPECT_TRUE(
      InOrder(run, {m + "designname \"" + Design("gift-box.kpx") + "\"",
                    m + "outputdesignpath \"" + Output() + "\"", "output OK " + Output(), "result 0"}));
  EXPECT_EQ(run.status, 0);
  const std::string design = ReadFile(Output());
  EXPECT_NE(design.find("<PrintItem name=\"Front\""), std::string::npos) << design;
  for (const char* gone : {"name=\"Back\"", "name=\"Lid\""}) {
    EXPECT_EQ(design.find(gone), std::string::npos) << gone << " in\n" << design;
  }
  EXPECT_EQ(ReadFile(Design("gift-box.kpx")), ReadFile(e2e::Example("cad/designs/gift-box.kpx")))
      << "the design split stays as it was";
}

// From an enterprise server the design is a project's version: the split
// works on a local copy of it and the project keeps all its print items.
TEST_F(SplitTest, EnterpriseDesignFromTheProject) {
  const std::string stored = folder_.File("Defaults/projects/Cartons/gift-box-v3.kpx");
  fs::copy_file(Design("gift-box.kpx"), stored);
  ProgramRun run = Run({{"SERVER", "Cloud"},
                        {"SELECT_DESIGN", "project"},
                        {"PROJECT_NAME", "Cartons"},
                        {"ENT_DESIGN_NAME", "gift-box.kpx"},
                        {"VERSION", "3"},
                        {"PRINT_ITEM", "Lid"}});
  const std::string m = "message 0 shapejobs.message.";
  const std::string reference = "\"@Cartons:3:gift-box.kpx\"";
  EXPECT_TRUE(
      InOrder(run, {m + "designname " + reference, m + "opendesignfromwcr " + reference,
                    m + "outputdesignpath \"" + Output() + "\"", "output OK " + Output(), "result 0"}));
  EXPECT_EQ(run.status, 0);
  const std::string design = ReadFile(Output());
  EXPECT_NE(design.find("<PrintItem name=\"Lid\""), std::string::npos) << design;
  EXPECT_EQ(design.find("name=\"Front\""), std::string::npos) << design;
  EXPECT_EQ(ReadFile(stored), ReadFile(Design("gift-box.kpx")));
}

// Every failure of the split: the ticket fails with its message and leaves
// no design.
TEST_F(SplitTest, FailuresAreReportedByTheirOwnMessage) {
  struct Case {
    const char* what;
    Parameters parameters;
    std::string scenario;
    std::vector<std::string> expected;  // in order
  };
  const std::string e = "message 2 shapejobs.";
  const std::vector<Case> cases = {
      {"a manufacturing file",
       {{"STANDARD_PATH", Design("sheet.MFG")}},
       "",
       {e + "error.invalidfiletype \"" + Design("sheet.MFG") + "\""}},
      {"a project design named without its extension",
       {{"SERVER", "Cloud"},
        {"SELECT_DESIGN", "project"},
        {"PROJECT_NAME", "Cartons"},
        {"ENT_DESIGN_NAME", "rsc"},
        {"VERSION", "2"}},
       "",
       {e + "error.invalidfiletype \"@Cartons:2:rsc\""}},
      {"a print item the design lacks",
       {{"PRINT_ITEM", "Handle"}},
       "",
       {e + "error.noprintitemmatch \"Handle\""}},
      {"a refused deletion",
       {},
       "DeletePrintItem status=3 error=Locked\n",
       {e + "error.deleteprintitemfailed",
        e + "message.designpathnotfound \"" + Design("gift-box.kpx") + "\""}},
      {"no design", {{"STANDARD_PATH", ""}}, "", {e + "message.nodesignfound"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProgramRun run = Run(c.parameters, c.scenario);
    EXPECT_TRUE(InOrder(run, c.expected));
    EXPECT_TRUE(Failed(run));
    EXPECT_FALSE(fs::exists(Output()));
  }
}


// Two orders of one ticket, each naming its print item, and one output
// name: the second order's design takes a name of its own and the first
// keeps its print item.
TEST_F(SplitTest, TwoOrdersOfOneOutputNameKeepTheirOwnDesigns) {
  folder_.Write("front.xml", "<job item='Front'/>");
  folder_.Write("lid.xml", "<job item='Lid'/>");
  inputs_ = {"front.xml", "lid.xml"};
  ProgramRun run = Run({{"PRINT_ITEM", "xpath:/job/@item"}});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.Starting("output "),
            (std::vector<std::string>{"output OK " + Output(), "output OK " + Output("OUT_2.kpx")}));
  const std::string first = ReadFile(Output());
  const std::string second = ReadFile(Output("OUT_2.kpx"));
  EXPECT_NE(first.find("<PrintItem name=\"Front\""), std::string::npos) << first;
  EXPECT_EQ(first.find("name=\"Lid\""), std::string::npos) << first;
  EXPECT_NE(second.find("<PrintItem name=\"Lid\""), std::string::npos) << second;
}

}  // namespace
