// Starting and releasing the CAD application's controls: the order of the
// start-up calls and messages, the enterprise logins, the failures to
// start, the apartment and every automation object given back.
#include <algorithm>

#include "DravoDriverFixture.h"

namespace {

const char* const kLogin = "(VT_BSTR site-1, VT_BSTR ann, VT_BSTR secret, VT_I2 0, VT_I2 0)";

Journal ExpectedStartUp(bool enterprise) {
  if (!enterprise) {
    return {"create FolvaneCAD-X.DravoCtrl.1",     "main method 51 (VT_BYREF|VT_BSTR )", "main method 79 (VT_I2 2)",
            "create FolvaneCAD-X.DravoStandard.1", "main method 51 (VT_BYREF|VT_BSTR )", "main method 79 (VT_I2 2)"};
  }
  return {"create FolvaneCAD-X.EDravoCtrl.1",
          "main method 45 (VT_BYREF|VT_BSTR )",
          "main method 71 (VT_I2 2)",
          std::string("main method 1 ") + kLogin,
          "main method 107 (VT_I4 0)",
          "create FolvaneCAD-X.EDravoStandard.1",
          "main method 45 (VT_BYREF|VT_BSTR )",
          "main method 71 (VT_I2 2)",
          std::string("standards method 1 ") + kLogin};
}

std::vector<std::string> StartUpMessages(bool enterprise) {
  std::vector<std::string> messages = {
      "message 0 shapejobs.message.dravostarting", "message 0 shapejobs.message.dravoversion 12.0",
      "message 0 shapejobs.message.dravostdstarting", "message 0 shapejobs.message.dravoversion 12.0"};
  if (enterprise) messages.push_back("message 0 shapejobs.message.logindone");
  return messages;
}

using LifetimeTest = DriverTest;

TEST_P(LifetimeTest, StartsBothControlsInOrderAndReportsTheVersionTwice) {
  Start();
  EXPECT_EQ(*cad->journal, ExpectedStartUp(Enterprise()));
  EXPECT_EQ(sink.events, Reported(StartUpMessages(Enterprise())));
  EXPECT_EQ(OLE_ApartmentCount(), ApartmentsAtStart() + 1);

  driver.reset();
  EXPECT_EQ(OLE_ApartmentCount(), ApartmentsAtStart());
}

TEST_P(LifetimeTest, ChangingServersPairsEachStartWithOneRelease) {
  for (int server = 0; server < 2; ++server) {
    Restart();
    Start();
    EXPECT_EQ(OLE_ApartmentCount(), ApartmentsAtStart() + 1);
  }
}

TEST_P(LifetimeTest, DestructionReleasesEveryHeldObjectOnceAndTheConnectionBeforeTheControls) {
  Start();
  driver->GetLayoutObject();
  std::vector<std::string> held = {"main Release", "standards Release", "layout Release"};
  if (!Enterprise()) {
    driver->InitConnection("dsn");
    driver->InitCompany();
    driver->InitPerson();
    driver->OpenDesignRecord();
    held.insert(held.end(), {"connection Release", "company Release", "person Release", "record Release"});
  }
  cad->journal->clear();
  driver.reset();

  const Journal& released = *cad->journal;
  for (const std::string& line : held) EXPECT_EQ(std::count(released.begin(), released.end(), line), 1) << line;
  EXPECT_EQ(released.size(), held.size());
  auto position = [&](const char* line) {
    return std::find(released.begin(), released.end(), line) - released.begin();
  };
  EXPECT_LT(position("main Release"), position("standards Release"));
  if (!Enterprise()) {
    EXPECT_LT(position("connection Release"), position("main Release"));
  }
  // TearDown checks that nothing else is still alive.
}

// A way for the start to fail, and what the constructor throws.
struct StartFailure {
  const char* name;
  bool enterpriseOnly;
  std::function<void(ScriptedCad&)> arrange;
  std::string conventional;
  std::string enterprise;
};

const std::vector<StartFailure>& StartFailures() {
  static const std::vector<StartFailure> failures = {
      {"main control not registered", false,
       [](ScriptedCad& cad) {
         cad.Unregister(L"FolvaneCAD-X.DravoCtrl.1");
         cad.Unregister(L"FolvaneCAD-X.EDravoCtrl.1");
       },
       "DravoRuntimeException: Failed to initialize Dravo [Class not registered\r\n]",
       "DravoRuntimeException: Failed to initialize EDravo [Class not registered\r\n]"},
      {"standards component not registered", false,
       [](ScriptedCad& cad) {
         cad.Unregister(L"FolvaneCAD-X.DravoStandard.1");
         cad.Unregister(L"FolvaneCAD-X.EDravoStandard.1");
       },
       "DravoRuntimeException: Failed to initialize Dravo Standard [Class not registered\r\n]",
       "DravoRuntimeException: Failed to initialize EDravo Standard [Class not registered\r\n]"},
      {"version raising", false,
       [](ScriptedCad& cad) { cad.main->On(cad.Id(51, 45)).Raises(1, L"Dravo", L"no licence"); },
       "DravoRuntimeException: Failed to initialize Dravo [Dravo - no licence]",
       "DravoRuntimeException: Failed to initialize EDravo [Dravo - no licence]"},
      {"second start failing", false,
       [](ScriptedCad& cad) {
         cad.main->Next(cad.Id(79, 71));
         cad.main->On(cad.Id(79, 71)).Fails(E_FAIL);
       },
       "DravoRuntimeException: Failed to initialize Dravo Standard [Unspecified error\r\n]",
       "DravoRuntimeException: Failed to initialize EDravo Standard [Unspecified error\r\n]"},
      {"main login raising", true, [](ScriptedCad& cad) { cad.main->On(1).Raises(1, L"Dravo", L"gone"); }, "",
       "DravoRuntimeException: Failed to initialize EDravo [Dravo - gone]"},
      {"method 107 raising", true, [](ScriptedCad& cad) { cad.main->On(107).Raises(1, L"Dravo", L"late"); }, "",
       "DravoRuntimeException: Failed to initialize EDravo [Dravo - late]"},
      {"standards login raising", true, [](ScriptedCad& cad) { cad.standards->On(1).Raises(1, L"Std", L"gone"); }, "",
       "DravoRuntimeException: Failed to initialize EDravo Standard [Std - gone]"},
  };
  return failures;
}

TEST_P(LifetimeTest, FailedStartThrowsAndLeavesNothingBehind) {
  for (const StartFailure& failure : StartFailures()) {
    if (failure.enterpriseOnly && !Enterprise()) continue;
    SCOPED_TRACE(failure.name);
    failure.arrange(*cad);
    EXPECT_EQ(Outcome([&] {
                Start();
                return std::string("started");
              }),
              Enterprise() ? failure.enterprise : failure.conventional);
    EXPECT_EQ(driver, nullptr);
    Restart();
  }
}

INSTANTIATE_TEST_SUITE_P(BothDrivers, LifetimeTest,
                         ::testing::Values(DriverSetting{false, true}, DriverSetting{true, true},
                                           DriverSetting{false, false}, DriverSetting{true, false}),
                         SettingName);

using EnterpriseLoginTest = DriverTest;

TEST_P(EnterpriseLoginTest, RefusedMainLoginReadsTheErrorTextAndGoesNoFurther) {
  cad->main->On(1).Returns(short{3});
  EXPECT_EQ(Outcome([&] {
              Start();
              return std::string("started");
            }),
            "LoginFailed: main error");
  EXPECT_EQ(driver, nullptr);
  EXPECT_EQ(cad->Lines("main method"),
            (Journal{"main method 45 (VT_BYREF|VT_BSTR )", "main method 71 (VT_I2 2)",
                     std::string("main method 1 ") + kLogin, "main method 25 (VT_BYREF|VT_BSTR )"}));
  EXPECT_TRUE(cad->Lines("create FolvaneCAD-X.EDravoStandard").empty());
}

TEST_P(EnterpriseLoginTest, RefusedStandardsLoginIsReportedDoneBeforeItThrows) {
  cad->standards->On(1).Returns(short{2});
  EXPECT_EQ(Outcome([&] {
              Start();
              return std::string("started");
            }),
            "LoginFailed: main error");
  EXPECT_EQ(driver, nullptr);
  EXPECT_EQ(cad->Lines("main method").back(), "main method 25 (VT_BYREF|VT_BSTR )");
  EXPECT_EQ(cad->Lines("standards method"), (Journal{std::string("standards method 1 ") + kLogin}));
  EXPECT_EQ(sink.events, Reported(StartUpMessages(true)));
}

INSTANTIATE_TEST_SUITE_P(Enterprise, EnterpriseLoginTest,
                         ::testing::Values(DriverSetting{true, true}, DriverSetting{true, false}), SettingName);

// The design-database objects are the conventional driver's own.
using DatabaseObjectTest = DriverTest;

TEST_P(DatabaseObjectTest, AnObjectThatCannotBeCreatedFailsWithItsOwnText) {
  struct Case {
    const wchar_t* progId;
    std::function<void(CAD::DravoDriver&)> init;
    std::string outcome;
  };
  const std::vector<Case> cases = {
      {L"Quillmarsh.Connection.1", [](CAD::DravoDriver& d) { d.InitConnection("dsn"); },
       "DravoRuntimeException: Failed to initialize DravoConnection [Class not registered\r\n]"},
      {L"Quillmarsh.Customer.1", [](CAD::DravoDriver& d) { d.InitCompany(); },
       "DravoRuntimeException: Failed to initialize CCustomerObject [Class not registered\r\n]"},
      {L"Quillmarsh.personobject.1", [](CAD::DravoDriver& d) { d.InitPerson(); },
       "DravoRuntimeException: Failed to initialize CPersonObject [Class not registered\r\n]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.progId));
    Start();
    cad->Unregister(c.progId);
    EXPECT_EQ(Outcome([&] {
                c.init(*driver);
                return std::string("done");
              }),
              c.outcome);
    Restart();
  }
}

INSTANTIATE_TEST_SUITE_P(Conventional, DatabaseObjectTest, ::testing::Values(DriverSetting{false, true}), SettingName);

}  // namespace
