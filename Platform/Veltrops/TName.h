// Variable-substitution names. A text refers to a name as "<name/>" (or, in
// the doubled form, "<<name/>>"); Resolve replaces every reference by the
// name's value. A name's value comes from a look-up handler installed for it
// or, failing that, from the values defined for the task.
#pragma once

#include <map>

#include "QK_TString.h"

class TName;

// A callback that supplies the value of one or more names on demand.
class TNameLookupHandler {
 public:
  virtual ~TNameLookupHandler() = default;
  // Fills `value` for `name` and returns true, or returns false when the
  // handler has no value for it. `parameters` is the text between the name
  // and "/>" in the reference (usually empty); `resolver` is the TName that
  // asks.
  virtual bool Lookup(const QK_TString& name, const QK_TString& parameters, TName& resolver,
                      QK_TString& value) = 0;
};

class TName {
 public:
  // Defines (or redefines) a name with a fixed value.
  void Define(const QK_TString& name, const QK_TString& value);
  // True when the name has a defined value or an installed handler.
  bool IsDefined(const QK_TString& name) const;
  // Installs `handler` (not owned) for `name`. With `replace` false an
  // already installed handler is kept. The handler must outlive its
  // installation or be removed with RemoveLookupHandler.
  void SetLookupHandler(const QK_TString& name, TNameLookupHandler* handler, bool replace);
  void RemoveLookupHandler(const QK_TString& name);
  // Installs `handler` (not owned, null for none) for every name that has
  // neither a handler nor a defined value: the names its owner supplies by
  // itself.
  void SetFallbackHandler(TNameLookupHandler* handler) { fallback_ = handler; }
  // Replaces every name reference in `text`. Returns false, leaving
  // `resolved` untouched, when a referenced name has no value.
  bool Resolve(const QK_TString& text, QK_TString& resolved);

 private:
  // The value of one referenced name: its handler's answer, else its
  // defined value. False when neither gives one.
  bool ValueOf(const QK_TString& name, const QK_TString& parameters, QK_TString& value);

  std::map<QK_TString, QK_TString> values_;
  std::map<QK_TString, TNameLookupHandler*> handlers_;
  TNameLookupHandler* fallback_ = nullptr;
};
