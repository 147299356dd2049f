// The failure handling of the layout operation, in one place: each failure
// of a nest or an entry, by its class, becomes an error entry of the layout
// report (the run goes on) or, for a layout for production, fails the task.
#include "DRAVOInterfaceLayoutRun.h"
#include "DravoException.h"
#include "ShapejobCodes.h"
#include "TaskError.h"

namespace CAD {

namespace {

// The identifying keys an entry error carries besides "ErrorMsg".
enum ErrorKeys : unsigned {
  kMessageOnly = 0,
  kTemplateKeys = 1,  // "FormatClass" and "MFGTemplate"
  kDesignKey = 2,     // "DesignName"
  kGrainKey = 4,      // "GrainDirection"
};


// The nest's one-ups asked for, or a design larger than the largest sheet
// without filling: a failure worth an error entry, not just a warning.
bool WorthRecording(const LayoutRun::Entry& entry) {
  const LayoutNestingInfo& nest = entry.nest;
  if (nest.oneupsX != 0 || nest.oneupsY != 0) return true;
  const DesignInfo& design = entry.Design();
  return design.manufacturingSizeX > nest.sheetSizeX && design.manufacturingSizeY > nest.sheetSizeY &&
         nest.fillSheet.EqualsIgnoreCase(kNo);
}

// The design an error names: the entry's, else the one opened for it.
QK_TString DesignNameOf(const LayoutRun::Entry& entry) {
  if (!entry.names.designName.Empty()) return entry.names.designName;
  return DRAVOInterface::FileNameOfPath(entry.record.designReference);
}

}  // namespace

void LayoutRun::AppendError(StringMap error) {
  ++errorCount;
  errors.push_back(std::make_shared<StringMap>(std::move(error)));
}

bool LayoutRun::HandleFailure(Entry& entry) {
  const bool production = ticket.layoutForProduction;
  const LayoutTemplateNames& names = entry.names;
  // A counted error of the entry, or TaskError in production after `message`.
  const auto fail = [&](unsigned keys, const QK_TString& text, const char* message = nullptr,
                        const QK_TAny* argument = nullptr) {
    if (production) {
      if (message != nullptr && argument != nullptr) cad.Report(Severity::kError, message, *argument);
      if (message != nullptr && argument == nullptr) cad.Report(Severity::kError, message);
      QK_THROW(TaskError());
    }
    StringMap error;
    if (keys & kTemplateKeys) {
      error.emplace(QK_TString("FormatClass"), names.formatClass);
      error.emplace(QK_TString("MFGTemplate"), names.mfgTemplate);
    }
    if (keys & kDesignKey) {
      const QK_TString design = DesignNameOf(entry);
      if (!design.Empty()) error.emplace(QK_TString("DesignName"), design);
    }
    if (keys & kGrainKey) {
      error.emplace(QK_TString("GrainDirection"), QK_TString::Format("%d", entry.record.grainCode));
    }
    error.emplace(QK_TString("ErrorMsg"), text);
    AppendError(std::move(error));
    warning = 1;
    entry.search.searchContinues = false;
  };

  try {
    throw;
  } catch (const InvalidMandatoryParameterValueExceptionHandler& caught) {
    // With the newer placing the first failure of an orientation is passed
    // over: the next nest tries again.
    if (DRAVOInterface::layoutVersionFlag && !entry.firstFailureHandled) {
      entry.firstFailureHandled = true;
      return true;
    }
    entry.firstFailureHandled = true;
    entry.search.searchContinues = false;
    if (production) QK_THROW(TaskError());
    if (WorthRecording(entry)) {
      StringMap error;
      DRAVOInterface::MakeErrorEntry(names.formatClass, names.mfgTemplate, entry.nest.grainCode,
                     static_cast<std::uint32_t>(entry.nest.nestingCode), error);
      error.emplace(QK_TString("ErrorMsg"), caught.QK_Message());
      AppendError(std::move(error));
    }
    warning = 1;
    return true;
  } catch (const InvalidNestingTypeExceptionHandler& caught) {
    if (production) {
      entry.search.searchContinues = false;
      QK_THROW(TaskError());
    }
    // Recorded once per call: on the first orientation pass, before any other failure of it.
    if (orientationPasses == 1 && !entry.firstFailureHandled) {
      entry.firstFailureHandled = true;
      AppendError(StringMap{{QK_TString("ErrorMsg"), caught.QK_Message()}});
      warning = 1;
    }
    if (errorCount > 0) entry.search.searchContinues = false;
    return true;
  } catch (const EmptyFormatClassException&) {
    fail(kMessageOnly, QK_TString("Format Class cannot be empty"));
  } catch (const EmptyMFGTemplateNameException&) {
    fail(kMessageOnly, QK_TString("MFG Template cannot be empty"));
  } catch (const EmptyDesignNameException&) {
    const QK_TAny templateName(names.mfgTemplate);
    fail(kTemplateKeys, QK_TString("Design not found"), "shapejobs.error.designnotfound", &templateName);
  } catch (const PrintItemExceptionHandler& caught) {
    fail(kTemplateKeys | kDesignKey, caught.QK_Message());
  } catch (const DravoError& caught) {
    // The exception's own text is the message key; one without text has
    // been reported by its thrower, and an empty key is no message.
    const QK_TString& key = caught.QK_Message();
    fail(kTemplateKeys, caught.QK_Data().ToText(), key.Empty() ? nullptr : key.c_str());
  } catch (const InvalidGraindirException&) {
    fail(kTemplateKeys, QK_TString("Invalid or Empty Grain Direction"));
  } catch (const LexicalCastExceptionHandler& caught) {
    fail(kTemplateKeys, caught.QK_Message());
  } catch (const EmptyMandatoryParameterException& caught) {
    fail(kTemplateKeys | kGrainKey, caught.QK_Message());
  }
  return false;
}

}  // namespace CAD
