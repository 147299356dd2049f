// Command files of the CAD stand-in, read by the model alone.
#include "Model/FolvaneCADCommand.h"

#include <gtest/gtest.h>

#include "TempFolder.h"

namespace {

using FolvaneCAD::Assignment;
using FolvaneCAD::ReadCommand;

TEST(FolvaneCADCommandTest, ReadsNumbersTextsAndQuotedTexts) {
  TempFolder folder;
  folder.Write("set up/values.txt",
               "; lengths\n"
               "dset L = 120\n"
               "\n"
               "# customer\n"
               "DSET CUSTOMER$ = Acme & Sons\n"
               "dset CODE$ = \"0042\"\n");
  std::vector<Assignment> assignments;
  QK_TString error;
  ASSERT_TRUE(ReadCommand("exe \"" + QK_TString(folder.path()) + "\\set up\\values.txt\"", &assignments, &error))
      << error;
  ASSERT_EQ(assignments.size(), 3u);
  EXPECT_EQ(assignments[0].name, QK_TString("L"));
  EXPECT_FALSE(assignments[0].value.isText);
  EXPECT_EQ(assignments[0].value.number, 120.0);
  EXPECT_EQ(assignments[1].value.text, QK_TString("Acme & Sons"));
  EXPECT_TRUE(assignments[2].value.isText) << "quotes keep a text that looks like a number";
  EXPECT_EQ(assignments[2].value.text, QK_TString("0042"));
}

TEST(FolvaneCADCommandTest, FaultyLinesAndCommandsAreRefusedWithTheReason) {
  TempFolder folder;
  std::string path = folder.Write("bad.txt", "dset L = 1\nmove 3\n");
  std::vector<Assignment> assignments;
  QK_TString error;
  EXPECT_FALSE(ReadCommand("EXE " + QK_TString(path), &assignments, &error));
  EXPECT_EQ(error, QK_TString("Command file " + path + " line 2: unknown command \"move\""));

  EXPECT_FALSE(ReadCommand("EXE " + QK_TString(folder.File("missing.txt")), &assignments, &error));
  EXPECT_EQ(error, QK_TString("Command file not found: " + folder.File("missing.txt")));
  EXPECT_FALSE(ReadCommand("RUN x", &assignments, &error));
  EXPECT_EQ(error, QK_TString("Unknown command: RUN"));
  std::string computed = folder.Write("computed.txt", "dset #AREA = 1\n");
  EXPECT_FALSE(ReadCommand("EXE " + QK_TString(computed), &assignments, &error));
  EXPECT_NE(error.Find("the computed value #AREA cannot be set"), QK_TString::npos);
}

}  // namespace
