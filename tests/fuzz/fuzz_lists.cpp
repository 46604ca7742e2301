// The list routines on arbitrary text. Input: index byte, delimiter byte, value length
// byte, then the value and the list.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "qavo/lists.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    int index = data[0] % 12 - 2;
    char delimiter = static_cast<char>(data[1]);
    size_t valueLength = std::min<size_t>(data[2], size - 3);
    std::string value(reinterpret_cast<const char *>(data + 3), valueLength);
    std::string list(reinterpret_cast<const char *>(data + 3 + valueLength), size - 3 - valueLength);
    value = value.c_str(); // up to the first NUL, as C callers pass it
    list = list.c_str();

    for (int outSize : {1, 4, 300}) {
        std::vector<char> out(static_cast<size_t>(outSize));
        getNthValueSafe(index, list.c_str(), delimiter, out.data(), outSize);
    }
    getNums(list.c_str(), delimiter);
    if (const char *result = setNthValue(index, list.c_str(), value.c_str()))
        if (strlen(result) >= 2048)
            __builtin_trap();
    std::vector<char> copy(list.begin(), list.end());
    copy.push_back('\0');
    getNthValue(index, copy.data());

    std::vector<int> indexes;
    for (unsigned char c : value)
        indexes.push_back(c % 10);
    copy.assign(list.begin(), list.end());
    copy.push_back('\0');
    deleteNthValueMulti(indexes.data(), static_cast<int>(indexes.size()), copy.data(), delimiter);
    if (strlen(copy.data()) > list.size())
        __builtin_trap();
    return 0;
}
