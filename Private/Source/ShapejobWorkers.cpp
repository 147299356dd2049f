// The workers: one per task type. Each reports its progress steps and a
// message naming the server, prepares the record, calls the type's CAD
// operation on the driver, and turns the operation's failures into a
// message followed by a bare TaskError.
#include "DravoException.h"
#include "Shapejob.h"
#include "TaskError.h"

namespace CAD {

namespace {

// The progress points of a worker, with q = s / 5: p + q and p + 2q around
// its message naming the server, p + 4q before its operation.
struct WorkerProgress {
  WorkerProgress(Task& task, double p, double s, const char* key, const CadServerConfig& server)
      : task(task), p(p), q(s / 5.0) {
    At(1);
    task.AddMessage(Severity::kInformation, key, QK_TAny(QK_TString(server.name)));
    At(2);
  }
  void At(int steps) const { task.SetProgress(static_cast<unsigned char>(p + steps * q)); }
  Task& task;
  double p;
  double q;
};

}  // namespace

DRAVOInterface& Task::ConnectedDriver() {
  if (!driver) QK_THROW(QK_EException(QK_TString("No CAD server is connected")));
  return *driver;
}

int Task::ProcessShopCard(ShopCardTicketData& record, QK_TURL& outputLocation, double p, double s) {
  const WorkerProgress progress(*this, p, s, "shapejobs.message.generatingshopcard", currentServer);
  record.outputLocation = outputLocation;
  progress.At(4);
  try {
    return ConnectedDriver().GenerateShopCard(record);
  } catch (const EmptyDesignNameException& e) {
    FailAfter(e, "shapejobs.message.shopcardnodesign");
  } catch (const DravoError& e) {
    FailAfter(e, "shapejobs.message.dravoerrorstring", e.QK_Data());
  }
}

int Task::ProcessDesignInfo(ShopCardTicketData& record, StringMapList& exportedDesigns, QK_TURL& outputLocation,
                            double p, double s) {
  const WorkerProgress progress(*this, p, s, "shapejobs.message.generatingdesigninfo", currentServer);
  QK_TString text;
  try {
    DRAVOInterface& cad = ConnectedDriver();
    if (!exportedDesigns.empty()) return cad.GenerateDesignInfoWithVariables(record, exportedDesigns, text, outputLocation);
    return cad.GenerateDesignInfo(record, text, outputLocation);
  } catch (const NoDesignInfoExportedException& e) {
    FailAfter(e, "shapejobs.message.nodesigninfoexported");
  } catch (const EmptyDesignNameException& e) {
    FailAfter(e, "shapejobs.message.shopcardnodesign");
  } catch (const DravoError& e) {
    FailAfter(e, "shapejobs.message.dravoerrorstring", e.QK_Data());
  }
}

int Task::ProcessLayout(StringMapList& entries, LOTicketParam& record, double p, double s) {
  const WorkerProgress progress(*this, p, s, "shapejobs.message.generatinglayout", currentServer);
  progress.At(4);
  try {
    return ConnectedDriver().GenerateLayout(entries, record);
  } catch (const NOMFGGenerateException&) {
    AddMessage(Severity::kError, "shapejobs.message.nomfggenerated");
    QK_THROW(TaskError());
  } catch (const DravoError& e) {
    FailAfter(e, "shapejobs.message.dravoerrorstring", e.QK_Data());
  } catch (const InvalidGraindirectionException&) {
    QK_THROW(TaskError());  // reported where it was found
  } catch (const InvalidUnitException&) {
    QK_THROW(TaskError());  // reported where it was found
  } catch (const EmptyDesignNameException& e) {
    FailAfter(e, "shapejobs.message.layoutnodesign");
  } catch (const StandardNotFoundException& e) {
    FailAfter(e, "shapejobs.message.standardnotfound", QK_TAny(e.QK_Message()));
  }
}

int Task::ProcessSplitDesign(SplitDesignTicketData& record, QK_TURL& outputLocation, double p, double s) {
  const WorkerProgress progress(*this, p, s, "shapejobs.message.splittingcaddesign", currentServer);
  record.outputPath = outputLocation.LocalName();
  progress.At(4);
  try {
    return ConnectedDriver().SplitDesign(record);
  } catch (const EmptyDesignNameException& e) {
    FailAfter(e, "shapejobs.message.nodesignfound");
  } catch (const DesignNotOpenException& e) {
    FailAfter(e, "shapejobs.message.designnotopen", QK_TAny(e.QK_Message()));
  } catch (const SaveDesignFailed& e) {
    FailAfter(e, "shapejobs.message.savedesignfailed", QK_TAny(e.QK_Message()));
  } catch (const DravoError& e) {
    FailAfter(e, "shapejobs.message.dravoerrorstring", e.QK_Data());
  }
}

int Task::ProcessRunStandard(RunStandardTicketData& record, QK_TURL& outputLocation, double p, double s) {
  const WorkerProgress progress(*this, p, s, "shapejobs.message.generatingdesignfromstandard", currentServer);
  record.outputPath = outputLocation.LocalName();
  progress.At(4);
  try {
    return ConnectedDriver().GenerateDesignFromStandard(record);
  } catch (const InvalidGraindirectionException& e) {
    FailAfter(e, "shapejobs.message.invalidgraindirection", e.QK_Data());
  } catch (const InvalidUnitException& e) {
    FailAfter(e, "shapejobs.message.invalidunit", e.QK_Data());
  } catch (const InvalidPrintsideException& e) {
    FailAfter(e, "shapejobs.message.invalidprintside", e.QK_Data());
  } catch (const EmptyDesignNameException& e) {
    FailAfter(e, "shapejobs.message.runstandardnostandarddesign");
  } catch (const DesignNotOpenException& e) {
    FailAfter(e, "shapejobs.message.designnotopen", QK_TAny(e.QK_Message()));
  } catch (const StandardNotFoundException& e) {
    FailAfter(e, "shapejobs.message.standardnotfound", QK_TAny(e.QK_Message()));
  } catch (const InvalidBoardCode& e) {
    FailAfter(e, "shapejobs.message.invalidboardcode", QK_TAny(e.QK_Message()));
  } catch (const InvalidBoardCodeDescription& e) {
    FailAfter(e, "shapejobs.message.invalidboardcodedescription", QK_TAny(e.QK_Message()));
  } catch (const SaveDesignFailed& e) {
    FailAfter(e, "shapejobs.message.savedesignfailed", QK_TAny(e.QK_Message()));
  } catch (const BoardCodeEmptyException& e) {
    FailAfter(e, "shapejobs.message.boardcodeempty");
  } catch (const DravoError& e) {
    FailAfter(e, "shapejobs.message.dravoerrorstring", e.QK_Data());
  }
}

}  // namespace CAD
