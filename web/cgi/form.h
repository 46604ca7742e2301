/* A browser's form text (application/x-www-form-urlencoded) turned into the JSON request
 * that a page module reads. */
#ifndef QAVO_WEB_FORM_H
#define QAVO_WEB_FORM_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

enum form_result {
    FORM_OK,
    FORM_BAD_ESCAPE, /* a '%' not followed by two hex digits, or one that gives a zero byte */
    FORM_BAD_NAME,   /* a field name that is not 1-63 letters, digits or '_' */
    FORM_TWICE,      /* a field named twice */
    FORM_NO_PAGE,    /* no "page" field, or an empty one */
    FORM_TOO_LONG    /* the request does not fit the caller's buffer */
};

/* Reads the fields of form (length bytes; '&' between fields, "name=value", '+' for a
 * blank, "%XX" for any byte). The field "page" goes into page (pageSize bytes); every
 * other field becomes a member of the JSON object written into json (jsonSize bytes),
 * its value a JSON string holding exactly the decoded bytes. fields counts those members.
 * On failure page and json are "". */
enum form_result form_to_request(const char *form, size_t length, char *page, size_t pageSize, char *json,
                                 size_t jsonSize, int *fields);

/* What a failure means, for the person's browser. */
const char *form_result_text(enum form_result result);

#ifdef __cplusplus
}
#endif

#endif
