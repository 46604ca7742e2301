// The router's identity: MD5 of the LAN interface's MAC text, stored in /var/qavomd5.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "lib/command.h"
#include "lib/holders.h"
#include "lib/system.h"
#include "qavo/interfaces.h"
#include "qavo/md5.h"
#include "qavo/mqtt.h"

namespace {

constexpr char kDigestFile[] = "/var/qavomd5";

} // namespace

extern "C" void Mqtt_mac_md5(void)
{
    char mac[QAVO_MAC_TEXT_SIZE] = {};
    getIfMac(getLanIfName(), mac);
    for (char *c = mac; *c; ++c)
        *c = static_cast<char>(tolower(static_cast<unsigned char>(*c)));

    MD5Context context;
    unsigned char digest[16];
    MD5Init(&context);
    MD5Update(&context, reinterpret_cast<const unsigned char *>(mac), strlen(mac));
    MD5Final(digest, &context);

    static const char hexDigits[] = "0123456789abcdef";
    char text[33];
    for (int i = 0; i < 16; ++i) {
        text[2 * i] = hexDigits[digest[i] >> 4];
        text[2 * i + 1] = hexDigits[digest[i] & 15];
    }
    text[32] = '\0';
    qavo::runCommand<qavo::kCommandSize>(0, "echo -n %s >/var/qavomd5", {qavo::quote::text("identity digest", text)});
}

extern "C" int getQavoMD5(char *buffer)
{
    qavo::File file(qavo::sys::openFile(kDigestFile, "re"));
    char line[128] = "";
    if (!file || !fgets(line, sizeof line, file.get())) {
        printf("[%s]get Qavo MD5 failed!\n", "getQavoMD5");
        if (file)
            buffer[0] = '\0';
        return -1;
    }
    strcpy(buffer, line);
    return 0;
}
