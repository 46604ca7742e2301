// strTrim and the address validators on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "lib/validate.h"
#include "qavo/files.h"
#include "qavo/lookups.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // isIpValid reports rejected texts on standard output; keep the run quiet.
    static FILE *quiet = freopen("/dev/null", "w", stdout);
    (void)quiet;
    std::string text(reinterpret_cast<const char *>(data), size);
    text = text.c_str();
    std::string trimmed = text;
    char *start = strTrim(trimmed.data());
    if (start < trimmed.data() || start > trimmed.data() + text.size())
        __builtin_trap();
    isIpValid(text.c_str());
    isMacValid(text.c_str());
    qavo::validate::isIpv4(text);
    qavo::validate::isNetmask(text);
    qavo::validate::isInetAddr(text);
    qavo::validate::isEtherAddr(text);
    qavo::validate::isIfName(text);
    qavo::validate::isHostName(text);
    qavo::validate::isMtu(text);
    qavo::validate::isPppMtu(text);
    qavo::validate::isUnicastMac(text);
    return 0;
}
