// The main control's design database: the ODBC data source it works on and
// the open design's database record.
#include "FolvaneCADControl.h"

namespace FolvaneCAD {

namespace {

// The open design's database record: methods 1, 3, 4 and 5 set the
// customer, owner, designer and salesperson (id, and a second number that
// is not used); each answers a status.
class DesignRecordObject : public StandInObject {
 public:
  explicit DesignRecordObject(MainControl* control) : control_(control) { control_->AddRef(); }

 protected:
  HRESULT Respond(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result,
                  EXCEPINFO* error) override {
    const char* attribute = AttributeOf(id);
    if (kind != DISPATCH_METHOD || attribute == nullptr) return DISP_E_MEMBERNOTFOUND;
    HRESULT checked = CheckArguments("ll", args, count);
    if (FAILED(checked)) return checked;
    return Answer::Status(control_->SetRecordId(attribute, Arguments(args, count).Integer(0))).Deliver(result, error);
  }

 private:
  ~DesignRecordObject() override { control_->Release(); }

  static const char* AttributeOf(DISPID id) {
    switch (id) {
      case 1: return "customerId";
      case 3: return "ownerId";
      case 4: return "designerId";
      case 5: return "salespersonId";
      default: return nullptr;
    }
  }

  MainControl* control_;
};

}  // namespace

Answer MainControl::Connect(const Arguments& args) {
  const QK_TString dataSource = args.Text(0).Trim();
  auto database = std::make_unique<DatabaseConnection>(dataSource, args.Text(1), args.Text(2));
  if (!database->Connected()) {
    return Fail(VT_I2, kStatusFailed, "Cannot connect to the data source " + dataSource + ": " + database->Error());
  }
  database_ = std::move(database);
  dataSource_ = dataSource;
  return Answer::Status(kStatusOk);
}

Answer MainControl::Disconnect() {
  database_.reset();
  dataSource_ = QK_TString();
  return Answer::Status(kStatusOk);
}

Answer MainControl::DesignRecord() { return Answer::Object(new DesignRecordObject(this)); }

short MainControl::SetRecordId(const char* attribute, long id) {
  if (database_ == nullptr) {
    lastError_ = "No design database is connected";
    return kStatusFailed;
  }
  Design* design = DesignOrFail();
  if (design == nullptr) return kStatusNoDesign;
  const QK_TString name(attribute);
  const QK_TString value = QK_TString::Format("%ld", id);
  for (auto& [key, text] : design->keptAttributes) {
    if (key == name) {
      text = value;
      return kStatusOk;
    }
  }
  design->keptAttributes.emplace_back(name, value);
  return kStatusOk;
}

}  // namespace FolvaneCAD
