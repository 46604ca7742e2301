/*
 * Interface roles and kernel interface queries.
 */
#ifndef QAVO_INTERFACES_H
#define QAVO_INTERFACES_H

#include "qavo/api.h"

QAVO_BEGIN_DECLS

/* Name of the interface that carries the WAN address (PPP-aware); a constant string. */
QAVO_API const char *getWanIfNamePPP(void);

QAVO_END_DECLS

#endif
