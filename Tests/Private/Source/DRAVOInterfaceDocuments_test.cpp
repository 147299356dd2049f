// XML documents of the CAD operations: texts written with their
// declaration, files parsed (and their errors), document kinds.
#include <xercesc/dom/DOM.hpp>

#include <gtest/gtest.h>

#include "ConnectedTask.h"
#include "DravoException.h"
#include "QK_TFile.h"
#include "XUtilityXml.h"

namespace {

using CAD::DRAVOInterface;

class DocumentsTest : public TaskTest {
 protected:
  QK_TURL File(const char* name, const char* content) {
    return QK_TURL::FromLocalPath(QK_TString(folder.Write(name, content)));
  }
  testing::NiceMock<MockDriver> cad{&task};
};

TEST_F(DocumentsTest, XmlTextsAreWrittenAfterTheDeclaration) {
  const QK_TURL target = folder.Url().Child("out.xml");
  cad.WriteXMLText("<Results/>", target);
  cad.WriteXMLText("<Results><R/></Results>", target);
  EXPECT_EQ(QK_TFile::ReadAll(target).str(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Results><R/></Results>");
  const std::string named = target.ToString().str();
  EXPECT_EQ(sink.events, (std::vector<std::string>{"message 0 shapejobs.info.Writing " + named,
                                                   "message 0 shapejobs.info.Overwriting " + named}));
}

TEST_F(DocumentsTest, TheKindIsTheFirstDesignOrLayoutElement) {
  EXPECT_EQ(DRAVOInterface::GetDocumentKind(File("a.xml", "<!-- c --><LAYOUT/>")).str(), "MFG");
  EXPECT_EQ(DRAVOInterface::GetDocumentKind(File("b.xml", "<DESIGN><LAYOUT/></DESIGN>")).str(), "DESIGN");
  EXPECT_EQ(DRAVOInterface::GetDocumentKind(File("c.xml", "<DOCUMENT><DESIGN/></DOCUMENT>")).str(), "");
}

TEST_F(DocumentsTest, AParsedDocumentOutlivesTheParse) {
  const CAD::XmlDocument document = DRAVOInterface::ParseXMLFile(File("d.xml", "<Menus><Menu name='M'/></Menus>"));
  const auto* menu = static_cast<xercesc::DOMElement*>(document->getDocumentElement()->getFirstChild());
  EXPECT_EQ(CAD::FromXerces(menu->getAttribute(CAD::ToXmlText("name").c_str())).str(), "M");
}

TEST_F(DocumentsTest, ParseErrorsBecomeTheProgramsExceptions) {
  try {
    DRAVOInterface::ParseXMLFile(File("bad.xml", "<a>\n<b></a>"));
    ADD_FAILURE() << "no exception";
  } catch (const CAD::InvalidXMLException& e) {
    EXPECT_EQ(e.QK_Message().str().rfind("Error at line 2 column ", 0), 0u) << e.QK_Message().str();
  }
  EXPECT_THROW(DRAVOInterface::ParseXMLFile(folder.Url().Child("missing.xml")), QK_EException);
}

}  // namespace
