// Registration of the CAD stand-in's automation components under their
// ProgIDs, as an installed CAD application would be registered:
//   FolvaneCAD-X.DravoCtrl.1       main control, conventional dispatch ids
//   FolvaneCAD-X.DravoStandard.1   standards component, conventional
//   FolvaneCAD-X.EDravoCtrl.1      main control, enterprise dispatch ids
//   FolvaneCAD-X.EDravoStandard.1  standards component, enterprise
// and the design-database objects of a conventional installation
// (Quillmarsh.Connection.1, Quillmarsh.Customer.1, Quillmarsh.personobject.1).
// It also registers the dispatch tables that scenario files may name
// (FolvaneCADScenario.h). The program registers them when it starts;
// calling this again registers the same factories again and changes nothing.
//
// The registration is the stand-in's top layer: it knows every component,
// and neither the components nor the automation plumbing below them know it.
#pragma once

void FolvaneCAD_Install();
