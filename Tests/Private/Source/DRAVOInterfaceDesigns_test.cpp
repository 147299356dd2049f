// Designs opened for splitting and laying out: database designs saved as
// local files, and a design's facts read through the standards component.
#include <filesystem>

#include <gtest/gtest.h>

#include "ConnectedTask.h"
#include "DravoException.h"
#include "QK_TFile.h"

namespace {

using ::testing::_;
using ::testing::NiceMock;
using ::testing::Return;

class DesignsTest : public TaskTest {
 protected:
  // The menu document the standards component writes, and the design's
  // answers to ReadDesignInfo.
  void DesignAnswers(const std::string& menus, std::int16_t unit = CAD::UnitCode::kMillimetres) {
    ON_CALL(cad, GetMenuXml(_, 2, 0, 0, 0)).WillByDefault([menus](const QK_TString& path, auto, auto, auto, auto) {
      QK_TFile::WriteAll(QK_TURL::FromLocalPath(path), QK_TString(menus));
      return CAD::Status::kDone;
    });
    ON_CALL(cad, GetUnit()).WillByDefault(Return(unit));
    ON_CALL(cad, GetText63()).WillByDefault(Return(QK_TString("FBB")));
    ON_CALL(cad, GetIndustryCode()).WillByDefault(Return(2));
    ON_CALL(cad, EvaluateNumericExpression(QK_TString("#AREA"))).WillByDefault(Return(250.0));
    ON_CALL(cad, EvaluateNumericExpression(QK_TString("#MANSIZEX"))).WillByDefault(Return(300.0));
  }

  NiceMock<MockDriver> cad{&task};
  std::int32_t warning = 0;
};

const char kMenus[] =
    "<Menus><Menu name='Sizes'><Variables><Variable name='L'/><Variable name='W'/><Variable name='L'/>"
    "</Variables></Menu><Menu name='More'><Variables><Variable name='X'/></Variables></Menu></Menus>";

TEST_F(DesignsTest, ADatabaseDesignToSplitIsSavedToATemporaryFileAndLeftOpen) {
  QK_TString saved;
  EXPECT_CALL(cad, OpenDesign(QK_TString("@Cartons:rsc")));
  EXPECT_CALL(cad, SaveDesign(_)).WillOnce([&](const QK_TString& path) {
    saved = path;
    return CAD::Status::kDoneWithRemarks;
  });
  EXPECT_CALL(cad, CloseDesign()).Times(0);
  EXPECT_EQ(cad.OpenSplitDesign("@Cartons:rsc", warning), saved);
  EXPECT_EQ(warning, 1);
  EXPECT_EQ(sink.events, (std::vector<std::string>{"message 0 shapejobs.message.opendesignfromwcr @Cartons:rsc"}));

  EXPECT_CALL(cad, OpenDesign(_)).Times(0);
  EXPECT_EQ(cad.OpenSplitDesign("file:/designs/a.kpx", warning).str(), "/designs/a.kpx");
  EXPECT_EQ(cad.OpenSplitDesign("/designs/a.kpx", warning).str(), "/designs/a.kpx");
}

TEST_F(DesignsTest, ALayoutDesignOfTheDatabaseIsMovedUnderItsNameAndRead) {
  DesignAnswers(kMenus);
  ON_CALL(cad, SaveDesign(_)).WillByDefault([](const QK_TString& path) {
    QK_TFile::WriteAll(QK_TURL::FromLocalPath(path), "<Design/>");
    return CAD::Status::kDone;
  });
  std::int16_t industry = 0;
  QK_TString local;
  CAD::DesignInfo info;
  EXPECT_CALL(cad, OpenDesign(_)).Times(testing::AnyNumber());
  EXPECT_CALL(cad, OpenDesign(QK_TString("@Cartons:2:Box-12")));
  cad.OpenLayoutDesign("@Cartons:2:Box-12", industry, local, info, "mm", warning);
  EXPECT_EQ(QK_TURL::FromLocalPath(local).FileName().str(), "Box-12");
  EXPECT_TRUE(std::filesystem::exists(local.str()));
  EXPECT_EQ(info.designName.str(), "Box-12");
  EXPECT_EQ(industry, 2);
  EXPECT_EQ(warning, 0);

  for (const char* name : {"", "..", "a/b"}) {
    const std::string reference = std::string("@Cartons:2:") + name;
    cad.OpenLayoutDesign(reference.c_str(), industry, local, info, "mm", warning);
    EXPECT_EQ(QK_TURL::FromLocalPath(local).FileName().str(), std::string(name) == "a/b" ? "a_b" : "_") << name;
    EXPECT_EQ(info.designName.str(), name) << "the design keeps its own name";
  }
}

TEST_F(DesignsTest, ALayoutDesignFileMustExist) {
  DesignAnswers(kMenus);
  std::int16_t industry = 0;
  QK_TString local;
  CAD::DesignInfo info;
  const std::string design = folder.Write("box.kpx", "<Design/>");
  cad.OpenLayoutDesign(("file:" + design).c_str(), industry, local, info, "inch", warning);
  EXPECT_EQ(local.str(), design);
  EXPECT_EQ(info.designName.str(), "box.kpx");

  EXPECT_THROW(cad.OpenLayoutDesign(folder.File("gone.kpx").c_str(), industry, local, info, "mm", warning),
               CAD::EmptyDesignNameException);
  EXPECT_EQ(sink.events.back(), "message 2 shapejobs.error.invaliddesignpath " + folder.File("gone.kpx") + "");
  ON_CALL(cad, OpenDesign(_)).WillByDefault([](const QK_TString&) { QK_THROW(CAD::DravoError("cannot open")); });
  EXPECT_THROW(cad.OpenLayoutDesign(design.c_str(), industry, local, info, "mm", warning),
               CAD::EmptyDesignNameException);
}

TEST_F(DesignsTest, DesignFactsComeFromTheMenusAndTheOpenDesign) {
  DesignAnswers(kMenus);
  ON_CALL(cad, GetVariableValue(_)).WillByDefault([](const QK_TString& name) { return name + "-value"; });
  EXPECT_CALL(cad, OpenStandard(QK_TString("/d/box.kpx"), 0, 0,
                                QK_TString(" Corrugated - Inch - Single design parameters"), QK_TString()));
  EXPECT_CALL(cad, SetOption29(_)).Times(0);
  EXPECT_CALL(cad, GetVariableValue(_)).Times(testing::AnyNumber());
  EXPECT_CALL(cad, GetVariableValue(QK_TString("L"))).Times(2);
  const CAD::DesignInfo info = cad.ReadDesignInfo("/d/box.kpx", "Box", "MM");
  EXPECT_EQ(info.units.str(), "millimeters");
  EXPECT_DOUBLE_EQ(info.productBlankArea, 2.5);
  EXPECT_DOUBLE_EQ(info.manufacturingSizeX, 300.0);
  EXPECT_EQ(info.boardCode.str(), "FBB");
  EXPECT_EQ(info.values, (std::map<QK_TString, QK_TString>{{"L", "L-value"}, {"W", "W-value"}}))
      << "the first menu's variables, each once";
}

TEST_F(DesignsTest, TheDesignIsSwitchedToTheTicketsUnit) {
  DesignAnswers("<Other/>", CAD::UnitCode::kMillimetres);
  ON_CALL(cad, EvaluateNumericExpression(QK_TString("#AREA"))).WillByDefault(Return(100.0));
  EXPECT_CALL(cad, SetOption29(CAD::UnitCode::kInches));
  const CAD::DesignInfo info = cad.ReadDesignInfo("/d/box.kpx", "Box", "Inch");
  EXPECT_EQ(info.units.str(), "inches");
  EXPECT_NEAR(info.productBlankArea, 645.16, 1e-9);
  EXPECT_TRUE(info.values.empty());
  EXPECT_EQ(sink.Starting("message 0 shapejobs.message.nodenotfound"),
            std::vector<std::string>{"message 0 shapejobs.message.nodenotfound Menu"});
}

TEST_F(DesignsTest, FailuresOfTheCadApplicationBecomeAnUnnamedDesign) {
  DesignAnswers(kMenus);
  EXPECT_CALL(cad, OpenStandard(_, _, _, _, _)).WillOnce([](auto&&...) {
    QK_THROW(CAD::StandardNotFoundException(QK_TString("/d/box.kpx")));
  }).WillRepeatedly(Return());
  EXPECT_THROW(cad.ReadDesignInfo("/d/box.kpx", "Box", "mm"), CAD::EmptyDesignNameException);
  EXPECT_EQ(sink.events.back(), "message 2 shapejobs.message.standardnotfound /d/box.kpx");

  ON_CALL(cad, GetUnit()).WillByDefault([]() -> std::int16_t { QK_THROW(CAD::DravoError("GetUnit failed")); });
  EXPECT_THROW(cad.ReadDesignInfo("/d/box.kpx", "Box", "mm"), CAD::EmptyDesignNameException);
  EXPECT_EQ(sink.events.back(), "message 2 shapejobs.message.error GetUnit failed");
}

TEST(DesignsWithoutTaskTest, ADatabaseDesignNeedsATaskForItsTemporaryFile) {
  NiceMock<MockDriver> cad(nullptr);
  std::int32_t warning = 0;
  EXPECT_THROW(cad.OpenSplitDesign("@Cartons:rsc", warning), QK_EException);
}

}  // namespace
