// The run of a parametric standard and its document plots: walks the
// standards component's menus and items.
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "DRAVOWrapperCommon.h"
#include "QK_TURL.h"

namespace CAD {

namespace {

// The first variable whose name equals `name` ignoring case, or null.
const Variable* FindVariable(const VariableList& variables, const QK_TString& name) {
  for (const auto& variable : variables) {
    if (variable && variable->Name.EqualsIgnoreCase(name)) return variable.get();
  }
  return nullptr;
}

// The whole number at the start of `text` as atoi reads it (0 when there
// is none), held within the range of an int.
int LeadingWholeNumber(const QK_TString& text) {
  const long value = std::strtol(text.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

void RemoveNamed(VariableList& variables, const QK_TString& name) {
  VariableList kept;
  for (auto& variable : variables) {
    if (!variable || variable->Name != name) kept.push_back(variable);
  }
  variables.swap(kept);
}

}  // namespace

void DravoDriver::FailStandard(int line, const char* key, const QK_TString& errorText, const char* message) {
  Report(2, key, QK_TAny(errorText));
  Raise(DravoError(QK_TString(message), QK_TAny(errorText)), static_cast<unsigned int>(line));
}

void DravoDriver::ApplyVariable(MenuItemDispatch& item, std::int16_t kind, VariableList& working) {
  const QK_TString name = (kind == 2 || kind == 3) ? item.Name() : QK_TString();
  const Variable* found = FindVariable(working, name);
  if (found != nullptr) {
    if (kind == 3) {
      item.SetValue(static_cast<std::int16_t>(LeadingWholeNumber(found->Value)));
    } else if (kind == 2) {
      item.SetValue(found->Value);
    }
    const QK_TString foundName = found->Name;
    RemoveNamed(working, foundName);
  } else if (kind == 2) {
    item.SetValue(item.Default());
  }
}

int DravoDriver::RunStandard(const VariableList& variables) {
  VariableList working = variables;
  int warning = 0;
  if (!standards_ || standards_->m_lpDispatch == nullptr) return 0;

  ConvertingAutomationFailures("Failed Run Open Standard", [&] {
    const std::int16_t count = standards_->MenuCount();
    std::int16_t menu = 2;
    std::int16_t previous = 1;
    while (menu <= count && !working.empty()) {
      auto menuObject = DispatchPtr<MenuDispatch>(new MenuDispatch(standards_->Menu(menu, previous)));
      const std::int16_t kind = menuObject->Kind();
      if (kind == 2) menuObject->SetFlags();
      const std::int16_t items = menuObject->ItemCount();
      for (std::int16_t j = 1; j <= items; ++j) {
        auto item = DispatchPtr<MenuItemDispatch>(new MenuItemDispatch(menuObject->Item(j)));
        ApplyVariable(*item, kind, working);
      }

      const std::int16_t valueCheck = standards_->ValueCheck(menu);
      if (valueCheck != 0 && valueCheck != 1) {
        FailStandard(__LINE__, "shapejobs.message.variableerror", standards_->ErrorText(), profile_.valueCheckFailure);
      }
      const std::int16_t conditionCheck = standards_->ConditionCheck(menu);
      if (conditionCheck == 2) {
        Report(1, "shapejobs.message.checkconditionviolated", QK_TAny(standards_->ErrorText()));
        warning = 1;
      } else if (conditionCheck != 0) {
        FailStandard(__LINE__, "shapejobs.message.checkconditionviolated", standards_->ErrorText(),
                     "Runstandard failed");
      }
      previous = menu;
      ++menu;
    }

    for (const auto& variable : working) {
      if (!variable) continue;
      Report(1, "shapejobs.message.variablenotexist", QK_TAny(variable->Name + "," + variable->Value));
      warning = 1;
    }

    const std::int16_t finish = standards_->Finish(previous);
    if (finish == 2) {
      Report(1, "shapejobs.message.runopenstandardfailed", QK_TAny(standards_->ErrorText()));
      warning = 1;
    } else if (finish != 0) {
      FailStandard(__LINE__, "shapejobs.message.runopenstandardfailed", standards_->ErrorText(),
                   "Runstandard failed.");
    }
    if (standards_->FinalCheck() != 0) {
      FailStandard(__LINE__, "shapejobs.message.runopenstandardfailed", standards_->ErrorText(),
                   "Runstandard failed.");
    }
  });
  return warning;
}

int DravoDriver::GenerateDocPlots(const QK_TString& designName, const QK_TURL& folder, PlotList& plots,
                                  std::int16_t width, std::int16_t height) {
  const std::int16_t count = standards_->MenuCount();
  QK_TURL target = folder;
  const std::size_t dot = designName.FindLast('.');
  const QK_TString base = designName.Substring(0, dot);
  int warning = 0;

  // Writes one plot image; the status decides whether it is listed.
  auto plot = [&](std::int16_t menu, std::int16_t item, const QK_TString& plotName) {
    target.SetFileName(SanitizeFileName(QK_TString::Format("%s_%s.JPG", base.c_str(), plotName.c_str())));
    const std::int16_t status = standards_->Plot(menu, item, target.LocalName(), width, height);
    if (status == 0) plots.emplace_back(plotName, target.ToString());
    return status;
  };

  for (std::int16_t menu = 1; menu <= count; ++menu) {
    auto menuObject = DispatchPtr<MenuDispatch>(new MenuDispatch(standards_->Menu(menu, menu - 1)));
    const QK_TString title = menuObject->Title().Replace(" ", "");
    const std::int16_t kind = menuObject->Kind();
    const std::int16_t items = menuObject->ItemCount();

    const std::int16_t condition = standards_->ConditionCheck(menu);
    if (condition != 0 && condition != 2) {
      warning = 1;
      Report(2, "shapejobs.warning.failedtosetmenudata", QK_TAny(title));
      Report(2, "shapejobs.warning.errormessage", QK_TAny(standards_->ErrorText()));
    }

    bool judged = true;
    std::int16_t status = 0;
    if (kind == 3) {
      judged = items >= 1;
      for (std::int16_t j = 1; j <= items; ++j) {
        status = plot(menu, j, QK_TString::Format("%s_%d", title.c_str(), j));
      }
    } else {
      status = plot(menu, items, title);
    }
    if (judged && status != 0 && status != 1) {
      warning = 1;
      Report(2, "shapejobs.warning.failedtogeneratedocplot", QK_TAny(title));
      Report(2, "shapejobs.warning.errormessage", QK_TAny(standards_->ErrorText()));
    }
  }
  return warning;
}

}  // namespace CAD
