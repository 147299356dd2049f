// The main control's outputs and the journal of the files the stand-in
// writes, driven with the ids and argument types that the program sends.
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>

#include <filesystem>

#include "Base/FolvaneCADText.h"
#include "FolvaneCADPictureFiles.h"
#include "FolvaneCADTestSupport.h"
#include "PausedChild.h"

namespace {

// The ids that differ between the flavours.
struct ControlIds {
  const wchar_t* progId;
  DISPID open, writeOutput, selectPrintItem, errorText, save, thumbnail;
};
constexpr ControlIds kConventionalControl = {L"FolvaneCAD-X.DravoCtrl.1", 2, 42, 57, 31, 41, 90};
constexpr ControlIds kEnterpriseControl = {L"FolvaneCAD-X.EDravoCtrl.1", 2, 36, 50, 25, 35, 79};
constexpr DISPID kEnterpriseLogin = 1;

class OutputsTest : public FolvaneCADTest {
 protected:
  void SetUp() override {
    FolvaneCADTest::SetUp();
    unsetenv("FOLVANECAD_JOURNAL");
    design_ = Wide(folder_.Write("designs/carton.kpx", kCartonDesign));
    data_ = folder_.File("data");
    std::filesystem::create_directories(data_);
  }

  // A control of the flavour with the carton open and `data_` as its data
  // folder (the defaults location, or the login location).
  COleDispatchDriver& OpenCarton(const ControlIds& ids) {
    COleDispatchDriver& cad = Create(ids.progId);
    if (&ids == &kEnterpriseControl) {
      EXPECT_EQ(Status(cad, kEnterpriseLogin, VTS_BSTR VTS_BSTR VTS_BSTR VTS_I2 VTS_I2, Wide(data_).c_str(),
                       L"designer", L"secret", short(0), short(0)),
                0);
      EXPECT_EQ(Status(cad, ids.open, VTS_BSTR, design_.c_str()), 0);
    } else {
      EXPECT_EQ(Status(cad, conventional::kDefaults, VTS_BSTR, Wide(data_).c_str()), 0);
      EXPECT_EQ(Status(cad, ids.open, VTS_BSTR VTS_I2, design_.c_str(), short(1)), 0);
    }
    return cad;
  }

  static short WriteOutput(COleDispatchDriver& cad, const ControlIds& ids, const std::wstring& name,
                           short sample, const std::string& path) {
    return Status(cad, ids.writeOutput, VTS_BSTR VTS_I2 VTS_BSTR, name.c_str(), sample, Wide(path).c_str());
  }

  static std::wstring ErrorText(COleDispatchDriver& cad, const ControlIds& ids) {
    return OutText(cad, ids.errorText);
  }

  // The separate stretches of ink down column x.
  static int InkRuns(const Pixels& pixels, int x) {
    int runs = 0;
    bool inInk = false;
    for (int y = 0; y < pixels.height; ++y) {
      bool ink = pixels.IsInk(x, y);
      if (ink && !inInk) ++runs;
      inInk = ink;
    }
    return runs;
  }

  std::wstring design_;
  std::string data_;
};

TEST_F(OutputsTest, BothFlavoursWriteAOnePagePdfOfTheDesignAsItStands) {
  for (const ControlIds* ids : {&kConventionalControl, &kEnterpriseControl}) {
    COleDispatchDriver& cad = OpenCarton(*ids);
    ASSERT_EQ(Status(cad, ids->selectPrintItem, VTS_I4 VTS_I4 VTS_I2, 1, 2, short(1)), 0);
    std::string path = folder_.File("card.pdf");
    ASSERT_EQ(WriteOutput(cad, *ids, L"card", 3, path), 0) << ErrorText(cad, *ids);
    std::string pdf = FileBytes(path);
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_EQ(PdfPageCount(pdf), 1);
    EXPECT_NE(pdf.find("/Title (Design: carton - Output: card - Sample type: 3 - Print item: Back)"),
              std::string::npos);

    // A path that names no picture type gets a PDF too, under that name.
    std::string odd = folder_.File("card.kpx");
    ASSERT_EQ(WriteOutput(cad, *ids, L"card", -5, odd), 0) << ErrorText(cad, *ids);
    EXPECT_EQ(FileBytes(odd).substr(0, 5), "%PDF-");
    EXPECT_NE(FileBytes(odd).find("Sample type: -5"), std::string::npos);
  }
}

TEST_F(OutputsTest, PicturesByTheirExtensionWithThePrintItemsLayersOnly) {
  COleDispatchDriver& cad = OpenCarton(kConventionalControl);
  std::string all = folder_.File("all.png");
  ASSERT_EQ(WriteOutput(cad, kConventionalControl, L"sheet", 1, all), 0);
  Pixels pixels = ReadPixels(all);
  ASSERT_EQ(pixels.width, 1000);
  ASSERT_EQ(pixels.height, 750);
  ASSERT_EQ(Status(cad, kConventionalControl.selectPrintItem, VTS_I4 VTS_I4 VTS_I2, 1, 2, short(1)), 0);
  std::string back = folder_.File("back.JPG");
  ASSERT_EQ(WriteOutput(cad, kConventionalControl, L"sheet", 1, back), 0);
  EXPECT_EQ(FileBytes(back).substr(0, 3), "\xFF\xD8\xFF");
  Pixels backPixels = ReadPixels(back);
  ASSERT_EQ(backPixels.width, 1000);
  // Down the middle the carton shows its bottom edge (layer 1) and its top
  // edge (layer 2); print item Back is layer 2 alone.
  EXPECT_EQ(InkRuns(pixels, 500), 2);
  EXPECT_EQ(InkRuns(backPixels, 500), 1);

  std::string unknown = folder_.File("sheet.bmp");
  ASSERT_EQ(WriteOutput(cad, kConventionalControl, L"sheet", 1, unknown), 0);
  EXPECT_EQ(FileBytes(unknown).substr(0, 5), "%PDF-") << "any other path is a PDF";
}

TEST_F(OutputsTest, WithoutAPathEachOutputGoesToANewSpoolFileOfTheDataFolder) {
  for (const ControlIds* ids : {&kConventionalControl, &kEnterpriseControl}) {
    COleDispatchDriver& cad = OpenCarton(*ids);
    ASSERT_EQ(WriteOutput(cad, *ids, L"card", 1, ""), 0) << ErrorText(cad, *ids);
    ASSERT_EQ(WriteOutput(cad, *ids, L"card", 1, ""), 0);
    ASSERT_EQ(WriteOutput(cad, *ids, L"die line", 1, ""), 0);
  }
  for (const char* file : {"card-1.pdf", "card-2.pdf", "card-3.pdf", "card-4.pdf", "die line-1.pdf",
                           "die line-2.pdf"}) {
    EXPECT_EQ(FileBytes(data_ + "/spool/" + file).substr(0, 5), "%PDF-") << file;
  }
  EXPECT_FALSE(std::filesystem::exists(data_ + "/spool/card-5.pdf"));
}

TEST_F(OutputsTest, RefusedOutputsWriteNothing) {
  COleDispatchDriver& cad = Create(kConventionalControl.progId);
  std::string path = folder_.File("card.pdf");
  EXPECT_EQ(WriteOutput(cad, kConventionalControl, L"card", 1, path), 10) << "no design open";
  ASSERT_EQ(Status(cad, conventional::kOpen, VTS_BSTR VTS_I2, design_.c_str(), short(1)), 0);
  EXPECT_EQ(WriteOutput(cad, kConventionalControl, L"", 1, path), 2);
  EXPECT_EQ(ErrorText(cad, kConventionalControl), L"No output name given");
  EXPECT_EQ(WriteOutput(cad, kConventionalControl, L" ", 1, path), 2);
  EXPECT_EQ(WriteOutput(cad, kConventionalControl, L"card", 1, ""), 2);
  EXPECT_EQ(ErrorText(cad, kConventionalControl),
            L"No data folder is set, so output card has no destination");
  EXPECT_EQ(WriteOutput(cad, kConventionalControl, L"card", 1, folder_.File("missing/card.pdf")), 2);
  EXPECT_NE(ErrorText(cad, kConventionalControl).find(L"missing/card.pdf"), std::wstring::npos);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(CodeOf([&] { Status(cad, 42, VTS_BSTR VTS_BSTR VTS_BSTR, L"card", L"1", Wide(path).c_str()); }),
            DISP_E_TYPEMISMATCH)
      << "the sample type is a number";
}

// Every call that writes a file is one line of the journal, with its
// arguments, its answer and the file it wrote.
TEST_F(OutputsTest, TheJournalListsEveryCallThatWritesAFile) {
  std::string journal = folder_.File("journal.txt");
  setenv("FOLVANECAD_JOURNAL", journal.c_str(), 1);
  setenv("FOLVANECAD_SCENARIO",
         folder_.Write("scenario.txt", "Control.WriteOutput status=3 error=Printer offline\n").c_str(), 1);
  COleDispatchDriver& refusing = OpenCarton(kConventionalControl);
  unsetenv("FOLVANECAD_SCENARIO");
  COleDispatchDriver& cad = OpenCarton(kEnterpriseControl);
  unsetenv("FOLVANECAD_JOURNAL");
  COleDispatchDriver& unjournalled = OpenCarton(kConventionalControl);

  std::string card = folder_.File("card.pdf");
  EXPECT_EQ(WriteOutput(refusing, kConventionalControl, L"card", 1, card), 3);
  EXPECT_EQ(ErrorText(refusing, kConventionalControl), L"Printer offline");
  EXPECT_FALSE(std::filesystem::exists(card)) << "a forced failure writes nothing";
  ASSERT_EQ(WriteOutput(cad, kEnterpriseControl, L"card", 2, card), 0);
  ASSERT_EQ(WriteOutput(cad, kEnterpriseControl, L"card \"A\"", 2, ""), 0);
  std::string copy = folder_.File("copy.kpx");
  ASSERT_EQ(
      Status(cad, kEnterpriseControl.save, VTS_BSTR VTS_I2 VTS_BSTR, Wide(copy).c_str(), short(1), L"x"), 0);
  EXPECT_EQ(Status(cad, kEnterpriseControl.thumbnail, VTS_BSTR, L"thumb.bmp"), 2);
  ASSERT_EQ(WriteOutput(unjournalled, kConventionalControl, L"card", 1, card), 0);

  std::string spool = data_ + "/spool/card _A_-1.pdf";
  EXPECT_TRUE(std::filesystem::exists(spool));
  EXPECT_EQ(FileBytes(journal),
            "Control.WriteOutput(\"card\", 1, \"" + card + "\") = 3\n"
            "Control.WriteOutput(\"card\", 2, \"" + card + "\") = 0 -> " + card + "\n"
            "Control.WriteOutput(\"card \\\"A\\\"\", 2, \"\") = 0 -> " + spool + "\n"
            "Control.SaveDesign(\"" + copy + "\", 1, \"x\") = 0 -> " + copy + "\n"
            "Control.ExportThumbnail(\"thumb.bmp\") = 2\n");
}

// The file the writer `id` of output `name` leaves when it is killed half-way.
std::string Leftover(const std::string& name, const QK_TProcessId& id) {
  return QK_TString::Format("%.170s.%016llx.writing-%d-%llu-%llu-AbC123", name.c_str(),
                            static_cast<unsigned long long>(QK_TString(name).StableKey()), id.pid, id.startTime,
                            id.pidNamespace).str();
}

// An ended writer's file goes with the save; one of an output named alike stays.
TEST(SaveTest, AnyNameTheFileSystemTakesSaves) {
  TempFolder folder;
  PausedChild ended;
  ended.Reap();
  const std::string name = std::string(246, 'n') + ".kpx", alike = std::string(246, 'n') + ".pdf";
  for (const std::string& output : {name, alike}) folder.Write(Leftover(output, ended.Id()), "");
  QK_TString error;
  ASSERT_TRUE(FolvaneCAD::WriteWholeFile(folder.File(name), "whole", &error)) << error;
  EXPECT_FALSE(FolvaneCAD::WriteWholeFile(folder.File(name + "123456"), "whole", &error));
  EXPECT_EQ(error, "File name too long");
  EXPECT_EQ(FileBytes(folder.File(name)), "whole");
  EXPECT_TRUE(std::filesystem::exists(folder.File(Leftover(alike, ended.Id()))));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
}

// The account nobody saves under a /proc that hides root's processes: root's
// live writer cannot be checked, so its file stays.
TEST(SaveTest, AFileOfAWriterThatCannotBeCheckedStays) {
  if (geteuid() != 0) GTEST_SKIP() << "saving as another account needs root";
  TempFolder folder;
  chmod(TemporaryBase().c_str(), 0711);
  chmod(folder.path().c_str(), 0777);
  PausedChild live;
  const std::string hidden = folder.Write(Leftover("box.kpx", live.Id()), "");
  const pid_t saver = fork();
  if (saver == 0) {
    QK_TString error;
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("proc", "/proc", "proc", 0, "hidepid=2") != 0) _exit(2);
    _exit(setgroups(0, nullptr) == 0 && setresgid(65534, 65534, 65534) == 0 && setresuid(65534, 65534, 65534) == 0 &&
          FolvaneCAD::WriteWholeFile(folder.File("box.kpx"), "whole", &error) ? 0 : 1);
  }
  int status = 0;
  waitpid(saver, &status, 0);
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "no /proc of its own can be mounted here";
  EXPECT_EQ(status, 0) << "the save failed";
  EXPECT_TRUE(std::filesystem::exists(hidden));
}

}  // namespace
