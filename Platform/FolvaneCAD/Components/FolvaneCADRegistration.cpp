#include "Components/FolvaneCADRegistration.h"

#include "Automation/FolvaneCADScenario.h"
#include "Components/FolvaneCADDatabaseObjects.h"
#include "Components/FolvaneCADDesignRecord.h"
#include "Components/FolvaneCADLayoutObject.h"
#include "Components/FolvaneCADMainControl.h"
#include "Components/FolvaneCADStandardComponent.h"
#include "Components/FolvaneCADStandardMenus.h"
#include "OleAuto.h"

namespace {

using FolvaneCAD::Flavour;

template <class Object, class... Args>
void Register(const wchar_t* progId, Args... args) {
  OLE_RegisterProgID(progId, [=] { return static_cast<IDispatch*>(new Object(args...)); });
}

void RegisterComponents() {
  using namespace FolvaneCAD;
  Register<MainControl>(L"FolvaneCAD-X.DravoCtrl.1", Flavour::kConventional);
  Register<StandardComponent>(L"FolvaneCAD-X.DravoStandard.1", Flavour::kConventional);
  Register<MainControl>(L"FolvaneCAD-X.EDravoCtrl.1", Flavour::kEnterprise);
  Register<StandardComponent>(L"FolvaneCAD-X.EDravoStandard.1", Flavour::kEnterprise);
  Register<ConnectionObject>(L"Quillmarsh.Connection.1");
  Register<CompanyObject>(L"Quillmarsh.Customer.1");
  Register<PersonObject>(L"Quillmarsh.personobject.1");
}

// Every table-driven object's table, so that scenario files can name it.
void RegisterScenarioTables() {
  using namespace FolvaneCAD;
  for (const DispatchTable* table : {&MainControlTable(), &StandardComponentTable(), &MenuTable(), &MenuItemTable(),
                                     &ConnectionTable(), &CompanyTable(), &PersonTable(), &DesignRecordTable(),
                                     &LayoutObjectTable()}) {
    RegisterScenarioTable(*table);
  }
}

}  // namespace

void FolvaneCAD_Install() {
  RegisterScenarioTables();
  RegisterComponents();
}

namespace {

// Registers the components when the program starts. The ProgID registry
// and the tables are created on first use, so the order of static
// initialisation is safe.
struct Registrar {
  Registrar() { FolvaneCAD_Install(); }
} registrar;

}  // namespace
