// CAD-server records: one configured CAD server's settings, read from the
// configuration server's trees, and the password de-scrambler.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "QK_TString.h"
#include "QK_TTree.h"
#include "ShapejobCodes.h"

class CFS_TProxy;

struct CadServerConfig {
  std::string name;          // matched against the ticket's "SERVER"
  std::uint32_t type = CAD::ServerType::kConventional;
  std::string defaults;      // the CAD application's Defaults folder; empty = none
  std::string location;      // enterprise login location
  std::string userName;      // enterprise login user
  std::string password;      // enterprise login password, plain
  std::uint32_t dbms = CAD::Dbms::kNone;
  std::string host;
  std::string port;
  std::string database;
  std::string driverName;    // ODBC driver name, used for Oracle
};

inline bool IsEnterpriseServer(const CadServerConfig& config) {
  return config.type == CAD::ServerType::kEnterprise;
}

// Five lines: name, type, location, user name, password.
std::ostream& operator<<(std::ostream& out, const CadServerConfig& config);

// The initial key of the stored passwords.
constexpr std::uint16_t kPasswordKey = 31907;

// Turns a stored password (two hexadecimal digits per byte) back into its
// plain text. Returns 0 on success, 1 when the text has an odd length or a
// character that is not a hexadecimal digit; `plain` is then not touched.
int DescramblePassword(const std::string& stored, std::string& plain, std::uint16_t key);

// Every server under "/Resources/CAD/Servers", with its database settings
// ("/Resources/DatabasesExternal") or login ("/Resources/Internet/Servers").
// A server whose entry there is a value where a tree belongs is left out,
// and `log` told the configuration path of that entry.
std::vector<CadServerConfig> ReadCadServers(CFS_TProxy& client,
                                            const std::function<void(const QK_TString&)>& log = {});

// The database kind, host, port and database name of a conventional server:
// from its entry under the databases tree when there is one, else from its
// own entry.
void ReadDatabaseSettings(CadServerConfig& config, const QK_TString& serverName,
                          const QK_TTree& databases, const QK_TTree& serverEntry);

// A record from the two configuration trees of a connection-test request.
CadServerConfig ReadServerConfigFromTrees(const QK_TTree& systemTree, const QK_TTree& serverTree);
