// The design record of the open design: parties looked up and set, the
// description set by a command file, the objects released on every path.
#include <gtest/gtest.h>

#include "AfxDisp.h"
#include "ConnectedTask.h"
#include "DravoException.h"
#include "QK_TFile.h"

namespace {

using ::testing::_;
using ::testing::InSequence;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::StrictMock;

class DesignRecordTest : public TaskTest {
 protected:
  void ExpectReleases(MockDriver& driver) {
    InSequence order;
    EXPECT_CALL(driver, ReleaseDesignRecord());
    EXPECT_CALL(driver, ReleasePerson());
    EXPECT_CALL(driver, ReleaseCompany());
  }
};

TEST_F(DesignRecordTest, AnEmptyRecordLooksNothingUpAndReleasesAll) {
  StrictMock<MockDriver> cad(&task);
  {
    InSequence order;
    EXPECT_CALL(cad, InitCompany());
    EXPECT_CALL(cad, InitPerson());
    EXPECT_CALL(cad, OpenDesignRecord());
  }
  ExpectReleases(cad);
  EXPECT_EQ(cad.SetDesignPeople(CAD::DBInfo()), 0);
  EXPECT_TRUE(sink.events.empty());
}

TEST_F(DesignRecordTest, PartiesNotFoundOrRefusedAreWarningsAndTheOthersAreStillSet) {
  NiceMock<MockDriver> cad(&task);
  CAD::DBInfo info;
  info.customerLocation = "Hamburg";  // a location alone is looked up
  info.ownerName = "Nobody";
  info.salespersonFirstName = "Ann";
  info.designerLastName = "Roe";
  EXPECT_CALL(cad, FindCompany(QK_TString(""), QK_TString("Hamburg"))).WillOnce(Return(QK_TString("17")));
  EXPECT_CALL(cad, FindCompany(QK_TString("Nobody"), QK_TString(""))).WillOnce(Return(QK_TString()));
  EXPECT_CALL(cad, FindPerson(QK_TString("Ann"), QK_TString(""))).WillOnce(Return(QK_TString("5")));
  EXPECT_CALL(cad, FindPerson(QK_TString(""), QK_TString("Roe"))).WillOnce(Return(QK_TString("6")));
  EXPECT_CALL(cad, SetDesignCustomer(17, -1)).WillOnce(Return(0));
  EXPECT_CALL(cad, SetDesignOwner(_, _)).Times(0);
  EXPECT_CALL(cad, SetDesignSalesperson(5, -1)).WillOnce(Return(0));
  EXPECT_CALL(cad, SetDesignDesigner(6, -1)).WillOnce(Return(4));
  EXPECT_CALL(cad, GetErrorString()).WillOnce(Return(QK_TString("no such designer")));
  EXPECT_EQ(cad.SetDesignPeople(info), 1);
  EXPECT_EQ(sink.events, (std::vector<std::string>{
                             "message 0 shapejobs.message.addedcustomer",
                             "message 0 shapejobs.message.ownernotfound Nobody ",
                             "message 0 shapejobs.message.addedsalesperson",
                             "message 1 shapejobs.message.dravoerrorstring no such designer",
                         }));
}

TEST_F(DesignRecordTest, TheDescriptionIsOneCommandLineWithItsQuotesKept) {
  NiceMock<MockDriver> cad(&task);
  CAD::DBInfo info;
  info.designDescription = "Box 'A'\r\nsecond\tline";
  std::string written;
  EXPECT_CALL(cad, RunCommand(_)).WillOnce([&](const QK_TString& command) {
    EXPECT_EQ(command.str().rfind("EXE /", 0), 0u) << command.str();
    written = QK_TFile::ReadAll(QK_TURL::FromLocalPath(command.Substring(4))).str();
    return CAD::Status::kDone;
  }).WillOnce(Return(1));
  EXPECT_EQ(cad.SetDesignPeople(info), 0);
  EXPECT_EQ(written, "dset DBREC.DESC$ = 'Box 'A'  second line'\n");
  EXPECT_EQ(sink.events, std::vector<std::string>{"message 0 shapejobs.message.addeddescription"});

  sink.events.clear();
  ON_CALL(cad, GetErrorString()).WillByDefault(Return(QK_TString("bad command")));
  EXPECT_EQ(cad.SetDesignPeople(info), 1);
  EXPECT_EQ(sink.events, std::vector<std::string>{"message 1 shapejobs.message.dravoerrorstring bad command"});
}

TEST_F(DesignRecordTest, FailuresReleaseTheObjectsFirst) {
  NiceMock<MockDriver> cad(&task);
  CAD::DBInfo info;
  info.ownerName = "Acme";
  EXPECT_CALL(cad, FindCompany(_, _)).WillOnce([](auto&&...) -> QK_TString { AfxThrowOleException(E_FAIL); });
  ExpectReleases(cad);
  try {
    cad.SetDesignPeople(info);
    ADD_FAILURE() << "no exception";
  } catch (const CAD::DravoRuntimeException& e) {
    EXPECT_EQ(e.QK_Message().str(), "Add database information failed");
  }

  NiceMock<MockDriver> noTask(nullptr);
  info = CAD::DBInfo();
  info.designDescription = "x";
  ExpectReleases(noTask);
  EXPECT_THROW(noTask.SetDesignPeople(info), QK_EException) << "the command file needs the task";
}

}  // namespace
