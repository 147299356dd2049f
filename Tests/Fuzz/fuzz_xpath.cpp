// libFuzzer main of the target FuzzTicketXPath (FuzzTargets.h).
#include "FuzzTargets.h"

SHAPEJOB_FUZZ_MAIN(FuzzTicketXPath)
