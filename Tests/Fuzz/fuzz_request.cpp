// libFuzzer main of the target FuzzRequestFile (FuzzTargets.h).
#include "FuzzTargets.h"

SHAPEJOB_FUZZ_MAIN(FuzzRequestFile)
