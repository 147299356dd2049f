// The named codes of the program that are not CAD statuses: message
// severities, run results, the kinds of CAD server and of design database, and the
// database-kind texts a ticket builder is told. The CAD application's own
// statuses and menu kinds are in DRAVOInterface.h.
#pragma once

#include <cstdint>

namespace CAD {

// The severity of a framework message (TW_TTask::AddMessage).
namespace Severity {
constexpr int kInformation = 0;
constexpr int kWarning = 1;
constexpr int kError = 2;
}  // namespace Severity

// The result of a ticket's run (Task::Run), also the program's exit status.
namespace RunResult {
constexpr int kSuccess = 0;
constexpr int kWarning = 1;
constexpr int kFailure = 2;
}  // namespace RunResult

// CadServerConfig::type.
namespace ServerType {
constexpr std::uint32_t kConventional = 0;
constexpr std::uint32_t kEnterprise = 1;
}  // namespace ServerType

// CadServerConfig::dbms: the design database a conventional server uses.
namespace Dbms {
constexpr std::uint32_t kSqlServer = 1;
constexpr std::uint32_t kOracle = 2;
constexpr std::uint32_t kNone = 3;
}  // namespace Dbms

// The database kind written into a ticket-data record (`databaseKind`).
constexpr char kEnterpriseKind[] = "Enterprise";
constexpr char kConventionalKind[] = "Conventional";

}  // namespace CAD
