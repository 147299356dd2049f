#include "ShapejobServerConfig.h"

#include <cstdlib>

#include "cfs_tproxy.h"
#include "QK_TURL.h"

namespace {

std::string Text(const QK_TAny& value) { return value.ToText().str(); }

// SQL Server for "MSSQLServer", Oracle for any text containing "Oracle",
// else none.
std::uint32_t DatabaseKind(const std::string& dbms) {
  if (dbms == "MSSQLServer") return CAD::Dbms::kSqlServer;
  if (dbms.find("Oracle") != std::string::npos) return CAD::Dbms::kOracle;
  return CAD::Dbms::kNone;
}

// The text of `key`, or "" when the tree has none.
std::string TextOf(const QK_TTree& tree, const char* key) {
  const QK_TAny* value = tree.Find(key);
  return value != nullptr ? Text(*value) : std::string();
}

// The server type that an entry's "Type" value names; conventional when it
// has none.
std::uint32_t ServerTypeOf(const QK_TTree& entry) {
  const QK_TAny* type = entry.Find("Type");
  const bool enterprise =
      type != nullptr && type->Is(QK_TAny::Kind::String) && type->AsString() == CAD::kEnterpriseKind;
  return enterprise ? CAD::ServerType::kEnterprise : CAD::ServerType::kConventional;
}

// The database kind, host, port and database name that `source` holds; the
// others stay as they are.
void ReadDatabaseValues(CadServerConfig& config, const QK_TTree& source) {
  if (const QK_TAny* dbms = source.Find("dbms")) config.dbms = DatabaseKind(Text(*dbms));
  if (const QK_TAny* host = source.Find("host")) config.host = Text(*host);
  if (const QK_TAny* port = source.Find("port")) config.port = Text(*port);
  if (const QK_TAny* database = source.Find("database")) config.database = Text(*database);
}

// Reads a path from the cache when a root covers it, else from the server.
QK_TTree ReadTree(CFS_TProxy& client, const char* path) { return client.Get(QK_TString(path)).AsTree(); }

// Configuration paths of the server entries.
constexpr const char* kServersPath = "/Resources/CAD/Servers";
constexpr const char* kDatabasesPath = "/Resources/DatabasesExternal";
constexpr const char* kInternetPath = "/Resources/Internet/Servers";

// True when the entry `key` of the tree at `path` is absent or a tree; an
// entry of another shape is told to `log` with its configuration path.
bool TreeOrAbsent(const QK_TAny* entry, const char* path, const QK_TString& key,
                  const std::function<void(const QK_TString&)>& log) {
  if (entry == nullptr || entry->Is(QK_TAny::Kind::Tree)) return true;
  if (log) {
    log(QK_TString::Format("Skipping the CAD server %s: its entry %s/%s is not a tree of settings\n",
                           key.c_str(), path, key.c_str()));
  }
  return false;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const CadServerConfig& config) {
  out << "Name: " << config.name << "\n";
  out << "Type: " << (IsEnterpriseServer(config) ? CAD::kEnterpriseKind : CAD::kConventionalKind) << "\n";
  out << "Location: " << config.location << "\n";
  out << "UserName: " << config.userName << "\n";
  out << "Password: " << config.password << "\n";
  return out;
}

// The decryption step of the Type 1 font encryption (constants 52845 and
// 22719) with the program's own initial key; no leading bytes are dropped.
int DescramblePassword(const std::string& stored, std::string& plain, std::uint16_t key) {
  if (stored.size() % 2 != 0) return 1;
  std::string result;
  result.reserve(stored.size() / 2);
  std::uint16_t r = key;
  for (std::size_t i = 0; i < stored.size(); i += 2) {
    int high = HexDigit(stored[i]);
    int low = HexDigit(stored[i + 1]);
    if (high < 0 || low < 0) return 1;
    auto cipher = static_cast<std::uint8_t>(high * 16 + low);
    result += static_cast<char>(cipher ^ (r >> 8));
    r = static_cast<std::uint16_t>((cipher + r) * 52845u + 22719u);
  }
  plain = std::move(result);
  return 0;
}

void ReadDatabaseSettings(CadServerConfig& config, const QK_TString& serverName,
                          const QK_TTree& databases, const QK_TTree& serverEntry) {
  config.dbms = CAD::Dbms::kNone;
  const QK_TAny* external = databases.Find(serverName);
  ReadDatabaseValues(config, external != nullptr ? external->AsTree() : serverEntry);
}

std::vector<CadServerConfig> ReadCadServers(CFS_TProxy& client,
                                            const std::function<void(const QK_TString&)>& log) {
  QK_TTree servers = ReadTree(client, kServersPath);
  QK_TTree databases = ReadTree(client, kDatabasesPath);
  QK_TTree internet = ReadTree(client, kInternetPath);

  std::vector<CadServerConfig> result;
  result.reserve(servers.Size());
  for (const auto& [key, value] : servers) {
    // A misshapen entry is left out like a server that is not configured:
    // only a ticket that names it fails.
    if (!TreeOrAbsent(&value, kServersPath, key, log)) continue;
    CadServerConfig config;
    config.name = key.str();
    const QK_TTree& entry = value.AsTree();
    // Keys a server does not need may be missing: an incomplete entry is
    // reported for the ticket that uses it (ValidateServerConfig), and
    // does not take the other servers down with it.
    config.type = ServerTypeOf(entry);
    const bool wellShaped = IsEnterpriseServer(config)
                                ? TreeOrAbsent(internet.Find(key), kInternetPath, key, log)
                                : TreeOrAbsent(databases.Find(key), kDatabasesPath, key, log);
    if (!wellShaped) continue;
    if (!IsEnterpriseServer(config)) {
      config.driverName = TextOf(entry, "DriverName");
      const QK_TAny* defaults = entry.Find("Defaults");
      if (defaults != nullptr && *defaults != QK_TAny::Illegal) {
        QK_TURL folder = defaults->Is(QK_TAny::Kind::URL) ? defaults->AsURL() : QK_TURL(defaults->ToText());
        config.defaults = folder.LocalName().str();
      }
      ReadDatabaseSettings(config, key, databases, entry);
    } else if (const QK_TAny* loginEntry = internet.Find(key)) {
      const QK_TTree& login = loginEntry->AsTree();
      config.location = TextOf(login, "URL");
      config.userName = TextOf(login, "UserName");
      // A password that cannot be de-scrambled stays empty, so that the
      // connection reports it as missing instead of logging in with garbage.
      if (DescramblePassword(TextOf(login, "Password"), config.password, kPasswordKey) != 0) {
        config.password.clear();
      }
      // The stored text may carry a terminator; the password ends there.
      config.password = config.password.substr(0, config.password.find('\0'));
    }
    result.push_back(std::move(config));
  }
  return result;
}

CadServerConfig ReadServerConfigFromTrees(const QK_TTree& systemTree, const QK_TTree& serverTree) {
  CadServerConfig config;
  config.type = ServerTypeOf(serverTree);
  const QK_TTree& source = systemTree.Has("SystemConfig") ? systemTree : serverTree;
  if (const QK_TAny* driver = source.Find("DriverName")) config.driverName = Text(*driver);
  ReadDatabaseValues(config, source);
  return config;
}
