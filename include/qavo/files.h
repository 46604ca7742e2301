/*
 * Files, temporary values and system facts.
 *
 * A temporary value file is "/tmp/<name>" holding one line, for example "/tmp/UsbFlag"
 * written by "echo 1 > /tmp/UsbFlag". Paths of temporary values are at most 63 characters;
 * longer names are refused like a missing file.
 */
#ifndef QAVO_FILES_H
#define QAVO_FILES_H

#include <stddef.h>
#include <stdio.h>

#include "qavo/api.h"

QAVO_BEGIN_DECLS

/*
 * The decimal number at the start of the first line of "/tmp/<name>" (leading blanks and
 * a sign allowed); 0 when the line holds no number, and 0 with "Read tmp file error!" on
 * stderr when the file cannot be opened.
 */
QAVO_API int getValFromTmp(const char *name);

/*
 * Copies the content of "/tmp/<name>" without its last character (the line end) into
 * out, which must hold outSize bytes. Returns the length of the text, or -1: the file
 * cannot be opened ("Read tmp file error!" on stderr; out untouched), or its content
 * does not fit (out set to "").
 */
QAVO_API int getStrFromTmpSized(const char *name, char *out, size_t outSize);

/* getStrFromTmpSized without a size: the caller guarantees out holds the whole file. */
QAVO_API void getStrFromTmp(const char *name, char *out);

/*
 * Writes length bytes of data to path, replacing the file. Returns the number of bytes
 * written, or -1: the path contains "NULL" (a mount point that is not there), the file
 * cannot be created, or a write call writes nothing (a full disk, "File write failed
 * ..." on stdout). Short writes are reported on stdout and continued.
 */
QAVO_API int writeData2File(const char *data, int length, const char *path);

/* File tests, 1 or 0. Symbolic links are followed except where said. */
QAVO_API int f_file_exist(const char *path); /* a regular file */
QAVO_API int f_exists(const char *path);     /* exists and is not a directory */
QAVO_API int d_exist(const char *path);      /* a directory */
QAVO_API int testDir(const char *path);      /* the path itself is a directory (not a link to one) */
QAVO_API int l_exist(const char *path);      /* the path itself is a symbolic link */

/* Size of the file in bytes, or -1 when it cannot be examined (or exceeds INT_MAX). */
QAVO_API int f_size(const char *path);

/*
 * Marker-file lock between cooperating programs: held while the file exists. lock_file
 * returns 1 when it created the file (mode 0400; creation is exclusive, so of two takers
 * only one succeeds), 0 when the file exists already or cannot be created (the latter
 * with a perror-style "lock_file" message). unlock_file removes the file and returns 1.
 */
QAVO_API int lock_file(const char *path);
QAVO_API int unlock_file(const char *path);

/*
 * Mirrors the tree below source into target: directories are created ("mkdir -p"),
 * files become symbolic links ("ln -s"). Names beginning with "." or holding a single
 * quote are skipped. Relative paths are taken from the working directory at the call (the
 * links then hold absolute paths). Leaves the working directory at the last target
 * directory entered.
 */
QAVO_API void buildFilesLn(const char *source, const char *target);

/*
 * Reads every remaining byte of file into buffer (size bytes) and terminates it.
 * Returns the number of bytes stored, or -1 when the rest did not fit (buffer then holds
 * the first size - 1 bytes).
 */
QAVO_API int readAllStrSized(char *buffer, size_t size, FILE *file);

/* readAllStrSized without a size or terminator: the caller zeroes a buffer large enough. */
QAVO_API void readAllStr(char *buffer, FILE *file);

/*
 * Reads the next line of file into buffer (size bytes) without its line feed and
 * terminates it. Returns the number of bytes stored, or -1 when the line did not fit
 * (its first size - 1 bytes are stored and the rest of the line is skipped).
 */
QAVO_API int nsqreadlineSized(char *buffer, size_t size, FILE *file);

/* nsqreadlineSized without a size or terminator: the caller zeroes a buffer large enough. */
QAVO_API void nsqreadline(char *buffer, FILE *file);

/* Pointer past the leading spaces of text; trailing spaces are overwritten with NULs. Only ' ' counts. */
QAVO_API char *strTrim(char *text);

/* Flash size in MiB from the size of partition "mtd0" in /proc/mtd; 0 when unknown. */
QAVO_API int getFlashSize(void);

/* Writes the uptime as "days;hours;minutes;seconds" into out (32 bytes suffice). */
QAVO_API void getSysUptime(char *out);

QAVO_END_DECLS

#endif
