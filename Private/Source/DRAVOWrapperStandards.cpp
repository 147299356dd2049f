// The run of a parametric standard and its document plots: walks the
// standards component's menus and items.
#include <cstdlib>
#include <limits>

#include "DRAVOWrapperCommon.h"
#include "FileNameParts.h"
#include "QK_TURL.h"
#include "ShapejobCodes.h"

namespace CAD {

namespace {

// Menu 1 of a standard takes no variables: the run starts at menu 2, and
// each menu call names the menu before it.
constexpr std::int16_t kFirstVariableMenu = 2;

// The first variable whose name equals `name` ignoring case, or null.
const Variable* FindVariable(const VariableList& variables, const QK_TString& name) {
  for (const auto& variable : variables) {
    if (variable && variable->Name.EqualsIgnoreCase(name)) return variable.get();
  }
  return nullptr;
}

// The whole number at the start of `text` as atoi reads it (0 when there
// is none), held within the range of a long long.
long long LeadingWholeNumber(const QK_TString& text) { return std::strtoll(text.c_str(), nullptr, 10); }

// A whole-number item holds 16 bits; a value beyond them is refused, not cut.
bool FitsWholeNumberItem(long long value) {
  return value >= std::numeric_limits<std::int16_t>::min() && value <= std::numeric_limits<std::int16_t>::max();
}

void RemoveNamed(VariableList& variables, const QK_TString& name) {
  VariableList kept;
  for (auto& variable : variables) {
    if (!variable || variable->Name != name) kept.push_back(variable);
  }
  variables.swap(kept);
}

}  // namespace

void DravoDriver::FailStandard(const char* key, const QK_TString& errorText, const char* message,
                               unsigned int line) {
  Report(Severity::kError, key, QK_TAny(errorText));
  Raise(DravoError(QK_TString(message), QK_TAny(errorText)), line);
}

void DravoDriver::ApplyVariable(MenuItemDispatch& item, std::int16_t kind, VariableList& working) {
  const QK_TString name =
      (kind == MenuKind::kText || kind == MenuKind::kWholeNumber) ? item.Name() : QK_TString();
  const Variable* found = FindVariable(working, name);
  if (found != nullptr) {
    if (kind == MenuKind::kWholeNumber) {
      const long long value = LeadingWholeNumber(found->Value);
      if (!FitsWholeNumberItem(value)) {
        FailStandard("shapejobs.message.variableerror", found->Name + "," + found->Value,
                     profile_.valueCheckFailure);
      }
      item.SetValue(static_cast<std::int16_t>(value));
    } else if (kind == MenuKind::kText) {
      item.SetValue(found->Value);
    }
    const QK_TString foundName = found->Name;
    RemoveNamed(working, foundName);
  } else if (kind == MenuKind::kText) {
    item.SetValue(item.Default());
  }
}

int DravoDriver::RunStandard(const VariableList& variables) {
  VariableList working = variables;
  int warning = 0;
  if (!standards_ || standards_->m_lpDispatch == nullptr) return 0;

  ConvertingAutomationFailures("Failed Run Open Standard", [&] {
    const std::int16_t count = standards_->MenuCount();
    std::int16_t menu = kFirstVariableMenu;
    std::int16_t previous = kFirstVariableMenu - 1;
    while (menu <= count && !working.empty()) {
      auto menuObject = DispatchPtr<MenuDispatch>(new MenuDispatch(standards_->Menu(menu, previous)));
      const std::int16_t kind = menuObject->Kind();
      if (kind == MenuKind::kText) menuObject->SetFlags();
      const std::int16_t items = menuObject->ItemCount();
      for (std::int16_t j = 1; j <= items; ++j) {
        auto item = DispatchPtr<MenuItemDispatch>(new MenuItemDispatch(menuObject->Item(j)));
        ApplyVariable(*item, kind, working);
      }

      const std::int16_t valueCheck = standards_->ValueCheck(menu);
      if (valueCheck != Status::kDone && valueCheck != Status::kDoneWithRemarks) {
        FailStandard("shapejobs.message.variableerror", standards_->ErrorText(), profile_.valueCheckFailure);
      }
      const std::int16_t conditionCheck = standards_->ConditionCheck(menu);
      if (conditionCheck == Status::kStandardWarning) {
        Report(Severity::kWarning, "shapejobs.message.checkconditionviolated",
               QK_TAny(standards_->ErrorText()));
        warning = 1;
      } else if (conditionCheck != Status::kDone) {
        FailStandard("shapejobs.message.checkconditionviolated", standards_->ErrorText(),
                     "Runstandard failed");
      }
      previous = menu;
      ++menu;
    }

    for (const auto& variable : working) {
      if (!variable) continue;
      Report(Severity::kWarning, "shapejobs.message.variablenotexist",
             QK_TAny(variable->Name + "," + variable->Value));
      warning = 1;
    }

    const std::int16_t finish = standards_->Finish(previous);
    if (finish == Status::kStandardWarning) {
      Report(Severity::kWarning, "shapejobs.message.runopenstandardfailed", QK_TAny(standards_->ErrorText()));
      warning = 1;
    } else if (finish != Status::kDone) {
      FailStandard("shapejobs.message.runopenstandardfailed", standards_->ErrorText(), "Runstandard failed.");
    }
    if (standards_->FinalCheck() != Status::kDone) {
      FailStandard("shapejobs.message.runopenstandardfailed", standards_->ErrorText(), "Runstandard failed.");
    }
  });
  return warning;
}

int DravoDriver::GenerateDocPlots(const QK_TString& designName, const QK_TURL& folder, PlotList& plots,
                                  std::int16_t width, std::int16_t height, const DeliveredLocations& delivered) {
  const std::int16_t count = standards_->MenuCount();
  QK_TURL target = folder;
  const QK_TString base = StemOf(designName);
  int warning = 0;

  // Writes one plot image; the status decides whether it is listed.
  auto plot = [&](std::int16_t menu, std::int16_t item, const QK_TString& plotName) {
    target.SetFileName(SanitizeFileName(QK_TString::Format("%s_%s.JPG", base.c_str(), plotName.c_str())));
    target = delivered.FreeLocation(target, reporter);
    const std::int16_t status = standards_->Plot(menu, item, target.LocalName(), width, height);
    if (status == Status::kDone) plots.emplace_back(plotName, target.ToString());
    return status;
  };

  for (std::int16_t menu = 1; menu <= count; ++menu) {
    auto menuObject = DispatchPtr<MenuDispatch>(new MenuDispatch(standards_->Menu(menu, menu - 1)));
    const QK_TString title = menuObject->Title().Replace(" ", "");
    const std::int16_t kind = menuObject->Kind();
    const std::int16_t items = menuObject->ItemCount();

    const std::int16_t condition = standards_->ConditionCheck(menu);
    if (condition != Status::kDone && condition != Status::kStandardWarning) {
      warning = 1;
      Report(Severity::kError, "shapejobs.warning.failedtosetmenudata", QK_TAny(title));
      Report(Severity::kError, "shapejobs.warning.errormessage", QK_TAny(standards_->ErrorText()));
    }

    bool judged = true;
    std::int16_t status = Status::kDone;
    if (kind == MenuKind::kWholeNumber) {
      judged = items >= 1;
      for (std::int16_t j = 1; j <= items; ++j) {
        status = plot(menu, j, QK_TString::Format("%s_%d", title.c_str(), j));
      }
    } else {
      status = plot(menu, items, title);
    }
    if (judged && status != Status::kDone && status != Status::kDoneWithRemarks) {
      warning = 1;
      Report(Severity::kError, "shapejobs.warning.failedtogeneratedocplot", QK_TAny(title));
      Report(Severity::kError, "shapejobs.warning.errormessage", QK_TAny(standards_->ErrorText()));
    }
  }
  return warning;
}

}  // namespace CAD
