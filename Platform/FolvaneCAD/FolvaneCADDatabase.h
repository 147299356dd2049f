// The design-database objects of a conventional installation: the
// connection object, and the company and person objects that look entries
// up through it.
#pragma once

namespace FolvaneCAD {

// Registers "Quillmarsh.Connection.1", "Quillmarsh.Customer.1" and
// "Quillmarsh.personobject.1" (FolvaneCAD_Install does it at start-up).
void InstallDatabaseObjects();

}  // namespace FolvaneCAD
