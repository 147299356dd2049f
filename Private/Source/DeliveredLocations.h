// The output locations that the inputs of one ticket have delivered, each
// with the input that wrote it: an operation adds every file it writes, so
// that the run registers what the input wrote and a later input of the
// ticket takes a name of its own instead of replacing a file an earlier
// one delivered.
#pragma once

#include <map>

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
  // The input that runs now delivered `location`.
  bool ByThisInput(const QK_TURL& location) const;
  void Add(const QK_TURL& location);
  // A location given back: what was meant for it was not delivered.
  void Remove(const QK_TURL& location);

  // `location` itself when no earlier input delivered it; otherwise the
  // location with "_N" before its extension, N the input's position, or
  // the next higher N while an earlier input delivered that one too, and a
  // line in `log` (when there is one) says which. The files of the input
  // that runs now are left out, so that its outputs that name one file
  // still name one file.
  QK_TURL FreeLocation(const QK_TURL& location, TW_TTask* log = nullptr) const;

  // `location` with `suffix` put before its extension (at the end of a name
  // without one).
  static QK_TURL WithSuffix(const QK_TURL& location, const QK_TString& suffix);

 private:
  bool ByEarlierInput(const QK_TURL& location) const;

  std::map<QK_TString, unsigned int> locations_;  // local name to the input that delivered it last
  unsigned int input_ = 1;
};

}  // namespace CAD
