// The main control's design database: the ODBC data source it works on and
// the open design's database record.
#include "Components/FolvaneCADDesignRecord.h"
#include "Components/FolvaneCADMainControl.h"

namespace FolvaneCAD {

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
