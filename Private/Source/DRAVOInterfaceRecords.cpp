#include "DRAVOInterfaceRecords.h"

namespace CAD {

DesignInfo& DesignInfo::operator=(const DesignInfo& other) {
  designName = other.designName;
  boardCode = other.boardCode;
  boardDescription = other.boardDescription;
  units = other.units;
  productBlankArea = other.productBlankArea;
  if (&values != &other.values) {
    values.clear();
    values.insert(other.values.begin(), other.values.end());
  }
  manufacturingSizeX = other.manufacturingSizeX;
  manufacturingSizeY = other.manufacturingSizeY;
  industryCode = other.industryCode;
  return *this;
}

}  // namespace CAD
