/*
 * MD5 message digest (RFC 1321) with the classic three-call interface.
 */
#ifndef QAVO_MD5_H
#define QAVO_MD5_H

#include <stddef.h>
#include <stdint.h>

#include "qavo/api.h"

QAVO_BEGIN_DECLS

/* Running state of one digest. */
struct MD5Context {
    uint32_t state[4];        /* A, B, C, D */
    uint32_t count[2];        /* number of bits hashed so far, low word first */
    unsigned char buffer[64]; /* input not yet hashed */
};

/* Starts a new digest in context. */
QAVO_API void MD5Init(struct MD5Context *context);

/* Adds length bytes to the digest. */
QAVO_API void MD5Update(struct MD5Context *context, const unsigned char *bytes, size_t length);

/* Writes the 16-byte digest and then clears the whole context to zero. */
QAVO_API void MD5Final(unsigned char digest[16], struct MD5Context *context);

QAVO_END_DECLS

#endif
