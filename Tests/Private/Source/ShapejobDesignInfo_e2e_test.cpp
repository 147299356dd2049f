// Design-information tickets through the program, end to end: the site's
// CAD server (the stand-in, with a design database behind a temporary data
// source), one design or an XML list of designs as the input, and the
// events, the exit status, the document and the images it leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ShapejobE2eSite.h"

namespace {

namespace fs = std::filesystem;
using e2e::InOrder;
using e2e::ReadFile;

bool IsJpeg(const std::string& path) { return ReadFile(path).rfind("\xFF\xD8\xFF", 0) == 0; }

// Ticket parameters by key; the "EXPORT_..." switches are written as
// booleans, the rest as text.
using Parameters = std::map<std::string, std::string>;

const char kSwitchPrefix[] = "EXPORT_";

class DesignInfoTest : public e2e::Site {
 protected:
  // Runs a ticket (`parameters` with the server, output into "out" named
  // `outputName`) on `input`, with `scenario` as the stand-in's scenario
  // file, and returns what the program printed.
  ProgramRun Run(const std::string& input, const std::string& outputName, const Parameters& parameters,
                 const std::string& scenario = "") {
    return Run(std::vector<std::string>{input}, outputName, parameters, scenario);
  }
  // The same with several inputs.
  ProgramRun Run(const std::vector<std::string>& inputs, const std::string& outputName,
                 const Parameters& parameters, const std::string& scenario = "") {
    TicketXml ticket("exportdesigninfo", "e2e-info-1");
    ticket.Attribute("outputDir", "out").Attribute("outputName", outputName);
    for (const std::string& input : inputs) ticket.Input(input);
    ticket.Param("SERVER", "Local");
    for (const auto& [key, value] : parameters) {
      if (key.rfind(kSwitchPrefix, 0) == 0) {
        ticket.Switch(key, value);
      } else {
        ticket.Param(key, value);
      }
    }
    return RunTicket(ticket.Xml(), scenario);
  }

  // The reference the program opens a design by: its folder and name.
  std::string Reference(const std::string& name) const { return folder_.File("designs") + "\\\\" + name; }
  std::string Output(const std::string& name) const { return folder_.File("out/" + name); }

  // The journal's line of the image exported to `image`, or "".
  std::string ImageExport(const std::string& image) const {
    const std::vector<std::string> lines = JournalLines("Control.ExportImage(1, \"" + Output(image) + "\"");
    return lines.size() == 1 ? lines.front() : std::string();
  }
  // The journal's plot calls that hold `text`.
  std::vector<std::string> PlotCalls(const std::string& text) const {
    std::vector<std::string> found;
    for (const std::string& line : JournalLines("Standard.Plot(")) {
      if (line.find(text) != std::string::npos) found.push_back(line);
    }
    return found;
  }
};

// `text` has every one of `parts`, in that order.
::testing::AssertionResult HasInOrder(const std::string& text, const std::vector<std::string>& parts) {
  std::size_t from = 0;
  for (const std::string& part : parts) {
    const std::size_t found = text.find(part, from);
    if (found == std::string::npos) {
      return ::testing::AssertionFailure() << "missing (in order): " << part << "\nin:\n" << text;
    }
    from = found + part.size();
  }
  return ::testing::AssertionSuccess();
}

const char kMessage[] = "message 0 shapejobs.message.";

// A thumbnail size out of range and an unknown quality word are warned of
// and replaced by the defaults; they do not make the export a warning.
TEST_F(DesignInfoTest, SingleDesignWithThumbnailAndPrintItemImages) {
  ProgramRun run = Run(Design("tuck-end.kpx"), "card",
                       {{"EXPORT_THUMBNAIL", "true"}, {"THUMBNAIL_WIDTH", "9"}, {"THUMBNAIL_HEIGHT", "150px"},
                        {"THUMBNAIL_QUALITY", "Best"}});
  const std::string m = kMessage;
  EXPECT_TRUE(InOrder(run, {
                               m + "shopcarddesign \"" + Reference("tuck-end.kpx") + "\"",
                               "message 0 shapejobs.info.GeneratingDesignInfo",
                           }));
  EXPECT_EQ(run.Starting("message 0 shapejobs.info.Writing ").size(), 1u);
  EXPECT_TRUE(InOrder(run, {
                               "message 0 shapejobs.width.value \"9\"",
                               "message 1 shapejobs.warning.widthincorrectrangevalue \"9\"",
                               "message 0 shapejobs.height.value \"150px\"",
                               "message 0 shapejobs.quality.value \"Best\"",
                               "message 1 shapejobs.warning.invalidquality \"Best\"",
                               m + "creatingthumbnail",
                               m + "creatingprintitems",
                               m + "shopcardclosingdesign",
                               "output XML " + Output("card.xml"),
                               "output Thumbnail " + Output("card.JPG"),
                               "output Thumbnail " + Output("card_Front.JPG"),
                               "output Thumbnail " + Output("card_Back.JPG"),
                               "output OK " + Output("card.xml"),
                               "result 0",
                           }));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.Starting("output Thumbnail ").size(), 3u);

  // Each image at the default width and the height's leading number, in
  // the default quality.
  for (const char* image : {"card.JPG", "card_Front.JPG", "card_Back.JPG"}) {
    SCOPED_TRACE(image);
    EXPECT_TRUE(IsJpeg(Output(image)));
    const std::string exported = ImageExport(image);
    EXPECT_NE(exported.find("\", 200, 150, 10, "), std::string::npos) << exported;
    EXPECT_NE(exported.find(", 0, 100) = 0"), std::string::npos) << exported;
  }

  // The CAD application's description with "Extra" as the root's last child.
  const std::string document = ReadFile(Output("card.xml"));
  EXPECT_TRUE(HasInOrder(document, {"?><DESIGN ", "name=\"tuck-end\"", "<Extra><Thumbnail><Path>" +
                                        Output("card.JPG") + "</Path></Thumbnail><PrintItems>",
                                    "Name=\"Front\" URL=\"" + Output("card_Front.JPG") + "\"",
                                    "Name=\"Back\" URL=\"" + Output("card_Back.JPG") + "\""}));
  const std::string trimmed = document.substr(0, document.find_last_not_of(" \r\n") + 1);
  const std::string last = "</Extra></DESIGN>";
  EXPECT_TRUE(trimmed.size() >= last.size() &&
              trimmed.compare(trimmed.size() - last.size(), last.size(), last) == 0)
      << document;
}

// The menus the design's standard offers, its print items and a document
// plot of each menu that has one; without a thumbnail the print items are
// only listed.
TEST_F(DesignInfoTest, MenusPrintItemsAndDocumentPlots) {
  ProgramRun run = Run(Design("tuck-end.kpx"), "card",
                       {{"EXPORT_MENU_VARIABLES", "true"}, {"EXPORT_DOCPLOTS", "1"},
                        {"THUMBNAIL_WIDTH", "120"}, {"THUMBNAIL_HEIGHT", "90"}});
  const std::string m = kMessage;
  EXPECT_TRUE(InOrder(run, {
                               m + "shopcarddesign \"" + Reference("tuck-end.kpx") + "\"",
                               m + "exportingprintitems",
                               "message 0 shapejobs.width.value \"120\"",
                               "message 0 shapejobs.height.value \"90\"",
                               m + "openstandard \"" + Reference("tuck-end.kpx") + "\"",
                               m + "creatingdocplots",
                               m + "shopcardclosingdesign",
                               "output XML " + Output("card.xml"),
                               "output OK " + Output("card.xml"),
                               "result 0",
                           }));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.Starting(m + "creatingthumbnail"), std::vector<std::string>{});

  // Kind-3 menus plot each item, the others the whole menu; the first
  // menu is marked without a plot.
  const std::vector<std::string> plots = {"Insidedimensions_1", "Insidedimensions_2", "Insidedimensions_3",
                                          "Flaps_1", "Flaps_2", "Texts"};
  std::vector<std::string> registered;
  std::vector<std::string> entries;
  for (const std::string& plot : plots) {
    const std::string file = Output("tuck-end_" + plot + ".JPG");
    registered.push_back("output Thumbnail " + file);
    entries.push_back("<Menu Name=\"" + plot + "\" URL=\"" + file + "\"/>");
    EXPECT_TRUE(IsJpeg(file)) << file;
  }
  EXPECT_EQ(run.Starting("output Thumbnail "), registered);
  EXPECT_FALSE(fs::exists(Output("tuck-end_Style.JPG")));
  for (const std::string& plot : plots) {
    EXPECT_EQ(PlotCalls("_" + plot + ".JPG\", 1, 120, 90) = 0").size(), 1u) << plot;
  }

  // Text variables' "$" is spelled "__TXT" in element names.
  const std::string document = ReadFile(Output("card.xml"));
  std::vector<std::string> expected = {
      "<Extra><Menus><Menu name=\"Style\" type=\"Variable\"/>",
      "<Menu name=\"Inside dimensions\" type=\"Style Choice\"><L>60</L><W>40</W><D>100</D></Menu>",
      "<CUSTOMER__TXT>Example Foods</CUSTOMER__TXT><ARTICLE__TXT>Tea, 20 bags</ARTICLE__TXT></Menu></Menus>",
      "<PrintItems><Item Id=\"1\" Name=\"Front\">", "<Item Id=\"2\" Name=\"Back\">",
      "</PrintItems><Docplots>"};
  expected.insert(expected.end(), entries.begin(), entries.end());
  expected.push_back("</Docplots></Extra></DESIGN>");
  EXPECT_TRUE(HasInOrder(document, expected));
  EXPECT_EQ(document.find("<Thumbnail>"), std::string::npos);
}

// An image whose export failed is reported and neither registered nor
// listed as a plot; the export goes on and ends as a warning.
TEST_F(DesignInfoTest, FailedImagesAreReportedAndLeftOut) {
  ProgramRun run = Run(Design("tuck-end.kpx"), "card",
                       {{"EXPORT_THUMBNAIL", "true"}, {"EXPORT_DOCPLOTS", "true"}, {"THUMBNAIL_WIDTH", "120"},
                        {"THUMBNAIL_HEIGHT", "90"}, {"THUMBNAIL_QUALITY", "Low"}},
                       "Control.ExportImage status=3 error=No room\n"
                       "Standard.Plot status=5 menu=3 error=The plotter is out of paper\n");
  const std::string m = "message 1 shapejobs.message.";
  EXPECT_TRUE(InOrder(run, {
                               m + "exportthumbnailfailed \"No room\" \"" + Output("card.JPG") + "\"",
                               m + "failedtogenerateprintitemthumbnail \"" + Output("card_Front.JPG") +
                                   "\" \"No room\"",
                               m + "failedtogenerateprintitemthumbnail \"" + Output("card_Back.JPG") +
                                   "\" \"No room\"",
                               "message 2 shapejobs.warning.failedtogeneratedocplot \"Flaps\"",
                               "message 2 shapejobs.warning.errormessage \"The plotter is out of paper\"",
                               "output Warning " + Output("card.xml"),
                               "output Thumbnail " + Output("tuck-end_Insidedimensions_3.JPG"),
                               "output Thumbnail " + Output("tuck-end_Texts.JPG"),
                               "output Warning " + Output("card.xml"),
                               "result 1",
                           }));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.Starting("output Thumbnail ").size(), 4u) << "the three menu-2 plots and the last one";
  for (const std::string& line : run.Starting("output Thumbnail ")) {
    EXPECT_EQ(line.find("Flaps"), std::string::npos) << line;
    EXPECT_EQ(line.find("card"), std::string::npos) << line;
  }
  for (const char* image : {"card.JPG", "card_Front.JPG", "card_Back.JPG", "tuck-end_Flaps_1.JPG"}) {
    EXPECT_FALSE(fs::exists(Output(image))) << image;
  }
  const std::string document = ReadFile(Output("card.xml"));
  EXPECT_NE(document.find("<Thumbnail><Path/></Thumbnail>"), std::string::npos) << document;
  EXPECT_EQ(document.find("Flaps_"), std::string::npos) << document;
}

// A list of a design and a manufacturing file: one document of both
// descriptions, the images numbered by the design's place in the list and
// named after the design; a design's own attributes win over the ticket's.
TEST_F(DesignInfoTest, ListOfADesignAndAManufacturingFile) {
  const std::string list = folder_.Write(
      "designs.xml", "<Designs><Design Name=\"tuck-end.kpx\" Path=\"" + folder_.File("designs") +
                         "\"/><Design Name=\"sheet.MFG\" Path=\"" + folder_.File("designs") +
                         "\" width=\"80\"/></Designs>");
  ProgramRun run = Run(list, "card",
                       {{"EXPORT_THUMBNAIL", "true"}, {"THUMBNAIL_WIDTH", "120"}, {"THUMBNAIL_HEIGHT", "90"},
                        {"THUMBNAIL_QUALITY", "Medium"}});
  const std::string m = kMessage;
  EXPECT_TRUE(InOrder(run, {
                               m + "shopcarddesign \"" + Reference("tuck-end.kpx") + "\"",
                               m + "creatingthumbnail",
                               m + "creatingprintitems",
                               m + "shopcardclosingdesign",
                               m + "shopcarddesign \"" + Reference("sheet.MFG") + "\"",
                               "message 0 shapejobs.width.value \"80\"",
                               m + "creatingthumbnail",
                               "message 0 shapejobs.info.embeddeddesigninfo",
                               m + "exportingprintitems",
                               m + "shopcardclosingdesign",
                               "output XML " + Output("card.xml"),
                               "output Thumbnail " + Output("tuck-end_Thumbnail_1.JPG"),
                               "output Thumbnail " + Output("tuck-end_PrintItem_Front_1.JPG"),
                               "output Thumbnail " + Output("tuck-end_PrintItem_Back_1.JPG"),
                               "output Thumbnail " + Output("sheet_Thumbnail_2.JPG"),
                               "output OK " + Output("card.xml"),
                               "result 0",
                           }));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.Starting("output XML ").size(), 1u);
  for (const char* image :
       {"tuck-end_Thumbnail_1.JPG", "tuck-end_PrintItem_Front_1.JPG", "sheet_Thumbnail_2.JPG"}) {
    EXPECT_TRUE(IsJpeg(Output(image))) << image;
  }
  const std::string sheet = ImageExport("sheet_Thumbnail_2.JPG");
  EXPECT_NE(sheet.find("\", 80, 90, "), std::string::npos) << sheet;
  EXPECT_NE(sheet.find(", 50) = 0"), std::string::npos) << sheet;

  // Both descriptions under one "Results" root, each with its "Extra".
  const std::string document = ReadFile(Output("card.xml"));
  EXPECT_TRUE(HasInOrder(document, {"?><Results><DESIGN ", "name=\"tuck-end\"",
                                    "<Extra><Thumbnail><Path>" + Output("tuck-end_Thumbnail_1.JPG"),
                                    "URL=\"" + Output("tuck-end_PrintItem_Front_1.JPG") + "\"",
                                    "</Extra></DESIGN><LAYOUT ", "name=\"sheet\"",
                                    "<Extra><EmbeddedDesigns><Design Name=\"carton\">",
                                    "<Item Name=\"Back\" No_Of_UPs=\"2\"/>", "<Design Name=\"insert\">",
                                    "<Design Name=\"sleeve\">", "</EmbeddedDesigns><Thumbnail><Path>" +
                                        Output("sheet_Thumbnail_2.JPG"),
                                    "</Extra></LAYOUT></Results>"}));
  EXPECT_EQ(document.find("<Results>", document.find("<Results>") + 1), std::string::npos);
}

// A document that cannot be written whole (its file here is the device
// that is always full) fails the input, one design or a list: the failure
// names the file and the system's reason, the document is registered
// nowhere and nothing else is left in the folder.
TEST_F(DesignInfoTest, ADocumentThatCannotBeWrittenFailsNamingTheFileAndWhy) {
  fs::create_directories(Output(""));
  fs::create_symlink("/dev/full", Output("card.xml"));
  const std::string failure = "message 2 shapejobs.message.exception \"" + Output("card.xml") +
                              "\" \"Cannot write the file: No space left on device\"";
  const std::string list = folder_.Write(
      "designs.xml", "<Designs><Design Name=\"tuck-end.kpx\" Path=\"" + folder_.File("designs") + "\"/></Designs>");
  for (const std::string& input : {Design("tuck-end.kpx"), list}) {
    SCOPED_TRACE(input);
    const ProgramRun run = Run(input, "card", {});
    EXPECT_TRUE(InOrder(run, {std::string(kMessage) + "shopcardclosingdesign", failure,
                              "stage shapejobs.stage.ticketfail", "result 2"}));
    EXPECT_TRUE(e2e::Failed(run));
    std::vector<std::string> left;
    for (const fs::directory_entry& entry : fs::directory_iterator(Output(""))) {
      left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"card.xml"});
    EXPECT_TRUE(fs::is_symlink(Output("card.xml")));
  }
}

// Two designs of one ticket and one output name: the second design's
// document takes a name of its own and its thumbnail follows it; the
// first design's files keep their content. Each document is on "XML" and
// "OK" once.
TEST_F(DesignInfoTest, TwoDesignsOfOneOutputNameKeepTheirOwnDocuments) {
  ProgramRun run = Run({Design("tuck-end.kpx"), Design("gift-box.kpx")}, "card", {{"EXPORT_THUMBNAIL", "true"}});
  EXPECT_EQ(run.status, 0);
  const std::vector<std::string> documents = {Output("card.xml"), Output("card_2.xml")};
  for (const char* context : {"output XML ", "output OK "}) {
    std::vector<std::string> files;
    for (const std::string& line : run.Starting(context)) files.push_back(line.substr(std::string(context).size()));
    EXPECT_EQ(files, documents) << context;
  }
  const std::vector<std::string> thumbnails = run.Starting("output Thumbnail ");
  EXPECT_EQ(std::set<std::string>(thumbnails.begin(), thumbnails.end()).size(), thumbnails.size());
  EXPECT_TRUE(run.Has("output Thumbnail " + Output("card.JPG")));
  EXPECT_TRUE(run.Has("output Thumbnail " + Output("card_2.JPG")));
  EXPECT_TRUE(HasInOrder(ReadFile(Output("card.xml")),
                         {"name=\"tuck-end\"", "<Thumbnail><Path>" + Output("card.JPG") + "</Path>"}));
  EXPECT_TRUE(HasInOrder(ReadFile(Output("card_2.xml")),
                         {"name=\"gift-box\"", "<Thumbnail><Path>" + Output("card_2.JPG") + "</Path>"}));
}

}  // namespace
