// One run of a parametric standard (FolvaneCADStandard.h): the values of its
// items, the checks of its menus and the design it produces.
//
// A run opens with a unit and a parameter-set name: every item starts at its
// default, which the set gives when it is declared and lists the item, and
// the item's own default otherwise. Menus and items are numbered from 1.
// Checks answer the statuses that the standards component hands on:
// - value check of a menu: 0, or 2 when a numeric item holds a text that is
//   not a number or a number outside its min..max (the error names the item
//   and the value);
// - condition check of a menu: 0, 2 when a warning condition fails, 3 when
//   an error condition fails or a condition cannot be judged (the error is
//   the condition's text or the reason; error conditions are judged first);
// - final check: 0 when the error conditions of the menus whose conditions
//   were never checked hold, else 2.
// The produced design is the standard's design in the run's unit with a
// variable per item (replacing a namesake of the standard's own), the
// outline evaluated into lines after the design's own lines, and the
// attribute parameterSet naming the set (when one was named); the
// <Standard> element stays in it.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "Model/FolvaneCADStandard.h"

namespace FolvaneCAD {

constexpr short kCheckPassed = 0;
constexpr short kValueRefused = 2;
constexpr short kConditionWarning = 2;
constexpr short kConditionError = 3;
constexpr short kFinalCheckFailed = 2;

class StandardRun {
 public:
  StandardRun(Standard standard, Unit unit, QK_TString parameterSet);

  const Standard& standard() const { return standard_; }
  int MenuCount() const { return static_cast<int>(standard_.menus.size()); }
  bool HasMenu(int menu) const { return menu >= 1 && menu <= MenuCount(); }
  bool HasItem(int menu, int item) const;
  // Only for numbers that HasMenu / HasItem accept.
  const StandardMenu& Menu(int menu) const { return standard_.menus[menu - 1]; }
  const StandardItem& Item(int menu, int item) const { return Menu(menu).items[item - 1]; }
  const QK_TString& ItemValue(int menu, int item) const { return values_[menu - 1][item - 1]; }
  const QK_TString& ItemDefault(int menu, int item) const { return defaults_[menu - 1][item - 1]; }
  void SetItemValue(int menu, int item, const QK_TString& value) { values_[menu - 1][item - 1] = value; }
  // Every item that the design has a variable of takes its value.
  void TakeValuesOf(const Design& design);

  short ValueCheck(int menu, QK_TString* error) const;
  short ConditionCheck(int menu, QK_TString* error);
  short FinalCheck(QK_TString* error) const;

  // The value of an item or, failing that, of a variable of the standard.
  std::optional<Value> Lookup(const QK_TString& name) const;
  // The design's own lines and the outline evaluated; false with the reason
  // when a coordinate cannot be evaluated to a number.
  bool Lines(std::vector<Line>* lines, QK_TString* error) const;
  bool Produce(Design* design, QK_TString* error) const;

 private:
  struct Position {
    int menu;
    int item;
  };

  Value ValueOf(const Position& position) const;
  // Judges the conditions of `severity` of a menu; false with the failing
  // one's text, or with the reason and `broken` set when one could not be
  // judged.
  bool ConditionsHold(int menu, ConditionSeverity severity, QK_TString* error, bool* broken) const;

  Standard standard_;
  Unit unit_;
  QK_TString parameterSet_;
  std::vector<std::vector<QK_TString>> defaults_;
  std::vector<std::vector<QK_TString>> values_;
  std::unordered_map<std::string, Position> items_;  // by lower-case name
  std::vector<bool> conditionsChecked_;
};

}  // namespace FolvaneCAD
