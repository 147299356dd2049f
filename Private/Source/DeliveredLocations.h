// The output locations that the inputs of one ticket have delivered, so
// that a later input of the ticket takes a name of its own instead of
// replacing a file an earlier one delivered.
#pragma once

#include <set>

#include "QK_TString.h"
#include "QK_TURL.h"

class TW_TTask;

namespace CAD {

class DeliveredLocations {
 public:
  // The 1-based position among the ticket's inputs of the input that runs
  // now; it numbers the names that input takes.
  void BeginInput(unsigned int position) { input_ = position; }
  unsigned int InputPosition() const { return input_; }

  bool Has(const QK_TURL& location) const;
  void Add(const QK_TURL& location);
  // A location given back: what was meant for it was not delivered.
  void Remove(const QK_TURL& location);

  // `location` itself when no input delivered it; otherwise the location
  // with "_N" before its extension, N the input's position, or the next
  // higher N while that one is delivered too, and a line in `log` (when
  // there is one) says which.
  QK_TURL FreeLocation(const QK_TURL& location, TW_TTask* log = nullptr) const;

  // `location` with `suffix` put before its extension (at the end of a name
  // without one).
  static QK_TURL WithSuffix(const QK_TURL& location, const QK_TString& suffix);

 private:
  std::set<QK_TString> locations_;  // local names
  unsigned int input_ = 1;
};

}  // namespace CAD
