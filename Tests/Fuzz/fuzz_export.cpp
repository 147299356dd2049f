// libFuzzer main of the target FuzzExportList (FuzzTargets.h).
#include "FuzzTargets.h"

SHAPEJOB_FUZZ_MAIN(FuzzExportList)
