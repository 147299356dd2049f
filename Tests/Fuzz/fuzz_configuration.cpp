// libFuzzer main of the target FuzzConfigurationFile (FuzzTargets.h).
#include "FuzzTargets.h"

SHAPEJOB_FUZZ_MAIN(FuzzConfigurationFile)
