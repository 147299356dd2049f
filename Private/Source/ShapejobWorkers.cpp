// The workers: one per task type. Each reports its progress steps and a
// message naming the server, prepares the record, calls the type's CAD
// operation on the driver, and turns the operation's failures into a
// message followed by a bare TaskError.
#include "DravoException.h"
#include "Shapejob.h"
#include "TaskError.h"

namespace CAD {

namespace {

// The progress points of a worker: p + q, p + 2q and p + 4q, with q = s / 5.
struct WorkerProgress {
  WorkerProgress(Task& task, double p, double s) : task(task), p(p), q(s / 5.0) {}
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
  const WorkerProgress progress(*this, p, s);
  progress.At(1);
  AddMessage(0, "shapejobs.message.generatingshopcard", QK_TAny(QK_TString(currentServer.name)));
  progress.At(2);
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
  const WorkerProgress progress(*this, p, s);
  progress.At(1);
  AddMessage(0, "shapejobs.message.generatingdesigninfo", QK_TAny(QK_TString(currentServer.name)));
  progress.At(2);
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
  const WorkerProgress progress(*this, p, s);
  progress.At(1);
  AddMessage(0, "shapejobs.message.generatinglayout", QK_TAny(QK_TString(currentServer.name)));
  progress.At(2);
  progress.At(4);
  try {
    return ConnectedDriver().GenerateLayout(entries, record);
  } catch (const NOMFGGenerateException&) {
    AddMessage(2, "shapejobs.message.nomfggenerated");
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
  const WorkerProgress progress(*this, p, s);
  progress.At(1);
  AddMessage(0, "shapejobs.message.splittingcaddesign", QK_TAny(QK_TString(currentServer.name)));
  progress.At(2);
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
  const WorkerProgress progress(*this, p, s);
  progress.At(1);
  AddMessage(0, "shapejobs.message.generatingdesignfromstandard", QK_TAny(QK_TString(currentServer.name)));
  progress.At(2);
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
