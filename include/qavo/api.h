/* Export marker and C linkage helpers shared by every public header of the library. */
#ifndef QAVO_API_H
#define QAVO_API_H

#if defined(__GNUC__)
#define QAVO_API __attribute__((visibility("default")))
#else
#define QAVO_API
#endif

#ifdef __cplusplus
#define QAVO_BEGIN_DECLS extern "C" {
#define QAVO_END_DECLS }
#else
#define QAVO_BEGIN_DECLS
#define QAVO_END_DECLS
#endif

#endif
