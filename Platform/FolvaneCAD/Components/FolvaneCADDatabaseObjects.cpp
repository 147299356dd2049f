#include "Components/FolvaneCADDatabaseObjects.h"

namespace FolvaneCAD {

namespace {

enum class ConnectionOperation { kLogin };

// The operations of both search objects, which differ in dispatch ids and
// in what the two search texts are.
enum class SearchOperation { kConnection, kNewSearch, kFirstText, kSecondText, kSearch, kFoundId };

constexpr short kFound = 0, kNotFound = 1, kNoConnection = 2;

using S = SearchOperation;
using R = Result;

}  // namespace

// The database objects exist in conventional installations only.
const DispatchTable& ConnectionTable() {
  static const DispatchTable table("Connection", {
    Row(ConnectionOperation::kLogin, "Login", kMethod, 1, kAbsent, "sss", "", R::kLongStatus),
  });
  return table;
}

const DispatchTable& CompanyTable() {
  static const DispatchTable table("Company", {
    Row(S::kConnection, "Connection", kPropertyPut, 24, kAbsent, "d", "", R::kNothing),
    Row(S::kNewSearch, "NewSearch", kMethod, 19, kAbsent, "", "", R::kStatus),
    Row(S::kFirstText, "Name", kPropertyPut, 4, kAbsent, "s", "", R::kNothing),
    Row(S::kSecondText, "Code", kPropertyPut, 5, kAbsent, "s", "", R::kNothing),
    Row(S::kSearch, "Search", kMethod, 17, kAbsent, "i", "", R::kStatus),
    Row(S::kFoundId, "FoundId", kPropertyGet, 2, kAbsent, "", "", R::kCount),
  });
  return table;
}

const DispatchTable& PersonTable() {
  static const DispatchTable table("Person", {
    Row(S::kConnection, "Connection", kPropertyPut, 8, kAbsent, "d", "", R::kNothing),
    Row(S::kNewSearch, "NewSearch", kMethod, 3, kAbsent, "", "", R::kLongStatus),
    Row(S::kFirstText, "FirstName", kPropertyPut, 14, kAbsent, "s", "", R::kNothing),
    Row(S::kSecondText, "LastName", kPropertyPut, 13, kAbsent, "s", "", R::kNothing),
    Row(S::kSearch, "Search", kMethod, 1, kAbsent, "l", "", R::kLongStatus),
    Row(S::kFoundId, "FoundId", kPropertyGet, 10, kAbsent, "", "", R::kCount),
  });
  return table;
}

ConnectionObject::ConnectionObject() : StandInObject(ConnectionTable(), Flavour::kConventional) {}

Answer ConnectionObject::Perform(const DispatchRow& row, const Arguments& args) {
  database_ = std::make_unique<DatabaseConnection>(args.Text(0), args.Text(1), args.Text(2));
  return Answer::Count(database_->Connected() ? 0 : 1);
}

SearchObject::SearchObject(const DispatchTable& table) : StandInObject(table, Flavour::kConventional) {}

SearchObject::~SearchObject() {
  if (connection_ != nullptr) connection_->Release();
}

Answer SearchObject::Perform(const DispatchRow& row, const Arguments& args) {
  switch (static_cast<SearchOperation>(row.operation)) {
    case S::kConnection: SetConnection(args.Object(0)); return Answer::None();
    case S::kNewSearch:
      first_ = second_ = QK_TString();
      found_ = -1;
      return Answer::StatusFor(row.result, 0);
    case S::kFirstText: first_ = args.Text(0); return Answer::None();
    case S::kSecondText: second_ = args.Text(0); return Answer::None();
    case S::kSearch: return Answer::StatusFor(row.result, Search());
    case S::kFoundId: return Answer::Count(found_);
  }
  return Answer::Exception("Operation not known to the CAD stand-in");
}

// An object that is not the stand-in's connection leaves the search without one.
void SearchObject::SetConnection(IDispatch* object) {
  if (connection_ != nullptr) connection_->Release();
  connection_ = dynamic_cast<ConnectionObject*>(object);
  if (connection_ != nullptr) connection_->AddRef();
}

short SearchObject::Query(const char* sql, const std::vector<QK_TString>& parameters) {
  DatabaseConnection* database = connection_ != nullptr ? connection_->Database() : nullptr;
  if (database == nullptr || !database->Connected()) return kNoConnection;
  found_ = database->FindId(sql, parameters);
  return found_ >= 0 ? kFound : kNotFound;
}

short CompanyObject::Search() {
  if (second_.Empty()) return Query("SELECT id FROM companies WHERE name = ? ORDER BY id", {first_});
  return Query("SELECT id FROM companies WHERE name = ? AND (code = ? OR location = ?) ORDER BY id",
               {first_, second_, second_});
}

short PersonObject::Search() {
  return Query("SELECT id FROM persons WHERE first_name = ? AND last_name = ? ORDER BY id", {first_, second_});
}

}  // namespace FolvaneCAD
