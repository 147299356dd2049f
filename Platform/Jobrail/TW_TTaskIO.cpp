#include "TW_TTaskIO.h"

void TW_TTaskOutput::AddOutputFile(const QK_TURL& location, const QK_TString& label) {
  files_.push_back(File{location, label});
}
