// The three levels of a section's files and how the current values are found.
#ifndef QAVO_PLATFORM_NVRAM_STORE_LEVELS_H
#define QAVO_PLATFORM_NVRAM_STORE_LEVELS_H

#include "platform/nvram/entry_table.h"
#include "platform/nvram/store_files.h"

namespace qavo::nvram {

constexpr int kSectionCount = 2;

enum class Level { Runtime, Persistent, Defaults, None };

// Path of a section's file at a level (NVRAM_ROOT applied); false when the
// section or level is unknown or the path too long.
bool levelPath(int section, Level level, char (&out)[kPathSize]);

// Loads the section's current values into `out` (empty; its blocks belong
// to the caller): the runtime copy, else the persistent copy completed with
// factory defaults for keys it lacks, else the factory defaults. Damaged
// files are reported on standard error with their path and skipped. Returns
// the level the values came from (None: nothing usable, `out` empty).
Level loadSection(int section, EntryTable &out);

enum class StoreResult { Written, TooLarge, Failed };

// Writes the table as the section's file at the level. A table whose file
// would pass kMaxFileSize is refused (TooLarge) and nothing is written.
// Failures are reported on standard error with the path.
StoreResult storeSection(int section, Level level, const EntryTable &table);

} // namespace qavo::nvram

#endif
