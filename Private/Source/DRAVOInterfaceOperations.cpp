// What the task operations of the CAD interface share. Each family of
// operations has a file of its own: DRAVOInterfaceStandard.cpp,
// DRAVOInterfaceDesignInfo.cpp, DRAVOInterfaceShopCard.cpp,
// DRAVOInterfaceSplit.cpp and DRAVOInterfaceLayout.cpp.
#include "DRAVOInterface.h"
#include "QK_EException.h"

namespace CAD {

void DRAVOInterface::NotAvailable(const char* what) {
  QK_THROW(QK_EException(QK_TString::Format("%s is not available in this build", what)));
}

}  // namespace CAD
