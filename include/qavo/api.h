/* Export marker and C linkage helpers shared by every public header of the library. */
#ifndef QAVO_API_H
#define QAVO_API_H

#if defined(__GNUC__)
#define QAVO_API __attribute__((visibility("default")))
#else
#define QAVO_API
#endif

/* Sizes of the address texts the library writes, terminating NUL included:
 * "xx:xx:xx:xx:xx:xx" and "255.255.255.255". */
#define QAVO_MAC_TEXT_SIZE 18
#define QAVO_IPV4_TEXT_SIZE 16

#ifdef __cplusplus
#define QAVO_BEGIN_DECLS extern "C" {
#define QAVO_END_DECLS }
#else
#define QAVO_BEGIN_DECLS
#define QAVO_END_DECLS
#endif

#endif
