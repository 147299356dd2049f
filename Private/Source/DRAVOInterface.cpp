#include "DRAVOInterface.h"

namespace CAD {

DRAVOInterface::~DRAVOInterface() = default;

}  // namespace CAD
