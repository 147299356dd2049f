// Test helper: a private ODBC configuration. The installer and the driver
// manager read odbcinst.ini and odbc.ini from the folder named by
// ODBCSYSINI, so data sources created here never touch the machine's own.
// The driver registrations come from the build ("SQL Server" and "SQLite3",
// both the SQLite driver with the project's setup library). The ODBC calls
// live in OdbcSandbox.cpp, away from the automation headers, which define
// some of the same type names.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TempFolder.h"

class OdbcSandbox {
 public:
  // The driver manager reads ODBCSYSINI once per process, so every sandbox
  // of a process shares one configuration folder, emptied for each.
  OdbcSandbox() : configuration_(ConfigurationFolder()) {
    std::filesystem::copy_file(SHAPEJOB_ODBCINST_INI, configuration_.File("odbcinst.ini"),
                               std::filesystem::copy_options::overwrite_existing);
    configuration_.Write("odbc.ini", "");
    configuration_.Write("user-odbc.ini", "");
    Save("ODBCSYSINI", configuration_.path());
    Save("ODBCINI", configuration_.File("user-odbc.ini"));
  }
  ~OdbcSandbox() {
    for (const auto& [name, value] : saved_) {
      if (value.first) {
        setenv(name.c_str(), value.second.c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }
  OdbcSandbox(const OdbcSandbox&) = delete;
  OdbcSandbox& operator=(const OdbcSandbox&) = delete;

  // A fresh folder for this sandbox's databases and files.
  const TempFolder& Folder() const { return folder_; }

  // A SQLite database file made by running `script` (statements separated
  // by ";"); returns its path.
  std::string CreateDatabase(const std::string& fileName, const std::string& script) const;

  // The first column of the first row that `query` gives through the data
  // source `name`, as this process's driver manager finds it; "" when
  // there is none or the connection fails.
  std::string FirstValue(const std::string& name, const std::string& query) const;

  // The system data sources, each with its entries in file order.
  using Entries = std::vector<std::pair<std::string, std::string>>;
  std::map<std::string, Entries> DataSources() const {
    std::map<std::string, Entries> sources;
    std::ifstream in(configuration_.File("odbc.ini"));
    std::string section;
    for (std::string line; std::getline(in, line);) {
      if (line.empty()) continue;
      if (line.front() == '[' && line.back() == ']') {
        section = line.substr(1, line.size() - 2);
        sources[section];
      } else if (!section.empty()) {
        std::size_t equals = line.find('=');
        sources[section].emplace_back(Trim(line.substr(0, equals)),
                                      equals == std::string::npos ? "" : Trim(line.substr(equals + 1)));
      }
    }
    return sources;
  }

 private:
  static const TempFolder& ConfigurationFolder() {
    static const TempFolder folder;
    return folder;
  }

  static std::string Trim(const std::string& text) {
    std::size_t first = text.find_first_not_of(' ');
    std::size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
  }

  void Save(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_[name] = {old != nullptr, old != nullptr ? old : ""};
    setenv(name, value.c_str(), 1);
  }

  const TempFolder& configuration_;
  TempFolder folder_;
  std::map<std::string, std::pair<bool, std::string>> saved_;
};
