// Requests that the framework forwards to the program.
#include <iostream>

#include "Shapejob.h"

namespace CAD {

void HandleRequest(const QK_TDict& request, QK_TAny& reply) {
  const QK_TAny* method = request.Find("M");
  if (method == nullptr || !method->Is(QK_TAny::Kind::String) || method->AsString() != "TestConnection") {
    return;  // not a request of this program: the reply stays as it is
  }
  const QK_TAny* label = request.Find("P1");
  std::cout << "[" << (label != nullptr ? label->ToText() : QK_TString()) << "] - "
            << "TestConnection is not available in this build" << std::endl;
}

}  // namespace CAD
