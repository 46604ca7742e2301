// PLACEHOLDER until the interface roles land: no WAN interface is known yet, so the
// boot sequence records an empty name in /var/wanInface.
#include "qavo/interfaces.h"

extern "C" const char *getWanIfNamePPP(void) { return ""; }
