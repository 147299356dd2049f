// The menu and menu-item objects that the standards component hands out
// ("Menu" and "MenuItem" in scenario files). They are views of the open
// standard's run, which they keep alive. Ids are the same on both flavours.
//
// Menu: its kind (2 text items, 3 whole-number items, others none), title,
// item count and items, and two flags that a caller puts before it fills a
// text menu (kept; they change nothing here).
// Item: its name, default text and value; the value is put as a text or, on
// a whole-number menu, as a 16-bit number, which becomes its decimal text.
#pragma once

#include <memory>

#include "Automation/FolvaneCADDispatchTable.h"
#include "Model/FolvaneCADStandardRun.h"
#include "OleAuto.h"

namespace FolvaneCAD {

const DispatchTable& MenuTable();
const DispatchTable& MenuItemTable();

// A new menu object of menu `menu` (from 1, an existing one); the caller
// owns the reference.
IDispatch* NewMenuObject(std::shared_ptr<StandardRun> run, int menu);

}  // namespace FolvaneCAD
