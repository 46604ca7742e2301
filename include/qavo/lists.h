/*
 * Delimited list values: one string holding items separated by one delimiter character,
 * items numbered from 0. By convention records are separated by ';' and the fields of a
 * record by ','. An empty string holds one empty item; only a NULL list holds none.
 */
#ifndef QAVO_LISTS_H
#define QAVO_LISTS_H

#include "qavo/api.h"

QAVO_BEGIN_DECLS

/*
 * Copies item index of list into out (at most outSize - 1 characters, then a NUL; a
 * longer item is cut). The list is never written. Returns 0, or -1 with out untouched
 * when list or out is NULL, outSize is 0 or less, index is negative, or the list has
 * fewer than index + 1 items. Keeps no state; the reader every tool uses.
 */
QAVO_API int getNthValueSafe(int index, const char *list, char delimiter, char *out, int outSize);

/*
 * Item index of a ';' list, split in place the way strtok does: NULs are written into
 * the list, runs of ';' count as one separator and leading ones are skipped (in
 * "red;;blue" item 1 is "blue"). Returns a pointer into the list, the constant "" when
 * there is no such item, NULL when list is NULL. Prefer getNthValueSafe.
 */
QAVO_API char *getNthValue(int index, char *list);

/*
 * The ';' list with item index (0 to 7) replaced by value; an index beyond the last item
 * extends the list with empty items. The list is not changed. Returns a process-wide
 * 2048-byte buffer that the next call overwrites. Lists of more than 8 items, items or a
 * value of more than 255 characters, or an index outside 0 to 7 are refused: a message
 * beginning "setNthValue:" goes to standard error and the result is NULL.
 */
QAVO_API char *setNthValue(int index, const char *list, const char *value);

/* Number of items: 1 plus the number of delimiters; 0 for a NULL list. */
QAVO_API int getNums(const char *list, char delimiter);

/* getNums(list, ';'). */
QAVO_API int getRuleNums(const char *list);

/*
 * Deletes the items numbered in indexes (count entries, strictly ascending) from list in
 * place, leaving no doubled or leading delimiter. Indexes beyond the last item are
 * ignored; an index not greater than the one before it ends the deletions. Always 0.
 */
QAVO_API int deleteNthValueMulti(const int *indexes, int count, char *list, char delimiter);

QAVO_END_DECLS

#endif
