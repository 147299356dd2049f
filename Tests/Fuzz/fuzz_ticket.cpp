// libFuzzer main of the target FuzzTicketFile (FuzzTargets.h).
#include "FuzzTargets.h"

SHAPEJOB_FUZZ_MAIN(FuzzTicketFile)
