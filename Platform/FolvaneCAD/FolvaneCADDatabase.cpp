#include "FolvaneCADDatabase.h"

#include <memory>
#include <vector>

#include "FolvaneCADDatabaseConnection.h"
#include "FolvaneCADDispatch.h"
#include "OleAuto.h"

namespace FolvaneCAD {

namespace {

// The connection object: dispatch id 1 logs in (data source, user,
// password) and answers 0 on success.
class ConnectionObject : public StandInObject {
 public:
 protected:
  HRESULT Respond(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result,
                  EXCEPINFO* error) override {
    if (id != 1 || kind != DISPATCH_METHOD) return DISP_E_MEMBERNOTFOUND;
    HRESULT checked = CheckArguments("sss", args, count);
    if (FAILED(checked)) return checked;
    Arguments arguments(args, count);
    database_ = std::make_unique<DatabaseConnection>(arguments.Text(0), arguments.Text(1), arguments.Text(2));
    return Answer::Count(database_->Connected() ? 0 : 1).Deliver(result, error);
  }

 public:
  DatabaseConnection* Database() const { return database_.get(); }

 private:
  std::unique_ptr<DatabaseConnection> database_;
};

// What the company and person objects share: the connection they were
// given, search texts set as properties, and the id of the last match.
class SearchObject : public StandInObject {
 protected:
  ~SearchObject() override {
    if (connection_ != nullptr) connection_->Release();
  }

  // Property put of the connection object.
  HRESULT SetConnection(VARIANT* args, unsigned int count) {
    if (count != 1 || args[0].vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
    if (connection_ != nullptr) connection_->Release();
    connection_ = dynamic_cast<ConnectionObject*>(args[0].pdispVal);
    if (connection_ != nullptr) connection_->AddRef();
    return S_OK;
  }

  static HRESULT PutText(VARIANT* args, unsigned int count, QK_TString& target) {
    HRESULT checked = CheckArguments("s", args, count);
    if (SUCCEEDED(checked)) target = Arguments(args, count).Text(0);
    return checked;
  }

  // Runs the search; 0 found, 1 not found, 2 no usable connection.
  short Search(const char* sql, const std::vector<QK_TString>& parameters) {
    DatabaseConnection* database = connection_ != nullptr ? connection_->Database() : nullptr;
    if (database == nullptr || !database->Connected()) return 2;
    found_ = database->FindId(sql, parameters);
    return found_ >= 0 ? 0 : 1;
  }

  long found_ = -1;

 private:
  ConnectionObject* connection_ = nullptr;
};

// The company object: put 24 connection, method 19 new search, put 4 name,
// put 5 code (matched against the code or the location), method 17 search,
// get 2 the found id.
class CompanyObject : public SearchObject {
 public:
 protected:
  HRESULT Respond(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result,
                  EXCEPINFO* error) override {
    if (kind == DISPATCH_PROPERTYPUT && id == 24) return SetConnection(args, count);
    if (kind == DISPATCH_PROPERTYPUT && id == 4) return PutText(args, count, name_);
    if (kind == DISPATCH_PROPERTYPUT && id == 5) return PutText(args, count, code_);
    if (kind == DISPATCH_METHOD && id == 19) {
      name_ = code_ = QK_TString();
      found_ = -1;
      return Answer::Status(0).Deliver(result, error);
    }
    if (kind == DISPATCH_METHOD && id == 17) {
      short status = code_.Empty() ? Search("SELECT id FROM companies WHERE name = ? ORDER BY id", {name_})
                                   : Search("SELECT id FROM companies WHERE name = ? AND (code = ? OR location = ?) "
                                            "ORDER BY id",
                                            {name_, code_, code_});
      return Answer::Status(status).Deliver(result, error);
    }
    if (kind == DISPATCH_PROPERTYGET && id == 2) return Answer::Count(found_).Deliver(result, error);
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  QK_TString name_;
  QK_TString code_;
};

// The person object: put 8 connection, method 3 new search, put 14 first
// name, put 13 last name, method 1 search, get 10 the found id.
class PersonObject : public SearchObject {
 public:
 protected:
  HRESULT Respond(DISPID id, WORD kind, VARIANT* args, unsigned int count, VARIANT* result,
                  EXCEPINFO* error) override {
    if (kind == DISPATCH_PROPERTYPUT && id == 8) return SetConnection(args, count);
    if (kind == DISPATCH_PROPERTYPUT && id == 14) return PutText(args, count, first_);
    if (kind == DISPATCH_PROPERTYPUT && id == 13) return PutText(args, count, last_);
    if (kind == DISPATCH_METHOD && id == 3) {
      first_ = last_ = QK_TString();
      found_ = -1;
      return Answer::Count(0).Deliver(result, error);
    }
    if (kind == DISPATCH_METHOD && id == 1) {
      short status = Search("SELECT id FROM persons WHERE first_name = ? AND last_name = ? ORDER BY id", {first_, last_});
      return Answer::Count(status).Deliver(result, error);
    }
    if (kind == DISPATCH_PROPERTYGET && id == 10) return Answer::Count(found_).Deliver(result, error);
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  QK_TString first_;
  QK_TString last_;
};

}  // namespace

void InstallDatabaseObjects() {
  OLE_RegisterProgID(L"Quillmarsh.Connection.1", [] { return static_cast<IDispatch*>(new ConnectionObject()); });
  OLE_RegisterProgID(L"Quillmarsh.Customer.1", [] { return static_cast<IDispatch*>(new CompanyObject()); });
  OLE_RegisterProgID(L"Quillmarsh.personobject.1", [] { return static_cast<IDispatch*>(new PersonObject()); });
}

}  // namespace FolvaneCAD
