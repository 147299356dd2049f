// Test helper: the odbc.ini of the ODBC sandbox (OdbcSandbox) as bytes,
// and sections of a site's own to put in it before a test, so that the
// test can check they are byte for byte as they were afterwards.
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace site_ini {

// Sections of the site's own, in the layout the installer writes odbc.ini
// in (it rewrites the whole file on every change): the list of data
// sources, a data source, one without entries and one without a driver.
constexpr char kSections[] =
    "[ODBC Data Sources]\n"
    "Production=SQL Server\n"
    "\n"
    "[Production]\n"
    "Driver=SQL Server\n"
    "SERVER=prod-host\n"
    "\n"
    "[Empty]\n"
    "\n"
    "[NoDriver]\n"
    "SERVER=elsewhere\n"
    "\n";

inline std::string Path() { return std::string(std::getenv("ODBCSYSINI")) + "/odbc.ini"; }

inline void Write(const std::string& text) { std::ofstream(Path(), std::ios::binary) << text; }

inline std::string Read() {
  std::ifstream in(Path(), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace site_ini
