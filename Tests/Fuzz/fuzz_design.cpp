// libFuzzer main of the target FuzzDesignFile (FuzzTargets.h).
#include "FuzzTargets.h"

SHAPEJOB_FUZZ_MAIN(FuzzDesignFile)
