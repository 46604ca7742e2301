// The resolver files "/etc/resolv.conf" and its copy "/etc/resolv.conf1" from the
// stored WAN DNS servers. A server that is not an IPv4 address loses its line (named on
// standard error); the other line is still written.
#include <cstdio>
#include <cstring>

#include "lib/atomic_file.h"
#include "lib/settings.h"
#include "networkconfig/handlers.h"
#include "networkconfig/wan.h"

namespace networkconfig::wan {
namespace {

namespace q = qavo::quote;
using qavo::quote::Syntax;

// A secondary server shorter than this is taken as not set.
constexpr size_t kSecondaryMinLength = 5;

// One file's lines, each value read from the store again for each file.
void writeServers(qavo::AtomicFile &file, int section, bool *refused)
{
    const char *primary = qavo::setting(section, "wan_primary_dns");
    // An empty primary server still gets its line, as the web pages expect.
    bool ok = primary[0] == '\0' ? file.write(Syntax::Plain, "nameserver \n")
                                 : file.write(Syntax::Plain, "nameserver %s\n", {q::ipv4("wan_primary_dns", primary)});
    const char *secondary = qavo::setting(section, "wan_secondary_dns");
    if (strlen(secondary) >= kSecondaryMinLength)
        ok = file.write(Syntax::Plain, "nameserver %s\n", {q::ipv4("wan_secondary_dns", secondary)}) && ok;
    if (!ok)
        *refused = true;
}

} // namespace

int writeResolverFiles(int section, int platform, int port, bool *refused)
{
    qavo::AtomicFile system;
    qavo::AtomicFile copy;
    if (!system.open("/etc/resolv.conf") || !copy.open("/etc/resolv.conf1")) {
        fputs("\r\nopen dns  config file error", stdout);
        nvram_close(section);
        setPhyControl(platform, port, 1);
        setPhyAdvertise(platform, port, 1);
        return 0;
    }
    bool refusedHere = false;
    writeServers(system, section, &refusedHere);
    writeServers(copy, section, &refusedHere);
    if (refusedHere)
        *refused = true;
    bool written = system.commit();
    return copy.commit() && written ? 1 : 0;
}

void updateResolverFiles(WanRun &run, bool force)
{
    if (force || qavo::settingNumber(qavo::kRouterSection, "wan_dns_mode") == 1)
        writeResolverFiles(0, run.platform, run.port, &run.refused);
}

} // namespace networkconfig::wan

extern "C" void ralinkWanDnsInit(int force, int section, int platform, int port)
{
    if (force || qavo::settingNumber(section, "wan_dns_mode") == 1)
        _ralinkWanDnsInit(section, platform, port);
}

extern "C" int _ralinkWanDnsInit(int section, int platform, int port)
{
    bool refused = false;
    return networkconfig::wan::writeResolverFiles(section, platform, port, &refused);
}
