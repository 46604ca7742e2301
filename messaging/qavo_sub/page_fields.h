// The settings the web front end's LAN and WAN pages show and change, each with the check
// a new value must pass before it is stored.
#ifndef QAVO_SUB_PAGE_FIELDS_H
#define QAVO_SUB_PAGE_FIELDS_H

#include <cstddef>
#include <string_view>

#include "lib/quote.h"

namespace qavo_sub {

struct PageField {
    const char *key;
    qavo::quote::Kind kind;
    bool mayBeEmpty;
    const char *choices; // "|"-separated words the value must be one of; nullptr for none
};

// Room a module keeps for one page's keys.
constexpr size_t kMaxPageFields = 64;

struct Page {
    const char *name;    // the module's topic suffix
    const char *bringUp; // the network tool's word that applies the page's settings
    const PageField *fields;
    size_t count;
};

// The page of the module named name, or nullptr.
const Page *findPage(const char *name);

// The field of key on page, or nullptr.
const PageField *findField(const Page &page, const char *key);

// Why value cannot be stored in field ("is not an IPv4 address"...), or nullptr.
const char *whyRefused(const PageField &field, std::string_view value);

} // namespace qavo_sub

#endif
