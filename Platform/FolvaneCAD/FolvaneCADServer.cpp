#include "FolvaneCADServer.h"

#include "FolvaneCADControl.h"
#include "FolvaneCADDatabase.h"
#include "FolvaneCADStandard.h"
#include "OleAuto.h"

using FolvaneCAD::Flavour;

void FolvaneCAD_Install() {
  OLE_RegisterProgID(L"FolvaneCAD-X.DravoCtrl.1",
                     [] { return new FolvaneCAD::MainControl(Flavour::kConventional); });
  OLE_RegisterProgID(L"FolvaneCAD-X.DravoStandard.1",
                     [] { return new FolvaneCAD::StandardComponent(Flavour::kConventional); });
  OLE_RegisterProgID(L"FolvaneCAD-X.EDravoCtrl.1",
                     [] { return new FolvaneCAD::MainControl(Flavour::kEnterprise); });
  OLE_RegisterProgID(L"FolvaneCAD-X.EDravoStandard.1",
                     [] { return new FolvaneCAD::StandardComponent(Flavour::kEnterprise); });
  FolvaneCAD::InstallDatabaseObjects();
}

namespace {

// Registers the components when the program starts. The ProgID registry
// is created on first use, so the order of static initialisation is safe.
struct Registrar {
  Registrar() { FolvaneCAD_Install(); }
} registrar;

}  // namespace
