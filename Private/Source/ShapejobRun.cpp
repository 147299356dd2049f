// The run of one ticket: task type, server list, per-input loop, progress,
// output contexts, and the success and failure ends.
#include <boost/exception/diagnostic_information.hpp>
#include <boost/exception/exception.hpp>

#include "AfxDisp.h"
#include "Shapejob.h"
#include "TaskError.h"

namespace CAD {

namespace {

const char* const kKnownExtensions[] = {".KPX", ".MFG", ".XML", ".JPG", ".PNG",
                                        ".CF2", ".CFF2", ".DXF", ".DD3"};

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

bool HasExtension(const QK_TURL& location, const char* extension) {
  QK_TString current = location.Extension();
  return !current.Empty() && current.EqualsIgnoreCase(extension);
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
  std::size_t dot = designName.FindLast('.');
  QK_TString extension = dot == QK_TString::npos ? QK_TString() : designName.Substring(dot);
  if (!extension.EqualsIgnoreCase(kDesignExtension)) return false;
  if (items.size() >= 2) return true;
  for (const QK_TString& item : items) {
    if (item == kAllPrintItems) return true;
  }
  return false;
}

}  // namespace

void Task::ChangeOutputExtension(QK_TURL& location, const QK_TString& extension) {
  QK_TString current = location.Extension();
  for (const char* known : kKnownExtensions) {
    if (current.EqualsIgnoreCase(known)) {
      location.SetExtension(extension);
      return;
    }
  }
  if (current.EqualsIgnoreCase(extension)) return;
  location.SetFileName(location.FileName() + extension);
}

std::vector<QK_TString> Task::SplitList(const QK_TString& text, char delimiter) {
  std::vector<QK_TString> pieces;
  std::string piece;
  auto keep = [&pieces](const std::string& raw) {
    QK_TString trimmed = QK_TString(raw).Trim();
    if (!trimmed.Empty()) pieces.push_back(trimmed);
  };
  for (char c : text.str()) {
    if (c == delimiter) {
      keep(piece);
      piece.clear();
    } else {
      piece += c;
    }
  }
  keep(piece);
  return pieces;
}

int Task::Run(AT_TTicket& ticket) {
  AddMessage(0, "shapejobs.stage.initializing");
  std::unique_lock<std::mutex> lock(RunMutex());
  try {
    const TaskTypes types(ticket.GetActionName());

    std::vector<CadServerConfig> servers;
    ReadServerConfigs(servers);

    const unsigned int n = NumberTaskInputs();
    double p = n > 0 ? 10.0 / n : 10.0;
    const double s = n > 0 ? (100.0 - p) / n : 90.0;
    SetProgressValue(*this, p);
    SetTypeStages(*this, types);

    TW_TTaskOutput okContext("OK");
    TW_TTaskOutput warningContext("Warning");
    bool anyWarning = false;

    for (unsigned int i = 0; i < n; ++i) {
      const QK_TURL inputFile = GetTaskInputContext(i).InputFile();
      AddMessage(0, "shapejobs.log.processing", QK_TAny(inputFile));

      QK_TURL outputLocation = OutputDir().Child(OutputName());

      const QK_TString serverName = ResolveServerName(ticket);
      ConnectServer(FindServerConfig(servers, serverName.str()));

      int r = 0;
      if (types.shopCard) {
        ShopCardTicketData record;
        StringMapList exportedDesigns;
        BuildShopCardTicket(ticket, inputFile, record, exportedDesigns, "buildShopCard");
        const OutputsList outputs = record.GetOutputs();
        if (outputs.size() >= 2) {
          if (!HasExtension(outputLocation, ".xml")) ChangeOutputExtension(outputLocation, ".xml");
        } else if (outputs.size() == 1 && SingleOutputMakesList(*outputs.front(), record.designName)) {
          ChangeOutputExtension(outputLocation, ".xml");
        }
        r = ProcessShopCard(record, outputLocation, p, s);
      } else if (types.designInfo) {
        if (IsWrongDesignInfoInput(inputFile)) {
          AddMessage(2, "shapejobs.error.wronginput", QK_TAny(inputFile));
          QK_THROW(TaskError());
        }
        ShopCardTicketData record;
        StringMapList exportedDesigns;
        BuildShopCardTicket(ticket, inputFile, record, exportedDesigns, "exportCadDesign");
        ChangeOutputExtension(outputLocation, ".xml");
        r = ProcessDesignInfo(record, exportedDesigns, outputLocation, p, s);
      } else if (types.runStandard) {
        RunStandardTicketData record;
        BuildRunStandardTicket(ticket, inputFile, record);
        if (!HasExtension(outputLocation, ".kpx")) ChangeOutputExtension(outputLocation, ".kpx");
        r = ProcessRunStandard(record, outputLocation, p, s);
      } else if (types.splitDesign) {
        SplitDesignTicketData record;
        BuildSplitDesignTicket(ticket, inputFile, record);
        if (!HasExtension(outputLocation, ".kpx")) ChangeOutputExtension(outputLocation, ".kpx");
        r = ProcessSplitDesign(record, outputLocation, p, s);
      } else if (types.layout) {
        StringMapList entries;
        LOTicketParam record;
        BuildLayoutTicket(ticket, inputFile, entries, record);
        r = ProcessLayout(entries, record, p, s);
      } else {
        QK_THROW(QK_EException(QK_TString("Unsupported action:") + ticket.GetActionName()));
      }

      // The layout operation registers its own outputs.
      if (!types.layout) (r != 0 ? warningContext : okContext).AddOutputFile(outputLocation, QK_TString());
      anyWarning = anyWarning || r != 0;

      p += s;
      SetProgressValue(*this, p);
    }

    AddMessage(0, "shapejobs.message.ticketdone");
    SetStage("shapejobs.stage.ticketsuccess");
    SetProgress(100);
    TW_TTask::Finish();
    // The context of the ticket's result is handed over; with several
    // inputs of different results the other one follows when it holds
    // files, so that no output is lost.
    if (!types.layout) {
      TW_TTaskOutput& primary = anyWarning ? warningContext : okContext;
      TW_TTaskOutput& secondary = anyWarning ? okContext : warningContext;
      AddTaskOutputContext(primary);
      if (!secondary.Files().empty()) AddTaskOutputContext(secondary);
    }
    return anyWarning ? 1 : 0;
  } catch (const TW_ETaskCanceled&) {
    SetStage("shapejobs.stage.ticketfail");
    throw;
  } catch (const TaskError&) {
    // Its thrower has reported the failure already.
  } catch (const QK_EException& e) {
    Log(e);
    AddMessage(2, "shapejobs.message.exception");
  } catch (const boost::exception& e) {
    Log(QK_TString(boost::diagnostic_information(e, true) + "\n"));
    AddMessage(2, "shapejobs.message.exception");
  } catch (CException* caught) {
    // A framework exception must not outlive its catcher.
    caught->Delete();
    Log(QK_TString("An unknown exception was caught, the task was aborted"));
    AddMessage(2, "shapejobs.message.fatalerror");
  } catch (...) {
    Log(QK_TString("An unknown exception was caught, the task was aborted"));
    AddMessage(2, "shapejobs.message.fatalerror");
  }
  SetStage("shapejobs.stage.ticketfail");
  TW_TTask::Finish();
  return 2;
}

}  // namespace CAD
