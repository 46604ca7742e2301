// Neighbour, route, resolver and factory-flash lookups; address text checks.
#include "qavo/lookups.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "lib/factory_data.h"
#include "lib/holders.h"
#include "lib/proc_tables.h"
#include "lib/system.h"
#include "lib/validate.h"

namespace {

constexpr size_t kMacText = QAVO_MAC_TEXT_SIZE;
constexpr size_t kIpText = QAVO_IPV4_TEXT_SIZE;

// Looks key up in the neighbour table; the default goes into out first.
void neighbourLookup(const char *key, qavo::proc::ArpKey by, const char *fallback, char *out, size_t outSize)
{
    qavo::File table(qavo::sys::openFile("/proc/net/arp", "re"));
    if (!table) {
        puts("no proc fs mounted!");
        return;
    }
    strcpy(out, fallback);
    if (key)
        qavo::proc::arpAnswer(table.get(), key, by, out, outSize);
}

// The C library's address parser's alphabet: digits, hex digits, "x" and dots.
bool onlyAddressCharacters(const char *text)
{
    return text[strspn(text, "0123456789abcdefABCDEFxX.")] == '\0';
}

} // namespace

extern "C" void arplookup(const char *ip, char *out)
{
    if (out)
        neighbourLookup(ip, qavo::proc::ArpKey::IpAddress, "00:00:00:00:00:00", out, kMacText);
}

extern "C" void getStationMAC(const char *ip, char *out)
{
    arplookup(ip, out);
}

extern "C" void arplookup_ip(const char *mac, char *out)
{
    if (out)
        neighbourLookup(mac, qavo::proc::ArpKey::HardwareAddress, "0.0.0.0", out, kIpText);
}

extern "C" int getWanGateway(char *out)
{
    if (!out)
        return 0;
    qavo::File table(qavo::sys::openFile("/proc/net/route", "re"));
    if (!table) {
        out[0] = '\0';
        return 0;
    }
    return qavo::proc::defaultGateway(table.get(), out, kIpText);
}

extern "C" int getDnsSized(int n, char *out, size_t outSize)
{
    if (!out || outSize == 0)
        return -1;
    qavo::File resolver(qavo::sys::openFile("/etc/resolv.conf1", "re"));
    if (!resolver)
        resolver.reset(qavo::sys::openFile("/etc/resolv.dnsmasq.conf", "re"));
    if (!resolver) {
        perror("open /etc/resolv.dnsmasq.conf failed\n");
        return -1;
    }
    return qavo::proc::nthNameserver(resolver.get(), n, out, outSize) ? 0 : -1;
}

extern "C" void getDns(int n, char *out)
{
    getDnsSized(n, out, kIpText);
}

extern "C" void getWanDefMac(char *out)
{
    if (!out)
        return;
    out[0] = '\0';
    unsigned char b[qavo::kMacBytes];
    if (!qavo::readFactoryWanMac(b))
        return;
    snprintf(out, kMacText, "%02x:%02x:%02x:%02x:%02x:%02x", b[0], b[1], b[2], b[3], b[4], b[5]);
}

extern "C" int isIpValid(const char *text)
{
    if (!text)
        return 0;
    if (qavo::validate::isIpv4(text))
        return 1;
    if (strlen(text) < 8)
        return 0;
    in_addr address;
    if (onlyAddressCharacters(text) && inet_aton(text, &address))
        return 1;
    printf("isIpValid(): %s is not a valid IP address.\n", text);
    return 0;
}

extern "C" int isMacValid(const char *text)
{
    return text && qavo::validate::isMac(text);
}
