/*
 * Configuration store: numbered sections of text settings.
 *
 * Section 0 holds the router's settings, section 1 those of the second radio.
 * Keys and values are NUL-terminated strings; flags and numbers are decimal
 * text. Every operation takes the section number first. Unknown sections
 * read as empty and refuse writes.
 *
 * This library is the project's stand-in for the platform's libnvram and can
 * be replaced by the vendor library at link time. Properties of the stand-in:
 *
 * - Three levels of files per section: factory defaults
 *   "/etc_ro/nvram/section<N>.defaults", the persistent copy
 *   "/etc/nvram/section<N>" and the runtime copy "/var/nvram/section<N>"
 *   (lost at reboot). Reads use the runtime copy, else the persistent copy
 *   (with factory defaults for keys it lacks), else the factory defaults.
 *   A damaged file is reported on standard error with its path and the next
 *   level is used.
 * - Writers in several processes serialise on a lock of the directory
 *   "/var/nvram"; every file is replaced atomically through a temporary file
 *   of a unique name, so a process killed at any moment leaves either the
 *   old or the new values.
 * - A section's file holds at most 256 KiB (keys, values and their line
 *   ends): a set or commit that would pass it is refused and nothing already
 *   stored changes. Store files that are not regular files (links, FIFOs)
 *   are refused as damaged.
 * - NVRAM_ROOT: when this environment variable is set, its value is put in
 *   front of every path above (and of the daemon's "/var/run/nvramd.pid"),
 *   so that tests can run a private store in a temporary directory.
 * - Not thread-safe: call from one thread per process.
 */
#ifndef NVRAM_H
#define NVRAM_H

#ifndef QAVO_API
#define QAVO_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Loads the section into this process (again, if it was loaded before) and
 * makes sure its runtime copy exists, creating it from the persistent copy or
 * the factory defaults. Calling it is optional: the first read loads too.
 * Returns 0, or -1 for an unknown section or when the runtime copy could not
 * be written (reads still work).
 */
QAVO_API int nvram_init(int section);

/*
 * Returns the value of key in the section; "" for a key never set, an unknown
 * section or a null key, never a null pointer. The string belongs to the
 * store and stays valid and unchanged for the rest of the process, whatever
 * is read or written afterwards; do not free or modify it. After the first
 * load of a section reads come from memory: values written by other
 * processes later are seen after nvram_init or this process's next
 * nvram_bufset in the section.
 */
QAVO_API const char *nvram_bufget(int section, const char *key);

/* Same as nvram_bufget. */
QAVO_API const char *nvram_get(int section, const char *key);

/*
 * Sets key to value. Later reads in this process and in later processes see
 * the new value; it survives a reboot only after nvram_commit. The key must
 * be non-empty; neither may be null. Returns 0, or -1 when the arguments are
 * refused, when the section would pass the size limit (the value is then
 * not kept, not even by this process), or when the runtime copy could not be
 * written (the value is then still seen by this process).
 */
QAVO_API int nvram_bufset(int section, const char *key, const char *value);

/*
 * Makes the section's current values survive a reboot by writing the
 * persistent copy. Returns 0, or -1 for an unknown section, a write failure
 * or a section past the size limit (the persistent copy is then unchanged).
 */
QAVO_API int nvram_commit(int section);

/*
 * Ends the caller's use of the section. Values stay readable from memory.
 * Returns 0, or -1 for an unknown section.
 */
QAVO_API int nvram_close(int section);

#ifdef __cplusplus
}
#endif

#endif
