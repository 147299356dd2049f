// The run of one ticket: task type, server list, per-input loop, progress,
// output contexts, and the success and failure ends.
#include <boost/exception/diagnostic_information.hpp>
#include <boost/exception/exception.hpp>
#include <functional>
#include <memory>

#include "DRAVOInterfaceShopCard.h"
#include "DRAVOWrapperLogin.h"
#include "DeliveredLocations.h"
#include "FileNameParts.h"
#include "QK_TFile.h"
#include "Shapejob.h"
#include "TaskError.h"

namespace CAD {

namespace {

// The task types, tested on the action name in this order.
struct TaskTypes {
  explicit TaskTypes(const QK_TString& action)
      : shopCard(action.Match("createshopcard*", false)),
        designInfo(action.Match("exportdesigninfo*", false)),
        runStandard(action.Match("runstandard*", false)),
        layout(action.Match("runlayout*", false)),
        splitDesign(action.Match("splitdesign*", false)) {}

  bool shopCard;
  bool designInfo;
  bool runStandard;
  bool layout;
  bool splitDesign;
};

void SetTypeStages(Task& task, const TaskTypes& types) {
  if (types.shopCard) task.SetStage("shapejobs.stage.creatingshopcard");
  if (types.designInfo) task.SetStage("shapejobs.stage.exportdesigninfo");
  if (types.runStandard) task.SetStage("shapejobs.stage.runstandard");
  if (types.layout) task.SetStage("shapejobs.stage.layoutoptimizer");
  if (types.splitDesign) task.SetStage("shapejobs.stage.splitdesign");
}

void SetProgressValue(Task& task, double percent) { task.SetProgress(static_cast<unsigned char>(percent)); }

bool HasExtension(const QK_TURL& location, const QK_TString& extension) {
  QK_TString current = location.Extension();
  return !current.Empty() && current.EqualsIgnoreCase(extension);
}

// Gives the output `extension` unless it has it already, in any case.
void EnsureExtension(QK_TURL& location, const QK_TString& extension) {
  if (!HasExtension(location, extension)) Task::ChangeOutputExtension(location, extension);
}

// A design-information input must be a file the CAD application can open
// as a design or an XML list of designs, not a drawing exchange file.
bool IsWrongDesignInfoInput(const QK_TURL& inputFile) {
  QK_TString extension = inputFile.Extension();
  if (extension.Empty()) return true;
  for (const char* rejected : {".cf2", ".cff2", ".dxf", ".dd3"}) {
    if (extension.EqualsIgnoreCase(rejected)) return true;
  }
  return false;
}

// A shop card with one output covering several print items of a design
// file produces an XML list of outputs.
bool SingleOutputMakesList(const OutputsInfo& output, const QK_TString& designName) {
  std::vector<QK_TString> items = Task::SplitList(output.PrintItem.ToUpper(), ',');
  if (!ExtensionOf(designName).EqualsIgnoreCase(kNativeDesignExtension)) return false;
  if (items.size() >= 2) return true;
  for (const QK_TString& item : items) {
    if (item == kAllPrintItemsWord) return true;
  }
  return false;
}

// The outputs of the ticket's inputs, in the context of their result, and
// every location the ticket has delivered so far: each operation adds the
// files it wrote and names its own files clear of those of earlier inputs
// (the layout operation also registers its own).
struct TicketOutputs {
  TW_TTaskOutput ok{"OK"};
  TW_TTaskOutput warning{"Warning"};
  bool anyWarning = false;
  std::shared_ptr<DeliveredLocations> delivered = std::make_shared<DeliveredLocations>();
};

// The worker of an input's task type with its record built: it runs at the
// output location it is given and returns the worker's result.
using Worker = std::function<int(QK_TURL& outputLocation)>;

// The record of the task type built from the input, and its worker; the
// output location gets the extension of what the worker writes.
Worker PrepareWorker(Task& task, AT_TTicket& ticket, const TaskTypes& types, const QK_TURL& inputFile,
                     QK_TURL& outputLocation, const TicketOutputs& outputs, double p, double s) {
  if (types.shopCard) {
    ShopCardTicketData record;
    StringMapList exportedDesigns;
    task.BuildShopCardTicket(ticket, inputFile, record, exportedDesigns, "buildShopCard");
    record.delivered = outputs.delivered;
    const OutputsList outputList = record.GetOutputs();
    // Without outputs, as with several, the operation writes the list of
    // outputs, and that document is the file registered.
    if (outputList.size() != 1) {
      EnsureExtension(outputLocation, ".xml");
    } else if (SingleOutputMakesList(*outputList.front(), record.designName)) {
      Task::ChangeOutputExtension(outputLocation, ".xml");
    }
    return [&task, record, p, s](QK_TURL& location) mutable { return task.ProcessShopCard(record, location, p, s); };
  }
  if (types.designInfo) {
    if (IsWrongDesignInfoInput(inputFile)) {
      task.AddMessage(Severity::kError, "shapejobs.error.wronginput", QK_TAny(inputFile));
      QK_THROW(TaskError());
    }
    ShopCardTicketData record;
    StringMapList exportedDesigns;
    task.BuildShopCardTicket(ticket, inputFile, record, exportedDesigns, "exportCadDesign");
    record.delivered = outputs.delivered;
    Task::ChangeOutputExtension(outputLocation, ".xml");
    return [&task, record, exportedDesigns, p, s](QK_TURL& location) mutable {
      return task.ProcessDesignInfo(record, exportedDesigns, location, p, s);
    };
  }
  if (types.runStandard) {
    RunStandardTicketData record;
    task.BuildRunStandardTicket(ticket, inputFile, record);
    record.delivered = outputs.delivered;
    EnsureExtension(outputLocation, kNativeDesignExtension);
    return [&task, record, p, s](QK_TURL& location) mutable {
      return task.ProcessRunStandard(record, location, p, s);
    };
  }
  if (types.splitDesign) {
    SplitDesignTicketData record;
    task.BuildSplitDesignTicket(ticket, inputFile, record);
    record.delivered = outputs.delivered;
    EnsureExtension(outputLocation, kNativeDesignExtension);
    return [&task, record, p, s](QK_TURL& location) mutable {
      return task.ProcessSplitDesign(record, location, p, s);
    };
  }
  if (types.layout) {
    StringMapList entries;
    LOTicketParam record;
    task.BuildLayoutTicket(ticket, inputFile, entries, record);
    record.delivered = outputs.delivered;
    return [&task, entries, record, p, s](QK_TURL&) mutable { return task.ProcessLayout(entries, record, p, s); };
  }
  QK_THROW(QK_EException(QK_TString("Unsupported action:") + ticket.GetActionName()));
}

// The work of one input, which starts at p percent and has s of them: its
// server connected, its worker run, and its result and output counted.
// Only a file the operation reports as written by this input is an output
// (the time a file system gives a rewritten file says nothing: it may be
// the old one); one it did not write, or that is gone again, is not
// registered.
void ProcessInput(Task& task, AT_TTicket& ticket, const TaskTypes& types,
                  const std::vector<CadServerConfig>& servers, const QK_TURL& inputFile, double p, double s,
                  TicketOutputs& outputs) {
  task.AddMessage(Severity::kInformation, "shapejobs.log.processing", QK_TAny(inputFile));
  QK_TURL outputLocation = task.OutputDir().Child(task.OutputName());
  const QK_TString serverName = task.ResolveServerName(ticket);
  task.ConnectServer(task.FindServerConfig(servers, serverName.str()));
  Worker worker = PrepareWorker(task, ticket, types, inputFile, outputLocation, outputs, p, s);
  // No input replaces a file an earlier input of the ticket delivered.
  if (!types.layout) outputLocation = outputs.delivered->FreeLocation(outputLocation, &task);
  const int result = worker(outputLocation);
  outputs.anyWarning = outputs.anyWarning || result != 0;
  if (types.layout) return;
  if (!outputs.delivered->ByThisInput(outputLocation) || !QK_TFileInfo::ExistsEx(outputLocation)) return;
  (result != 0 ? outputs.warning : outputs.ok).AddOutputFile(outputLocation, QK_TString());
}

// The success end: a warning result when an input warned. The context of
// the ticket's result is handed over; with several inputs of different
// results the other one follows when it holds files, so that no output is
// lost.
int Succeed(Task& task, const TaskTypes& types, TicketOutputs& outputs) {
  task.AddMessage(Severity::kInformation, "shapejobs.message.ticketdone");
  task.SetStage("shapejobs.stage.ticketsuccess");
  task.SetProgress(100);
  TW_TTask::Finish();
  if (!types.layout) {
    task.AddTaskOutputContext(outputs.anyWarning ? outputs.warning : outputs.ok);
    TW_TTaskOutput& secondary = outputs.anyWarning ? outputs.ok : outputs.warning;
    if (!secondary.Files().empty()) task.AddTaskOutputContext(secondary);
  }
  return outputs.anyWarning ? RunResult::kWarning : RunResult::kSuccess;
}

// The arguments of the failure message of an exception that ends the run:
// for a file or folder that could not be written, its path and the
// system's reason (a full disk, a missing folder), which the user must act
// on; none for the others, whose details go to the log only.
std::vector<QK_TAny> FailureArguments(const QK_EException& failure) {
  if (dynamic_cast<const QK_ECouldNotWriteFile*>(&failure) == nullptr &&
      dynamic_cast<const QK_ECouldNotCreateDirectory*>(&failure) == nullptr) {
    return {};
  }
  return {failure.QK_Data(), QK_TAny(failure.QK_Message())};
}

}  // namespace

void Task::ChangeOutputExtension(QK_TURL& location, const QK_TString& extension) {
  DRAVOInterface::ChangeExtension(location, extension);
}

std::vector<QK_TString> Task::SplitList(const QK_TString& text, char delimiter) {
  return DRAVOInterface::SplitText(text, delimiter);
}

int Task::Run(AT_TTicket& ticket) {
  AddMessage(Severity::kInformation, "shapejobs.stage.initializing");
  std::unique_lock<std::mutex> lock(RunMutex());
  try {
    const TaskTypes types(ticket.GetActionName());
    std::vector<CadServerConfig> servers;
    ReadServerConfigs(servers);
    // The first share of the progress goes before the inputs, then one to each.
    const unsigned int n = NumberTaskInputs();
    double p = n > 0 ? 10.0 / n : 10.0;
    const double s = n > 0 ? (100.0 - p) / n : 90.0;
    SetProgressValue(*this, p);
    SetTypeStages(*this, types);
    TicketOutputs outputs;
    for (unsigned int i = 0; i < n; ++i) {
      outputs.delivered->BeginInput(i + 1);
      ProcessInput(*this, ticket, types, servers, GetTaskInputContext(i).InputFile(), p, s, outputs);
      p += s;
      SetProgressValue(*this, p);
    }
    return Succeed(*this, types, outputs);
  } catch (const TW_ETaskCanceled&) {
    SetStage("shapejobs.stage.ticketfail");
    throw;
  } catch (const TaskError&) {
    // Its thrower has reported the failure already.
  } catch (const QK_EException& e) {
    Log(e);
    AddMessage(Severity::kError, "shapejobs.message.exception", FailureArguments(e));
  } catch (const boost::exception& e) {
    Log(QK_TString(boost::diagnostic_information(e, true) + "\n"));
    AddMessage(Severity::kError, "shapejobs.message.exception");
  } catch (...) {
    // A framework exception must not outlive its catcher.
    DeleteCaughtFrameworkException();
    Log(QK_TString("An unknown exception was caught, the task was aborted"));
    AddMessage(Severity::kError, "shapejobs.message.fatalerror");
  }
  SetStage("shapejobs.stage.ticketfail");
  TW_TTask::Finish();
  return RunResult::kFailure;
}

}  // namespace CAD
