// Checks of a request's raw text that the JSON reader cannot make afterwards.
#ifndef QAVO_SUB_REQUEST_CHECKS_H
#define QAVO_SUB_REQUEST_CHECKS_H

#include <cstddef>

namespace qavo_sub {

// True when the request text holds a zero byte within its length (the text would end
// there), or a JSON string holding the escape \u0000: the JSON reader turns it into a zero
// byte that silently cuts the key or value short ("lan_ipaddr\u0000junk" would name
// "lan_ipaddr").
bool holdsZeroByte(const char *text, size_t length);

} // namespace qavo_sub

#endif
