// The output locations of a ticket's inputs and the "_N" names of a later
// input.
#include "DeliveredLocations.h"

#include "TW_TTask.h"

namespace CAD {

bool DeliveredLocations::Has(const QK_TURL& location) const {
  return locations_.count(location.LocalName()) != 0;
}

void DeliveredLocations::Add(const QK_TURL& location) { locations_.insert(location.LocalName()); }

void DeliveredLocations::Remove(const QK_TURL& location) { locations_.erase(location.LocalName()); }

QK_TURL DeliveredLocations::FreeLocation(const QK_TURL& location, TW_TTask* log) const {
  QK_TURL free = location;
  for (unsigned int n = input_; Has(free); ++n) free = WithSuffix(location, QK_TString::Format("_%u", n));
  if (log != nullptr && free != location) {
    log->Log(QK_TString::Format("An earlier input of the ticket delivered %s: this input's output is %s",
                                location.LocalName().c_str(), free.LocalName().c_str()));
  }
  return free;
}

QK_TURL DeliveredLocations::WithSuffix(const QK_TURL& location, const QK_TString& suffix) {
  const QK_TString name = location.FileName();
  const std::size_t dot = name.FindLast('.');
  QK_TURL result = location;
  result.SetFileName(dot == QK_TString::npos || dot == 0 ? name + suffix
                                                         : name.Substring(0, dot) + suffix + name.Substring(dot));
  return result;
}

}  // namespace CAD
