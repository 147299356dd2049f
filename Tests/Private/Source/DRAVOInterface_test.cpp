// The interface's own operations: design references and file names.
#include <gtest/gtest.h>

#include "MockDriver.h"

namespace {

QK_TString Reference(const CAD::StringMap& design) {
  MockDriver driver;
  return driver.MakeDesignReference(design);
}

QK_TString InfoReference(const char* path, const char* project, int version, const char* name,
                         const char* notFound = "") {
  CAD::ShopCardTicketData record;
  record.designPath = path;
  record.project = project;
  record.version = version;
  record.designName = name;
  record.designNotFoundPath = notFound;
  MockDriver driver;
  return driver.MakeDesignInfoReference(record);
}

TEST(DesignReferenceTest, PathAndNameAreJoinedWithOneBackslash) {
  EXPECT_EQ(Reference({{"Path", "file:C:\\designs"}, {"Name", "box.kpx"}}), QK_TString("C:\\designs\\box.kpx"));
  EXPECT_EQ(Reference({{"Path", "C:\\designs\\"}, {"Name", "box.kpx"}}), QK_TString("C:\\designs\\box.kpx"));
  EXPECT_EQ(Reference({{"Path", "/srv/designs"}, {"Name", "box.kpx"}}), QK_TString("/srv/designs\\box.kpx"));
}

TEST(DesignReferenceTest, ProjectAndNameNameADatabaseDesign) {
  EXPECT_EQ(Reference({{"Project", "Cartons"}, {"Name", "Tray"}}), QK_TString("@Cartons:Tray"));
  EXPECT_EQ(Reference({{"Project", "Cartons"}, {"Version", "3"}, {"Name", "Tray"}}), QK_TString("@Cartons:3:Tray"));
  EXPECT_EQ(Reference({{"Project", "Cartons"}, {"Version", "0"}, {"Name", "Tray"}}), QK_TString("@Cartons:Tray"));
  EXPECT_EQ(Reference({{"Path", ""}, {"Project", "Cartons"}, {"Name", "Tray"}}), QK_TString())
      << "a Path key, even empty, wins over the project";
}

TEST(DesignReferenceTest, IncompleteEntriesGiveThePathOrNothing) {
  EXPECT_EQ(Reference({{"Path", "C:\\designs"}}), QK_TString("C:\\designs"));
  EXPECT_EQ(Reference({{"Name", "box.kpx"}}), QK_TString());
  EXPECT_EQ(Reference({}), QK_TString());
}

TEST(DesignReferenceTest, ShopCardRecordsFollowTheSameRuleWithAFallback) {
  EXPECT_EQ(InfoReference("file:D:\\in", "", 0, "box.kpx"), QK_TString("D:\\in\\box.kpx"));
  EXPECT_EQ(InfoReference("", "Cartons", 0, "Tray"), QK_TString("@Cartons:Tray"));
  EXPECT_EQ(InfoReference("", "Cartons", 2, "Tray"), QK_TString("@Cartons:2:Tray"));
  EXPECT_EQ(InfoReference("", "Cartons", -1, "Tray"), QK_TString("@Cartons:Tray"));
  EXPECT_EQ(InfoReference("D:\\in", "Cartons", 2, "", "missing.kpx"), QK_TString("missing.kpx"));
}

TEST(SanitizeFileNameTest, ReplacesTheNineForbiddenCharacters) {
  EXPECT_EQ(CAD::DRAVOInterface::SanitizeFileName("a\\b/c:d?e\"f<g>h*i|j"), QK_TString("a_b_c_d_e_f_g_h_i_j"));
  EXPECT_EQ(CAD::DRAVOInterface::SanitizeFileName("box_TopView_1.JPG"), QK_TString("box_TopView_1.JPG"));
}

}  // namespace
