// The module hook list and safe_strdup.
#include <cstdlib>
#include <cstring>

#include "qavo/runner.h"

struct qavo_hook *first_qavo_hook = nullptr;

extern "C" char *safe_strdup(const char *text)
{
    if (!text)
        exit(1);
    char *copy = strdup(text);
    if (!copy)
        exit(1);
    return copy;
}

extern "C" struct qavo_hook **hook_list_init(void)
{
    first_qavo_hook = nullptr;
    return &first_qavo_hook;
}

extern "C" struct qavo_hook *qavo_hook_register(const char *name, uintptr_t value)
{
    struct qavo_hook *last = first_qavo_hook;
    while (last && last->next)
        last = last->next;
    auto *record = static_cast<struct qavo_hook *>(calloc(1, sizeof(struct qavo_hook)));
    if (!record)
        exit(1);
    record->name = safe_strdup(name);
    record->value = value;
    if (last)
        last->next = record;
    else
        first_qavo_hook = record;
    return record;
}
