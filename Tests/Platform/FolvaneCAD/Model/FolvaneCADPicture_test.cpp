// The stand-in's one drawing path: what a document's picture shows and the
// PDF, PNG and JPEG files it becomes; and where outputs without a file go.
#include <filesystem>

#include <gtest/gtest.h>

#include "../FolvaneCADPictureFiles.h"
#include "Model/FolvaneCADDocument.h"
#include "Output/FolvaneCADDrawing.h"
#include "Output/FolvaneCADSpool.h"
#include "TempFolder.h"

namespace {

using namespace FolvaneCAD;

constexpr int kSide = 300;
// A 100 x 100 square on the base layer fills the picture with a 5 % margin.
constexpr int kFrameX = 15;
constexpr int kCentre = kSide / 2;

// A square frame on the base layer, its diagonal on layer 1 and a
// horizontal line at a quarter of its height on layer 2; print item Front
// shows layer 1, Back layer 2.
Design FramedDesign() {
  Design design;
  design.name = "box";
  design.layers = {Layer{"Front artwork", true, {}}, Layer{"Back artwork", true, {}}};
  design.printItems = {PrintItem{"Front", {1}, 1, {}}, PrintItem{"Back", {2}, 1, {}}};
  design.SetLines({Line{0, 0, 100, 0, 0, {}},   Line{100, 0, 100, 100, 0, {}}, Line{100, 100, 0, 100, 0, {}},
                  Line{0, 100, 0, 0, 0, {}},   Line{0, 0, 100, 100, 1, {}},   Line{0, 25, 100, 25, 2, {}}});
  return design;
}

class PictureTest : public ::testing::Test {
 protected:
  // The document drawn into a PNG (or JPEG) of kSide x kSide and read back.
  Pixels Draw(const Document& document, const char* name = "picture.png") {
    std::string path = folder_.File(name);
    QK_TString error;
    EXPECT_TRUE(WriteImage(Picture{DrawDocument(document), {}}, kSide, kSide, 90, QK_TString(path), &error))
        << error;
    return ReadPixels(path);
  }

  static bool DiagonalShows(const Pixels& pixels) {
    return pixels.AnyInk(kCentre - 3, kCentre - 3, kCentre + 3, kCentre + 3);
  }
  static bool FrameShows(const Pixels& pixels) {
    return pixels.AnyInk(kFrameX - 2, kCentre - 3, kFrameX + 3, kCentre + 3);
  }

  TempFolder folder_;
};

TEST_F(PictureTest, ImagesHaveTheAskedSizeAndInkWhereTheLinesAre) {
  Document document(FramedDesign(), "box.kpx");
  for (const char* name : {"box.png", "box.JPG"}) {
    Pixels pixels = Draw(document, name);
    ASSERT_EQ(pixels.width, kSide) << name;
    ASSERT_EQ(pixels.height, kSide) << name;
    EXPECT_TRUE(FrameShows(pixels)) << name;
    EXPECT_TRUE(DiagonalShows(pixels)) << name;
    EXPECT_FALSE(pixels.AnyInk(0, 0, kFrameX - 3, kFrameX - 3)) << name << ": the margin stays white";
    EXPECT_FALSE(pixels.AnyInk(kCentre + 20, kCentre + 20, kCentre + 40, kCentre + 40)) << name;
  }
  std::string wide = folder_.File("wide.png");
  QK_TString error;
  ASSERT_TRUE(WriteImage(Picture{DrawDocument(document), {}}, 320, 200, 90, QK_TString(wide), &error))
      << error;
  Pixels pixels = ReadPixels(wide);
  EXPECT_EQ(pixels.width, 320);
  EXPECT_EQ(pixels.height, 200);
}

TEST_F(PictureTest, LinesOfLayersThatAreOffOrOutsideThePrintItemAreNotDrawn) {
  Document document(FramedDesign(), "box.kpx");
  Pixels all = Draw(document);
  // The diagonal runs through the middle of the pixel left of the centre.
  EXPECT_TRUE(all.IsRed(kCentre - 1, kCentre)) << "layer 1 in its own colour";

  document.CurrentDesign()->layers[0].on = false;
  Pixels layerOff = Draw(document);
  EXPECT_FALSE(DiagonalShows(layerOff));
  EXPECT_TRUE(FrameShows(layerOff)) << "the base layer is always drawn";

  document.CurrentDesign()->layers[0].on = true;
  document.SetCurrentPrintItem(2);
  Pixels back = Draw(document);
  EXPECT_FALSE(DiagonalShows(back)) << "layer 1 is not part of print item Back";
  int quarter = kSide - kFrameX - 270 / 4;
  EXPECT_TRUE(back.AnyInk(kCentre - 3, quarter - 3, kCentre + 3, quarter + 3)) << "layer 2 is";
  document.SetCurrentPrintItem(1);
  EXPECT_TRUE(DiagonalShows(Draw(document)));
}

TEST_F(PictureTest, TheCaptionIsTextUnderTheDrawing) {
  Picture picture{{Segment{0, 0, 100, 0, {}}}, {}};
  std::string plain = folder_.File("plain.png");
  std::string captioned = folder_.File("captioned.png");
  QK_TString error;
  ASSERT_TRUE(WriteImage(picture, 400, kSide, 90, QK_TString(plain), &error)) << error;
  picture.caption = {"Output: card"};
  ASSERT_TRUE(WriteImage(picture, 400, kSide, 90, QK_TString(captioned), &error)) << error;
  int band = kSide - 16;
  EXPECT_FALSE(ReadPixels(plain).AnyInk(0, band, 200, kSide));
  EXPECT_TRUE(ReadPixels(captioned).AnyInk(0, band, 200, kSide));
}

TEST_F(PictureTest, APdfIsOnePageTitledByTheCaption) {
  std::string path = folder_.File("card.pdf");
  Picture picture{DrawDocument(Document(FramedDesign(), "box.kpx")), {"Design: box", "Output: card"}};
  QK_TString error;
  ASSERT_TRUE(WritePicture(picture, PictureFormat::kPdf, 842, 595, 90, QK_TString(path), &error)) << error;
  std::string pdf = FileBytes(path);
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_EQ(PdfPageCount(pdf), 1);
  EXPECT_NE(pdf.find("/Title (Design: box - Output: card)"), std::string::npos);
  EXPECT_EQ(PictureFormatOf("a/Card.PDF"), PictureFormat::kPdf);
  EXPECT_EQ(PictureFormatOf("a/card.jpeg"), PictureFormat::kJpeg);
  EXPECT_EQ(PictureFormatOf("a/card.tif"), PictureFormat::kUnsupported);
}

TEST_F(PictureTest, RefusedPicturesLeaveNoFile) {
  Picture picture{{Segment{0, 0, 1, 1, {}}}, {}};
  QK_TString error;
  EXPECT_FALSE(WriteImage(picture, 100, 100, 90, QK_TString(folder_.File("x.pdf")), &error))
      << "the image exports write no PDF";
  EXPECT_NE(error.Find("x.pdf"), QK_TString::npos) << error;
  EXPECT_FALSE(
      WritePicture(picture, PictureFormat::kPng, 0, 100, 90, QK_TString(folder_.File("x.png")), &error));
  EXPECT_FALSE(
      WritePicture(picture, PictureFormat::kJpeg, 20000, 100, 90, QK_TString(folder_.File("x.jpg")), &error));
  std::string missing = folder_.File("no/such/folder/x.png");
  EXPECT_FALSE(WritePicture(picture, PictureFormat::kPng, 10, 10, 90, QK_TString(missing), &error));
  EXPECT_NE(error.Find(QK_TString(missing)), QK_TString::npos) << error;
  EXPECT_TRUE(std::filesystem::is_empty(folder_.path()));
}

TEST(SpoolTest, EachOutputGetsTheNextFreeNumberOfItsName) {
  TempFolder folder;
  Spool spool;
  QK_TString path;
  QK_TString error;
  ASSERT_TRUE(spool.NextFile(QK_TString(folder.path()), "card", &path, &error)) << error;
  EXPECT_EQ(path.str(), folder.File("spool/card-1.pdf"));
  EXPECT_TRUE(std::filesystem::is_directory(folder.File("spool")));
  ASSERT_TRUE(spool.NextFile(QK_TString(folder.path()), "card", &path, &error));
  EXPECT_EQ(path.str(), folder.File("spool/card-1.pdf")) << "the number is taken by a file, not by a call";
  folder.Write("spool/card-1.pdf", "%PDF-");
  folder.Write("spool/card-2.pdf", "%PDF-");
  ASSERT_TRUE(spool.NextFile(QK_TString(folder.path()), "card", &path, &error));
  EXPECT_EQ(path.str(), folder.File("spool/card-3.pdf"));
  ASSERT_TRUE(spool.NextFile(QK_TString(folder.path()), "sheet: a/b", &path, &error));
  EXPECT_EQ(path.str(), folder.File("spool/sheet_ a_b-1.pdf"));

  folder.Write("blocked", "a file where the data folder should be");
  EXPECT_FALSE(spool.NextFile(QK_TString(folder.File("blocked")), "card", &path, &error));
  EXPECT_NE(error.Find("spool"), QK_TString::npos) << error;
}

// A spool that finds earlier runs' files takes the first number after them,
// and then counts on from the numbers it gave rather than looking at the
// files before them again.
TEST(SpoolTest, ASpoolStartsAfterTheFilesOfEarlierRunsAndCountsOnFromItsOwn) {
  TempFolder folder;
  for (int n = 1; n <= 37; ++n) folder.Write("spool/card-" + std::to_string(n) + ".pdf", "%PDF-");
  Spool spool;
  QK_TString path;
  QK_TString error;
  ASSERT_TRUE(spool.NextFile(QK_TString(folder.path()), "card", &path, &error)) << error;
  EXPECT_EQ(path.str(), folder.File("spool/card-38.pdf"));
  folder.Write("spool/card-38.pdf", "%PDF-");
  std::filesystem::remove(folder.File("spool/card-1.pdf"));
  ASSERT_TRUE(spool.NextFile(QK_TString(folder.path()), "card", &path, &error));
  EXPECT_EQ(path.str(), folder.File("spool/card-39.pdf"));
  folder.Write("spool/card-39.pdf", "%PDF-");
  folder.Write("spool/card-40.pdf", "%PDF-");
  ASSERT_TRUE(spool.NextFile(QK_TString(folder.path()), "card", &path, &error));
  EXPECT_EQ(path.str(), folder.File("spool/card-41.pdf")) << "a file another run wrote meanwhile is skipped";

  ASSERT_TRUE(Spool().NextFile(QK_TString(folder.path()), "card", &path, &error));
  EXPECT_FALSE(std::filesystem::exists(path.str())) << path;
}

}  // namespace
