// What the design information reads of the open design: the menus of its
// standard, the designs laid out in a manufacturing file, its print items
// and their thumbnails.
#include <gtest/gtest.h>

#include <fstream>

#include "DRAVOInterfaceDesignInfoFixture.h"
#include "DravoException.h"

namespace {

using CAD::DRAVOInterface;
using ::testing::_;
using ::testing::AnyNumber;
using ::testing::Invoke;
using ::testing::Return;

constexpr std::int32_t kPrintItems = 1, kLayers = 2, kLayerOfItem = 3;

class DesignParametersTest : public DesignInfoTest {
 protected:
  // The CAD application writes `xml` as the standard's menu description.
  void MenuXml(const std::string& xml) {
    EXPECT_CALL(cad, GetMenuXml(menuFile.LocalName(), 2, 0, 0, 0))
        .WillOnce(
            Invoke([xml](const QK_TString& path, std::int16_t, std::int16_t, std::int16_t, std::int16_t) {
              std::ofstream(path.str()) << xml;
              return CAD::Status::kDone;
            }));
  }
  DRAVOInterface::ParameterGroups Read(const char* kind) {
    return cad.ReadDesignParameters("/designs/box.kpx", menuFile, menus, kind, warning);
  }

  QK_TURL menuFile = QK_TURL::FromLocalPath(QK_TString(folder.File("menus.xml")));
  DRAVOInterface::MenuList menus;
  std::int32_t warning = 0;
};

TEST_F(DesignParametersTest, MenusOfADesignWithTheirValues) {
  EXPECT_CALL(cad, OpenStandard(QK_TString("/designs/box.kpx"), 0, CAD::StandardUnit::kInch, QK_TString(),
                                QK_TString("Corrugated - Inch - Single design parameters")));
  MenuXml(
      "<Menus><Menu name=\"Sizes\" type=\"2\"><Variables><Variable name=\"L\"/><Other/><Variable "
      "name=\"W$\"/>"
      "</Variables></Menu> <Menu name=\"Closure\" type=\"3\"><Variables><StyleChoice variable=\"TUCK\"/>"
      "</Variables></Menu><Menu name=\"Empty\"/></Menus>");
  EXPECT_CALL(cad, GetVariableValue(QK_TString("L"))).WillOnce(Return(QK_TString("200")));
  EXPECT_CALL(cad, GetVariableValue(QK_TString("W$"))).WillOnce(Return(QK_TString("wide")));
  EXPECT_CALL(cad, GetVariableValue(QK_TString("TUCK"))).WillOnce(Return(QK_TString("  12 mm")));

  const DRAVOInterface::ParameterGroups groups = Read("kpx");
  EXPECT_EQ(groups,
            (DRAVOInterface::ParameterGroups{{{{"L", "200"}}, {{"W$", "wide"}}}, {}, {{{"TUCK", "12"}}}, {}}))
      << "the blank between two menus is a node of its own";
  EXPECT_EQ(
      menus,
      (DRAVOInterface::MenuList{
          {"Sizes", "Variable"}, {"", "Variable"}, {"Closure", "Style Choice"}, {"Empty", "Variable"}}));
  EXPECT_EQ(warning, 0);
}

TEST_F(DesignParametersTest, ALayoutHasNoMenusThoughItsDescriptionIsRead) {
  EXPECT_CALL(cad, OpenStandard(_, _, _, _, _));
  MenuXml("<Menus><Menu name=\"Sizes\"><Variables><Variable name=\"L\"/></Variables></Menu></Menus>");
  EXPECT_CALL(cad, GetVariableValue(_)).Times(0);
  EXPECT_TRUE(Read("MFG").empty());
  EXPECT_TRUE(menus.empty());
}

TEST_F(DesignParametersTest, ADescriptionWithoutMenusIsAWarning) {
  MenuXml("<Menus><Standard/></Menus>");
  EXPECT_TRUE(Read("DESIGN").empty());
  EXPECT_EQ(warning, 1);
  EXPECT_EQ(
      task.Messages(),
      (std::vector<std::string>{"message 1 shapejobs.warning.nodenotfound shapejobs.message.nodenotfound"}));
}

TEST_F(DesignParametersTest, ARefusedMenuDescriptionEndsTheExport) {
  EXPECT_CALL(cad, GetMenuXml(_, _, _, _, _))
      .WillOnce(Invoke(
          [](const QK_TString&, std::int16_t, std::int16_t, std::int16_t, std::int16_t) -> std::int16_t {
            QK_THROW(CAD::DravoError(QK_TString("Failed to get Menu XML"), QK_TAny("no standard")));
          }));
  try {
    Read("KPX");
    FAIL() << "no failure";
  } catch (const CAD::DravoError& e) {
    EXPECT_TRUE(e.QK_Message().Empty()) << "a new, empty error: the message has said it";
  }
  EXPECT_EQ(task.Messages(),
            (std::vector<std::string>{"message 2 shapejobs.message.error Failed to get Menu XML"}));
}

class EmbeddedDesignsTest : public DesignInfoTest {
 protected:
  // Designs of `items` print items each, named by `names`; the string
  // values of the current design and print item answer with blanks around.
  void Layout(std::vector<int> items, std::vector<std::string> names) {
    EXPECT_CALL(cad, EvaluateNumericExpression(_)).Times(AnyNumber());
    EXPECT_CALL(cad, EvaluateNumericExpression(QK_TString("#NDESIGNSA")))
        .WillOnce(Return(static_cast<double>(items.size()) + 0.7));
    ON_CALL(cad, PreparePrintItems(_, true)).WillByDefault(Invoke([this](std::int32_t d, bool) {
      design = d;
      return CAD::Status::kDone;
    }));
    ON_CALL(cad, CreatePrintItems(_, true)).WillByDefault(Invoke([this](std::int32_t j, bool) {
      created.push_back(j);
      return CAD::Status::kDone;
    }));
    ON_CALL(cad, EvaluateNumericExpression(_)).WillByDefault(Invoke([this, items](const QK_TString& e) {
      if (e == "#NITEMS") return static_cast<double>(items[design - 1]);
      if (e == "#MANSIZEX") return 123.4567;
      return 80.0 + design;
    }));
    ON_CALL(cad, EvaluateStringExpression(_)).WillByDefault(Invoke([this, names](const QK_TString& e) {
      if (e == "#W$") return QK_TString(" " + names[design - 1] + " ");
      if (e == "#ITEM$") return QK_TString::Format(" item%d ", created.back());
      if (e == "#NUPP") return QK_TString::Format("%d\n", created.back() * 10);
      return QK_TString(" ") + e;
    }));
  }

  std::int32_t design = 0;
  std::vector<std::int32_t> created;
};

TEST_F(EmbeddedDesignsTest, PrintItemsAreNumberedAcrossTheDesigns) {
  Layout({2, 0, 1}, {"Tray", "Lid", "Insert"});
  const DRAVOInterface::EmbeddedDesigns designs = cad.ReadEmbeddedDesigns();
  EXPECT_EQ(created, (std::vector<std::int32_t>{1, 2, 4})) << "the design without print items takes number 3";
  EXPECT_EQ(designs, (DRAVOInterface::EmbeddedDesigns{{"Tray",
                                                       {{"GRAIN_DIRECTION", "#GRAIN$"},
                                                        {"NO_OF_UPS", "#NUPD"},
                                                        {"BLANK_LENGTH", "123.457000"},
                                                        {"BLANK_HEIGHT", "81.000000"},
                                                        {"ALL_PRINT_ITEMS", "item1:10,item2:20"}}},
                                                      {"Lid",
                                                       {{"GRAIN_DIRECTION", "#GRAIN$"},
                                                        {"NO_OF_UPS", "#NUPD"},
                                                        {"BLANK_LENGTH", "123.457000"},
                                                        {"BLANK_HEIGHT", "82.000000"}}},
                                                      {"Insert",
                                                       {{"GRAIN_DIRECTION", "#GRAIN$"},
                                                        {"NO_OF_UPS", "#NUPD"},
                                                        {"BLANK_LENGTH", "123.457000"},
                                                        {"BLANK_HEIGHT", "83.000000"},
                                                        {"ALL_PRINT_ITEMS", "item4:40"}}}}));
  EXPECT_EQ(task.Messages(),
            (std::vector<std::string>(2, "message 0 shapejobs.message.exportingprintitems")));
}

TEST_F(EmbeddedDesignsTest, AnInvalidExpressionEndsTheExport) {
  EXPECT_CALL(cad, EvaluateNumericExpression(_)).WillOnce(Return(1.0));
  EXPECT_CALL(cad, EvaluateStringExpression(_)).WillOnce(Invoke([](const QK_TString&) -> QK_TString {
    QK_THROW(CAD::InvalidExpressionException(QK_TString("#GRAIN$ is unknown")));
  }));
  EXPECT_THROW(cad.ReadEmbeddedDesigns(), CAD::DravoError);
  EXPECT_EQ(task.Messages(),
            (std::vector<std::string>{"message 2 shapejobs.message.invalidexpression #GRAIN$ is unknown"}));
}

class PrintItemsTest : public DesignInfoTest {
 protected:
  // `names` print items; each has the layers 1 to `layers`, of which those
  // in `owned` belong to it.
  void Design(std::vector<std::string> names, std::int32_t layers, std::vector<std::int32_t> owned) {
    ON_CALL(cad, GetPrintItemCount(kPrintItems))
        .WillByDefault(Return(static_cast<std::int32_t>(names.size())));
    ON_CALL(cad, GetPrintItemCount(kLayers)).WillByDefault(Return(layers));
    ON_CALL(cad, CheckPrintItem(_, kLayerOfItem, _))
        .WillByDefault(Invoke([owned](std::int32_t, std::int32_t, std::int32_t j) -> std::int16_t {
          return std::find(owned.begin(), owned.end(), j) != owned.end() ? CAD::Status::kDone : 1;
        }));
    ON_CALL(cad, GetPrintItemName(_, _)).WillByDefault(Invoke([names](std::int32_t kind, std::int32_t index) {
      return kind == kPrintItems ? QK_TString(names[index - 1]) : QK_TString::Format("layer%d", index);
    }));
  }
};

TEST_F(PrintItemsTest, EachPrintItemWithLayerZeroAndItsOwnLayersInTextOrder) {
  Design({"Front", "Back"}, 12, {1, 2, 10, 12});
  const DRAVOInterface::PrintItemList items = cad.ExportPrintItems(true);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1].name, QK_TString("Back"));
  EXPECT_EQ(items[1].id, QK_TString("2"));
  EXPECT_TRUE(items[1].address.Empty());
  std::vector<std::string> layers;
  for (const auto& [number, name] : items[0].layers) layers.push_back(number.str() + "=" + name.str());
  EXPECT_EQ(layers,
            (std::vector<std::string>{"0=layer0", "1=layer1", "10=layer10", "12=layer12", "2=layer2"}));
  EXPECT_EQ(task.Messages(), (std::vector<std::string>{"message 0 shapejobs.message.exportingprintitems"}));
}

TEST_F(PrintItemsTest, NoPrintItemsNoMessage) {
  Design({}, 3, {});
  EXPECT_TRUE(cad.ExportPrintItems(true).empty());
  std::int32_t warning = 0;
  EXPECT_TRUE(
      cad.CreatePrintItemThumbnails(QK_TURL::FromLocalPath("/out/job.xml"), 200, 200, warning, "job", -1, 100,
                                    CAD::DeliveredLocations())
          .empty());
  EXPECT_TRUE(task.Messages().empty());
}

TEST_F(PrintItemsTest, ThumbnailsAreNamedAfterTheBaseAndTheItem) {
  Design({"Front", "In/Out"}, 0, {});
  ON_CALL(cad, GetImageSetting60()).WillByDefault(Return(7));
  ON_CALL(cad, GetIndustryCode()).WillByDefault(Return(CAD::IndustryCode::kFoldingCarton));
  EXPECT_CALL(cad, SetLayer(0, 1)).Times(2);
  EXPECT_CALL(cad, ExportImage(1, QK_TString("/out/BOX_Front_2.JPG"), 300, 150, 10, 7, 2, 0, 50))
      .WillOnce(Return(CAD::Status::kDone));
  EXPECT_CALL(cad, ExportImage(1, QK_TString("/out/BOX_In_Out_2.JPG"), 300, 150, 10, 7, 2, 0, 50))
      .WillOnce(Return(3));
  ON_CALL(cad, GetErrorString()).WillByDefault(Return(QK_TString("disk full")));

  std::int32_t warning = 0;
  const DRAVOInterface::PrintItemList items =
      cad.CreatePrintItemThumbnails(QK_TURL::FromLocalPath("/out/job.xml"), 300, 150, warning, "BOX", 2, 50,
                                    CAD::DeliveredLocations());
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].address, QK_TURL::FromLocalPath("/out/BOX_Front_2.JPG"));
  EXPECT_TRUE(items[0].exported);
  EXPECT_EQ(items[1].address, QK_TURL::FromLocalPath("/out/BOX_In_Out_2.JPG"))
      << "listed although not written";
  EXPECT_FALSE(items[1].exported);
  EXPECT_EQ(warning, 1);
  EXPECT_EQ(task.Messages(),
            (std::vector<std::string>{"message 0 shapejobs.message.creatingprintitems",
                                      "message 1 shapejobs.message.failedtogenerateprintitemthumbnail "
                                      "/out/BOX_In_Out_2.JPG disk full"}));
}

}  // namespace
