// libFuzzer main of the target FuzzShopCardTicket (FuzzTargets.h).
#include "FuzzTargets.h"

SHAPEJOB_FUZZ_MAIN(FuzzShopCardTicket)
