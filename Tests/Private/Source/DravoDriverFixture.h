// Test fixture of the two CAD drivers: a scripted CAD application whose
// automation objects are registered under the application's ProgIDs and
// write every call they get to one journal, in the order the driver made
// them, and a driver of either kind started on it.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "AfxDisp.h"
#include "DRAVOWrapper.h"
#include "EDRAVOWrapper.h"
#include "RecordingSink.h"
#include "ScriptedDispatch.h"
#include "Shapejob.h"

using Journal = std::vector<std::string>;
using Response = ScriptedDispatch::Response;

// Test texts are plain ASCII.
inline std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A scripted automation object that writes each call as
// "<name> method 2 (VT_BSTR a.kpx, VT_I2 1)" and each released reference as
// "<name> Release" to the journal it shares with the other objects.
class TestObject : public OLE_TDispatchBase {
 public:
  static TestObject* Create(std::string name, std::shared_ptr<Journal> journal) {
    return new TestObject(std::move(name), std::move(journal));
  }

  // The standing answer of member `id` called as `kind`.
  Response& On(DISPID id, WORD kind = DISPATCH_METHOD) { return standing_[{id, kind}]; }
  // A one-time answer; queued answers are used up in order before the
  // standing one.
  Response& Next(DISPID id, WORD kind = DISPATCH_METHOD) { return queued_[{id, kind}].emplace_back(); }

  ULONG Release() override {
    if (!HarnessAtWork()) journal_->push_back(name_ + " Release");
    return OLE_TDispatchBase::Release();
  }

  HRESULT Invoke(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result, EXCEPINFO* error) override {
    // Replacing the answer may drop the script's own reference to an object
    // handed out before; that is no release of the code under test.
    HarnessAtWork() = true;
    scripted_->On(id, kind) = TakeAnswer(id, kind);
    HarnessAtWork() = false;
    const HRESULT hr = scripted_->Invoke(id, kind, args, count, result, error);
    journal_->push_back(name_ + " " + Narrow(scripted_->calls.back().Text()));
    return hr;
  }

  const std::string& Name() const { return name_; }

 private:
  TestObject(std::string name, std::shared_ptr<Journal> journal)
      : name_(std::move(name)), journal_(std::move(journal)), scripted_(ScriptedDispatch::Create()) {}
  ~TestObject() override { scripted_->Release(); }

  static bool& HarnessAtWork() {
    static bool atWork = false;
    return atWork;
  }

  Response TakeAnswer(DISPID id, WORD kind) {
    auto& queue = queued_[{id, kind}];
    if (!queue.empty()) {
      Response next = queue.front();
      queue.pop_front();
      return next;
    }
    auto standing = standing_.find({id, kind});
    if (standing != standing_.end()) return standing->second;
    Response unknown;
    unknown.Fails(DISP_E_MEMBERNOTFOUND);
    return unknown;
  }

  std::string name_;
  std::shared_ptr<Journal> journal_;
  ScriptedDispatch* scripted_;
  std::map<std::pair<DISPID, WORD>, Response> standing_;
  std::map<std::pair<DISPID, WORD>, std::deque<Response>> queued_;
};

// The CAD application of one test: its objects, registered under the
// ProgIDs of the driver's kind (replacing whatever was registered there) and
// answering the start-up, the error-text calls and the calls that hand out
// the layout object and the design record. Unregisters them when it goes.
class ScriptedCad {
 public:
  explicit ScriptedCad(bool enterprise) : enterprise_(enterprise) {
    main = Add("main");
    standards = Add("standards");
    layout = Add("layout");
    main->On(Id(51, 45)).WritesOut(0, L"12.0").Returns(short{0});
    main->On(Id(79, 71));
    main->On(Id(31, 25)).WritesOut(0, L"main error").Returns(short{0});
    main->On(Id(87, 76)).Returns(layout);
    standards->On(Id(7, 8)).Returns(L"std error");
    layout->On(9).Returns(L"layout error");
    if (enterprise) {
      main->On(1).Returns(short{0});
      main->On(107).Returns(short{0});
      standards->On(1).Returns(short{0});
      Register(L"FolvaneCAD-X.EDravoCtrl.1", main);
      Register(L"FolvaneCAD-X.EDravoStandard.1", standards);
      return;
    }
    record = Add("record");
    connection = Add("connection");
    company = Add("company");
    person = Add("person");
    main->On(52).Returns(record);
    connection->On(1).Returns(std::int32_t{0});
    company->On(24, DISPATCH_PROPERTYPUT);
    person->On(8, DISPATCH_PROPERTYPUT);
    Register(L"FolvaneCAD-X.DravoCtrl.1", main);
    Register(L"FolvaneCAD-X.DravoStandard.1", standards);
    Register(L"Quillmarsh.Connection.1", connection);
    Register(L"Quillmarsh.Customer.1", company);
    Register(L"Quillmarsh.personobject.1", person);
  }

  ~ScriptedCad() {
    for (const std::wstring& progId : registered_) OLE_UnregisterProgID(progId);
    for (TestObject* object : objects_) object->Release();
  }
  ScriptedCad(const ScriptedCad&) = delete;
  ScriptedCad& operator=(const ScriptedCad&) = delete;

  // A further object, such as a menu or an item handed out by a control.
  TestObject* Add(const std::string& name) {
    TestObject* object = TestObject::Create(name, journal);
    objects_.push_back(object);
    return object;
  }
  TestObject& Object(const std::string& name) const {
    for (TestObject* object : objects_) {
      if (object->Name() == name) return *object;
    }
    throw std::logic_error("no test object named " + name);
  }

  void Unregister(const std::wstring& progId) { OLE_UnregisterProgID(progId); }

  // The dispatch id of the driver's kind.
  DISPID Id(DISPID conventional, DISPID enterprise) const { return enterprise_ ? enterprise : conventional; }

  // The journal lines that start with `prefix`.
  Journal Lines(const std::string& prefix) const {
    Journal found;
    for (const std::string& line : *journal) {
      if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    }
    return found;
  }

  std::shared_ptr<Journal> journal = std::make_shared<Journal>();
  TestObject* main = nullptr;
  TestObject* standards = nullptr;
  TestObject* layout = nullptr;
  TestObject* record = nullptr;
  TestObject* connection = nullptr;
  TestObject* company = nullptr;
  TestObject* person = nullptr;

 private:
  // Every object the factory makes is `object`; each creation is journaled.
  void Register(const std::wstring& progId, TestObject* object) {
    object->AddRef();
    std::shared_ptr<TestObject> held(object, [](TestObject* shared) { shared->Release(); });
    std::shared_ptr<Journal> log = journal;
    OLE_RegisterProgID(progId, [held, log, progId]() -> IDispatch* {
      log->push_back("create " + Narrow(progId));
      held->AddRef();
      return held.get();
    });
    registered_.push_back(progId);
  }

  bool enterprise_;
  std::vector<TestObject*> objects_;
  std::vector<std::wstring> registered_;
};

struct DriverSetting {
  bool enterprise;
  bool reporter;
};

inline std::string SettingName(const ::testing::TestParamInfo<DriverSetting>& info) {
  return std::string(info.param.enterprise ? "Enterprise" : "Conventional") +
         (info.param.reporter ? "" : "WithoutReporter");
}

inline std::string Describe(const QK_EException& e) {
  std::string text = std::string(e.ClassName()) + ": " + e.QK_Message().str();
  if (!e.QK_Data().IsIllegal()) text += " [" + e.QK_Data().ToText().str() + "]";
  return text;
}

// A driver test for one setting. Each test leaves the apartment count, the
// automation objects and strings and the framework exceptions as it found
// them.
class DriverTest : public ::testing::TestWithParam<DriverSetting> {
 protected:
  DriverTest() : enterprise_(GetParam().enterprise), reporter_(GetParam().reporter) {
    task.Prepare(TW_TTaskSetup(), &sink);
  }

  void SetUp() override {
    apartments_ = OLE_ApartmentCount();
    objects_ = OLE_TDispatchBase::LiveObjectCount();
    strings_ = OLE_LiveStringCount();
    exceptions_ = CException::LiveCount();
    cad = std::make_unique<ScriptedCad>(enterprise_);
  }

  void TearDown() override {
    driver.reset();
    cad.reset();
    ExpectNothingLeft();
  }

  // A new scripted application, without a driver.
  void Restart() {
    driver.reset();
    cad.reset();
    ExpectNothingLeft();
    sink.events.clear();
    cad = std::make_unique<ScriptedCad>(enterprise_);
  }

  // Constructs the driver of the test's kind on `cad`.
  void Start() {
    TW_TTask* reporter = reporter_ ? &task : nullptr;
    if (enterprise_) {
      driver = std::make_unique<CAD::EDRAVOWrapper>(reporter, "site-1", "ann", "secret");
    } else {
      driver = std::make_unique<CAD::DRAVOWrapper>(reporter);
    }
  }

  // What `run` gave: its own text, or the exception it threw (a framework
  // exception is deleted, as its catcher must).
  std::string Outcome(const std::function<std::string()>& run) const {
    try {
      return run();
    } catch (const QK_EException& e) {
      EXPECT_EQ(e.QK_ExceptionFile(), QK_TString(enterprise_ ? "EDRAVOWrapper" : "DRAVOWrapper")) << Describe(e);
      return Describe(e);
    } catch (COleDispatchException* e) {
      std::string text = "COleDispatchException " + Narrow(e->m_strSource.GetString()) + " - " +
                         Narrow(e->m_strDescription.GetString());
      e->Delete();
      return text;
    } catch (CException* e) {
      std::string text = QK_TString::Format("COleException %x", static_cast<unsigned>(COleException::Process(e))).str();
      e->Delete();
      return text;
    }
  }

  // `messages` when the driver has a reporter, else none.
  std::vector<std::string> Reported(std::vector<std::string> messages) const {
    return reporter_ ? messages : std::vector<std::string>();
  }

  void ExpectNothingLeft() const {
    EXPECT_EQ(OLE_ApartmentCount(), apartments_);
    EXPECT_EQ(OLE_TDispatchBase::LiveObjectCount(), objects_);
    EXPECT_EQ(OLE_LiveStringCount(), strings_);
    EXPECT_EQ(CException::LiveCount(), exceptions_);
  }

  bool Enterprise() const { return enterprise_; }
  bool HasReporter() const { return reporter_; }
  int ApartmentsAtStart() const { return apartments_; }

  RecordingSink sink;
  CAD::Task task;
  std::unique_ptr<ScriptedCad> cad;
  std::unique_ptr<CAD::DravoDriver> driver;

 private:
  bool enterprise_;
  bool reporter_;
  int apartments_ = 0;
  long objects_ = 0;
  long strings_ = 0;
  long exceptions_ = 0;
};

inline void PrintTo(const DriverSetting& setting, std::ostream* out) {
  *out << (setting.enterprise ? "enterprise" : "conventional") << (setting.reporter ? "" : " without reporter");
}
