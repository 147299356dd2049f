// The output locations of a ticket's inputs and the "_N" names of a later
// input.
#include "DeliveredLocations.h"

#include "FileNameParts.h"
#include "TW_TTask.h"

namespace CAD {

bool DeliveredLocations::Has(const QK_TURL& location) const {
  return locations_.count(location.LocalName()) != 0;
}

bool DeliveredLocations::ByThisInput(const QK_TURL& location) const {
  const auto found = locations_.find(location.LocalName());
  return found != locations_.end() && found->second == input_;
}

bool DeliveredLocations::ByEarlierInput(const QK_TURL& location) const {
  const auto found = locations_.find(location.LocalName());
  return found != locations_.end() && found->second < input_;
}

void DeliveredLocations::Add(const QK_TURL& location) { locations_[location.LocalName()] = input_; }

void DeliveredLocations::Remove(const QK_TURL& location) { locations_.erase(location.LocalName()); }

QK_TURL DeliveredLocations::FreeLocation(const QK_TURL& location, TW_TTask* log) const {
  QK_TURL free = location;
  for (unsigned int n = input_; ByEarlierInput(free); ++n) free = WithSuffix(location, QK_TString::Format("_%u", n));
  if (log != nullptr && free != location) {
    log->Log(QK_TString::Format("An earlier input of the ticket delivered %s: this input's output is %s",
                                location.LocalName().c_str(), free.LocalName().c_str()));
  }
  return free;
}

QK_TURL DeliveredLocations::WithSuffix(const QK_TURL& location, const QK_TString& suffix) {
  const QK_TString name = location.FileName();
  const QK_TString stem = StemOf(name);
  QK_TURL result = location;
  // A name that starts with its only "." (".profile") has no extension.
  result.SetFileName(stem.Empty() ? name + suffix : stem + suffix + ExtensionOf(name));
  return result;
}

}  // namespace CAD
