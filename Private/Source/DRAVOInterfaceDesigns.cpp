// Designs opened for the operations that work on a design file: a design
// of the database saved as a local file, the facts of a design read
// through the standards component and the main control, and the open
// design saved as an operation's output.
#include <xercesc/dom/DOM.hpp>

#include "DRAVOInterface.h"
#include "DravoException.h"
#include "QK_TFile.h"
#include "ShapejobCodes.h"
#include "TW_TTask.h"
#include "XUtilityXml.h"

namespace CAD {

namespace {

// The parameter set that ReadDesignInfo opens a design's standard with; its
// leading blank is part of the text the component receives.
const QK_TString kDesignInfoParameterSet(L" Corrugated - Inch - Single design parameters");
// The four values of the menu-XML call, as the standards component wants
// them for the menus of a whole standard.
constexpr std::int16_t kMenuXmlOptions[] = {2, 0, 0, 0};
// Square millimetres and square inches in square centimetres.
constexpr double kSquareMillimetresPerSquareCentimetre = 100.0;
constexpr double kSquareCentimetresPerSquareInch = 6.4516;

// The name of the file a database design is moved to: its name as a file
// name, never one that names a folder.
QK_TString MovedDesignFileName(const QK_TString& designName) {
  const QK_TString name = DRAVOInterface::SanitizeFileName(designName);
  return (name.Empty() || name == "." || name == "..") ? QK_TString("_") : name;
}

// The first child element of `parent` named `name`, or null.
xercesc::DOMElement* ChildElement(const xercesc::DOMNode* parent, const char* name) {
  for (xercesc::DOMNode* node = parent->getFirstChild(); node != nullptr; node = node->getNextSibling()) {
    if (node->getNodeType() == xercesc::DOMNode::ELEMENT_NODE && FromXerces(node->getNodeName()) == name) {
      return static_cast<xercesc::DOMElement*>(node);
    }
  }
  return nullptr;
}

}  // namespace

QK_TString DRAVOInterface::OpenSplitDesign(const QK_TString& reference, std::int32_t& warningFlag) {
  if (!IsDatabaseReference(reference)) return LocalPathFromFileURL(reference);
  Report(Severity::kInformation, "shapejobs.message.opendesignfromwcr", QK_TAny(reference));
  OpenDesign(reference);
  const QK_TString path = TemporaryFile(".kpx", true).LocalName();
  if (SaveDesign(path) == Status::kDoneWithRemarks) warningFlag = 1;
  return path;
}

int DRAVOInterface::SaveOutputDesign(const QK_TString& path, DeliveredLocations& delivered) {
  const std::int16_t status = SaveDesign(path);
  if (status != Status::kDone && status != Status::kDoneWithRemarks) return 0;
  delivered.Add(QK_TURL::FromLocalPath(path));
  return status == Status::kDoneWithRemarks ? 1 : 0;
}

void DRAVOInterface::OpenLayoutDesign(const QK_TString& reference, std::int16_t& industryCode, QK_TString& localPath,
                                      DesignInfo& designInfo, const QK_TString& units, std::int32_t& warningFlag) {
  try {
    if (IsDatabaseReference(reference)) {
      const QK_TString designName = DatabaseDesignName(reference);
      Report(Severity::kInformation, "shapejobs.message.opendesignfromwcr", QK_TAny(reference));
      OpenDesign(reference);
      industryCode = GetIndustryCode();
      const QK_TURL saved = TemporaryFile(".kpx", false);
      if (SaveDesign(saved.LocalName()) == Status::kDoneWithRemarks) warningFlag = 1;
      // A folder of its own, so that the file can carry the design's name.
      QK_TURL folder = saved;
      folder.SetExtension(QK_TString());
      CreateFolderTree(folder);
      reporter->RegisterTempFile(folder);
      const QK_TURL moved = folder.Child(MovedDesignFileName(designName));
      QK_TFile::Rename(saved, moved);
      reporter->RegisterTempFile(moved);
      CloseDesign();
      localPath = moved.LocalName();
      designInfo = ReadDesignInfo(localPath, designName, units);
    } else {
      localPath = LocalPathFromFileURL(reference);
      designInfo = ReadDesignInfo(localPath, FileNameOfPath(localPath), units);
      OpenDesign(localPath);
      industryCode = GetIndustryCode();
      CloseDesign();
    }
  } catch (const DravoError& e) {
    Report(Severity::kError, "shapejobs.error.invaliddesignpath", QK_TAny(e.QK_Message()));
    QK_THROW(EmptyDesignNameException());
  }
  if (!QK_TFileInfo::ExistsEx(QK_TURL::LocalToURL(localPath))) {
    Report(Severity::kError, "shapejobs.error.invaliddesignpath", QK_TAny(localPath));
    QK_THROW(EmptyDesignNameException());
  }
}

DesignInfo DRAVOInterface::ReadDesignInfo(const QK_TString& path, const QK_TString& designName,
                                          const QK_TString& units) {
  DesignInfo info;
  try {
    const QK_TURL menuFile = TemporaryFile(".xml", false);
    OpenStandard(path, kOpenStandardOption, StandardUnit::kInch, kDesignInfoParameterSet, QK_TString());
    GetMenuXml(menuFile.LocalName(), kMenuXmlOptions[0], kMenuXmlOptions[1], kMenuXmlOptions[2],
               kMenuXmlOptions[3]);
    SaveStandardDesign(TemporaryFile(".kpx", false).LocalName());

    std::vector<QK_TString> names;
    const XmlDocument menus = ParseXMLFile(menuFile);
    xercesc::DOMNodeList* found = menus->getElementsByTagName(ToXmlText("Menu").c_str());
    if (found->getLength() == 0) {
      Report(Severity::kInformation, "shapejobs.message.nodenotfound", QK_TAny("Menu"));
    } else if (xercesc::DOMElement* variables = ChildElement(found->item(0), "Variables")) {
      for (xercesc::DOMNode* node = variables->getFirstChild(); node != nullptr; node = node->getNextSibling()) {
        if (node->getNodeType() != xercesc::DOMNode::ELEMENT_NODE || FromXerces(node->getNodeName()) != "Variable") {
          continue;
        }
        names.push_back(
            FromXerces(static_cast<xercesc::DOMElement*>(node)->getAttribute(ToXmlText("name").c_str())));
      }
    }

    OpenDesign(path);
    info.designName = designName;
    info.boardCode = GetText63();
    info.boardDescription = GetText64();
    info.industryCode = GetIndustryCode();
    const std::int16_t wanted = units.EqualsIgnoreCase("mm") ? UnitCode::kMillimetres : UnitCode::kInches;
    if (GetUnit() != wanted) SetOption29(wanted);
    const double area = EvaluateNumericExpression("#AREA");
    if (wanted == UnitCode::kMillimetres) {
      info.units = "millimeters";
      info.productBlankArea = area / kSquareMillimetresPerSquareCentimetre;
    } else {
      info.units = "inches";
      info.productBlankArea = area * kSquareCentimetresPerSquareInch;
    }
    info.manufacturingSizeX = EvaluateNumericExpression("#MANSIZEX");
    info.manufacturingSizeY = EvaluateNumericExpression("#MANSIZEY");
    for (const QK_TString& name : names) info.values.emplace(name, GetVariableValue(name));
    CloseDesign();
  } catch (const DravoError& e) {
    Report(Severity::kError, "shapejobs.message.error", QK_TAny(e.QK_Message()));
    QK_THROW(EmptyDesignNameException());
  } catch (const StandardNotFoundException& e) {
    Report(Severity::kError, "shapejobs.message.standardnotfound", QK_TAny(e.QK_Message()));
    QK_THROW(EmptyDesignNameException());
  }
  return info;
}

}  // namespace CAD
