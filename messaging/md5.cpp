// MD5 as RFC 1321 defines it: 64-byte blocks, four rounds of sixteen steps, little-endian words.
#include "qavo/md5.h"

#include <cstring>

namespace {

constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

// Left-rotation amounts, four per round.
constexpr unsigned kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

uint32_t rotateLeft(uint32_t x, unsigned n)
{
    return (x << n) | (x >> (32 - n));
}

uint32_t littleEndianWord(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void transform(uint32_t state[4], const unsigned char block[64])
{
    uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = littleEndianWord(block + 4 * i);

    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (unsigned step = 0; step < 64; ++step) {
        unsigned round = step / 16;
        uint32_t f;
        unsigned word;
        switch (round) {
        case 0:
            f = (b & c) | (~b & d);
            word = step;
            break;
        case 1:
            f = (d & b) | (~d & c);
            word = (5 * step + 1) % 16;
            break;
        case 2:
            f = b ^ c ^ d;
            word = (3 * step + 5) % 16;
            break;
        default:
            f = c ^ (b | ~d);
            word = (7 * step) % 16;
            break;
        }
        uint32_t next = b + rotateLeft(a + f + kSine[step] + x[word], kShift[round][step % 4]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

} // namespace

extern "C" void MD5Init(MD5Context *context)
{
    memset(context, 0, sizeof *context);
    context->state[0] = 0x67452301;
    context->state[1] = 0xefcdab89;
    context->state[2] = 0x98badcfe;
    context->state[3] = 0x10325476;
}

extern "C" void MD5Update(MD5Context *context, const unsigned char *bytes, size_t length)
{
    if (length == 0)
        return; // nothing to add; bytes may then be null, which memcpy must never see
    size_t used = (context->count[0] >> 3) & 63;
    uint64_t bits = (uint64_t(context->count[1]) << 32 | context->count[0]) + uint64_t(length) * 8;
    context->count[0] = uint32_t(bits);
    context->count[1] = uint32_t(bits >> 32);

    size_t free = 64 - used;
    if (length >= free) {
        memcpy(context->buffer + used, bytes, free);
        transform(context->state, context->buffer);
        size_t done = free;
        for (; done + 64 <= length; done += 64)
            transform(context->state, bytes + done);
        bytes += done;
        length -= done;
        used = 0;
    }
    memcpy(context->buffer + used, bytes, length);
}

extern "C" void MD5Final(unsigned char digest[16], MD5Context *context)
{
    unsigned char lengthBytes[8];
    for (int i = 0; i < 8; ++i)
        lengthBytes[i] = static_cast<unsigned char>(context->count[i / 4] >> (8 * (i % 4)));

    // Pad with 0x80 and zeros up to 56 bytes modulo 64, then the 64-bit bit count.
    static const unsigned char padding[64] = {0x80};
    size_t used = (context->count[0] >> 3) & 63;
    MD5Update(context, padding, used < 56 ? 56 - used : 120 - used);
    MD5Update(context, lengthBytes, 8);

    for (int i = 0; i < 16; ++i)
        digest[i] = static_cast<unsigned char>(context->state[i / 4] >> (8 * (i % 4)));
    memset(context, 0, sizeof *context);
}
