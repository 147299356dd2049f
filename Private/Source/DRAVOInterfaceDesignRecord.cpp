// The database record of the open design: its customer, owner, salesperson
// and designer looked up by name, and its description set by a command.
#include <cctype>
#include <string>

#include "AfxDisp.h"
#include "DRAVOInterface.h"
#include "DravoException.h"
#include "QK_TFile.h"
#include "ShapejobCodes.h"

namespace CAD {

namespace {

// One party of the record: the two texts it is looked up by, how, the
// setter of the found id and the keys of its two outcomes.
struct Party {
  const QK_TString& first;
  const QK_TString& second;
  QK_TString (DRAVOInterface::*find)(const QK_TString&, const QK_TString&);
  std::int16_t (DRAVOInterface::*set)(std::int32_t, std::int32_t);
  const char* notFoundKey;
  const char* addedKey;
};

// The second id of every setter: the record keeps no second party.
constexpr std::int32_t kNoSecondId = -1;

// The description on one command line: control characters (line ends
// among them) would end the command early, so they become blanks.
QK_TString SingleLine(const QK_TString& text) {
  std::string line = text.str();
  for (char& c : line) {
    if (std::iscntrl(static_cast<unsigned char>(c))) c = ' ';
  }
  return QK_TString(line);
}

}  // namespace

std::int32_t DRAVOInterface::SetDesignPeople(const DBInfo& info) {
  std::int32_t result = 0;
  const Party parties[] = {
      {info.customerName, info.customerLocation, &DRAVOInterface::FindCompany, &DRAVOInterface::SetDesignCustomer,
       "shapejobs.message.customernotfound", "shapejobs.message.addedcustomer"},
      {info.ownerName, info.ownerLocation, &DRAVOInterface::FindCompany, &DRAVOInterface::SetDesignOwner,
       "shapejobs.message.ownernotfound", "shapejobs.message.addedowner"},
      {info.salespersonFirstName, info.salespersonLastName, &DRAVOInterface::FindPerson,
       &DRAVOInterface::SetDesignSalesperson, "shapejobs.message.salespersonnotfound",
       "shapejobs.message.addedsalesperson"},
      {info.designerFirstName, info.designerLastName, &DRAVOInterface::FindPerson,
       &DRAVOInterface::SetDesignDesigner, "shapejobs.message.designernotfound", "shapejobs.message.addeddesigner"},
  };

  auto release = [this] {
    ReleaseDesignRecord();
    ReleasePerson();
    ReleaseCompany();
  };
  // A step the CAD application refused: its error text, and a warning.
  auto refused = [&] {
    Report(Severity::kWarning, "shapejobs.message.dravoerrorstring", QK_TAny(GetErrorString()));
    result = 1;
  };

  try {
    InitCompany();
    InitPerson();
    OpenDesignRecord();
    for (const Party& party : parties) {
      if (party.first.Empty() && party.second.Empty()) continue;
      const QK_TString id = (this->*party.find)(party.first, party.second);
      if (id.Empty()) {
        Report(Severity::kInformation, party.notFoundKey, QK_TAny(party.first), QK_TAny(party.second));
        result = 1;
      } else if ((this->*party.set)(std::stoi(id.str()), kNoSecondId) != Status::kDone) {
        refused();
      } else {
        Report(Severity::kInformation, party.addedKey);
      }
    }
    if (!info.designDescription.Empty()) {
      const QK_TURL command = TemporaryFile(".txt", true);
      try {
        QK_TFile::WriteAll(command, "dset DBREC.DESC$ = '" + SingleLine(info.designDescription) + "'\n");
      } catch (const QK_EException&) {
        // Not written: the CAD application then refuses the command, which is reported below.
      }
      if (RunCommand("EXE " + command.LocalName()) != Status::kDone) {
        refused();
      } else {
        Report(Severity::kInformation, "shapejobs.message.addeddescription");
      }
    }
  } catch (CException* caught) {
    release();
    QK_THROW(DravoRuntimeExceptionFromOle(QK_TString("Add database information failed"), caught));
  } catch (...) {
    release();
    throw;
  }
  release();
  return result;
}

}  // namespace CAD
