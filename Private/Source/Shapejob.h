// The program's one task class. The task framework creates a Task for each
// ticket through the registered class object and calls Run.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "AT_TTicket.h"
#include "DRAVOInterface.h"
#include "QK_TDict.h"
#include "QK_TURL.h"
#include "ShapejobServerConfig.h"
#include "ShapejobTicketData.h"
#include "TW_TTask.h"
#include "TaskError.h"

// The program's one-time initialisation of the task-framework and
// middleware libraries; true once both are ready. A failed attempt is tried
// again in full by the next call.
bool __QK_INITIALIZATION_FUNCTION_Shapejob__();

namespace CAD {

// Serialises the run of a ticket with the connection-test request.
std::mutex& RunMutex();

// The "TestConnection" request handler.
void HandleRequest(const QK_TDict& request, QK_TAny& reply);

class Task : public TW_TTask {
 public:
  Task();
  ~Task() override;

  static const QK_TClass& QK_ClassObject();
  // The class object's factory: a new Task, or null when none could be made.
  static QK_TObject* Create();
  void* QK_DynamicInfo(const char* name) const override;
  void* QK_MostDerivedObject() const override;

  // The work of one ticket: 0 success, 1 success with a warning, 2 failure.
  int Run(AT_TTicket& ticket) override;

  // Output naming; the extension rule is DRAVOInterface::ChangeExtension's.
  static void ChangeOutputExtension(QK_TURL& location, const QK_TString& extension);
  static std::vector<QK_TString> SplitList(const QK_TString& text, char delimiter);

  // The server list and the ticket's server.
  void ReadServerConfigs(std::vector<CadServerConfig>& servers);
  QK_TString ResolveServerName(AT_TTicket& ticket);
  const CadServerConfig& FindServerConfig(const std::vector<CadServerConfig>& servers,
                                          const std::string& name);
  // Leaves `driver` connected to `record`'s server or throws TaskError
  // (after reporting why); a failure leaves the task unconnected.
  void ConnectServer(const CadServerConfig& record);

  // Builder calls: fill the type's record from the ticket.
  void BuildShopCardTicket(AT_TTicket& ticket, const QK_TURL& inputFile, ShopCardTicketData& record,
                           StringMapList& exportedDesigns, const QK_TString& kind);
  void BuildRunStandardTicket(AT_TTicket& ticket, const QK_TURL& inputFile, RunStandardTicketData& record);
  void BuildSplitDesignTicket(AT_TTicket& ticket, const QK_TURL& inputFile, SplitDesignTicketData& record);
  void BuildLayoutTicket(AT_TTicket& ticket, const QK_TURL& inputFile, StringMapList& entries,
                         LOTicketParam& record);

  // Workers: run the type's CAD operation; 0 no warning, else a warning.
  int ProcessShopCard(ShopCardTicketData& record, QK_TURL& outputLocation, double p, double s);
  int ProcessDesignInfo(ShopCardTicketData& record, StringMapList& exportedDesigns, QK_TURL& outputLocation,
                        double p, double s);
  int ProcessRunStandard(RunStandardTicketData& record, QK_TURL& outputLocation, double p, double s);
  int ProcessSplitDesign(SplitDesignTicketData& record, QK_TURL& outputLocation, double p, double s);
  int ProcessLayout(StringMapList& entries, LOTicketParam& record, double p, double s);

 protected:
  CadServerConfig currentServer;
  std::unique_ptr<DRAVOInterface> driver;
  QK_TString dataSourceName;

 private:
  // Connection steps. A conventional server gets a temporary data source,
  // a login check and the switch of the CAD application to the data source.
  void ValidateServerConfig(const CadServerConfig& record);
  void SetUpDataSource();
  void CheckDataSourceLogin();
  void ChangeDefaultsLocation(const std::string& location);
  // Removes the temporary ODBC data source named by dataSourceName.
  void RemoveDataSource();
  // Logs each line it is given, for the data-source changes' reports.
  std::function<void(const QK_TString&)> LogLines();
  // Leaves the connected server: its driver goes first, so that the data
  // source is no longer in use when it is removed; nothing of the server
  // stays for the next one.
  void Disconnect();

  // kEnterpriseKind or kConventionalKind, by the connected server.
  QK_TString DatabaseKind() const;
  // The driver of the connected server; throws when there is none.
  DRAVOInterface& ConnectedDriver();
  // Logs `exception`, reports `key` with `arguments` as an error, and ends
  // the ticket with a bare TaskError.
  template <class... Arguments>
  [[noreturn]] void FailAfter(const QK_EException& exception, const char* key,
                              const Arguments&... arguments) {
    Log(exception);
    AddMessage(Severity::kError, key, std::vector<QK_TAny>{QK_TAny(arguments)...});
    QK_THROW(TaskError());
  }
};

}  // namespace CAD
