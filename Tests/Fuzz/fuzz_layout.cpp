// libFuzzer main of the target FuzzLayoutTransform (FuzzTargets.h).
#include "FuzzTargets.h"

SHAPEJOB_FUZZ_MAIN(FuzzLayoutTransform)
