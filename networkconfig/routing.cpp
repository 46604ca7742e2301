// "routinginit": makes the kernel routing table follow the stored static routes.
#include <cstdio>
#include <cstring>

#include "lib/holders.h"
#include "lib/run_lock.h"
#include "lib/settings.h"
#include "lib/system.h"
#include "networkconfig/handlers.h"
#include "networkconfig/routing.h"
#include "qavo/lists.h"
#include "qavo/runner.h"

namespace networkconfig {
namespace {

constexpr size_t kRuleRecordSize = 256;
constexpr size_t kRouteLineSize = 256;

// Deletes every kernel route that a stored rule names, so that adding it again cannot
// fail on an existing entry. False after a line that does not parse: the table is then
// not understood and nothing more is changed.
bool deleteStoredRoutes(FILE *table)
{
    char line[kRouteLineSize];
    if (!fgets(line, sizeof line, table))
        return true; // not even a header: no routes
    while (fgets(line, sizeof line, table)) {
        KernelRoute route;
        if (!parseKernelRoute(line, &route)) {
            puts("format error");
            return false;
        }
        if (getIndexOfRoutingRule(route.destination, route.mask, route.ifname) == -1)
            continue;
        char command[qavo::kCommandSize];
        if (buildRouteDelete(route, command))
            QavoSystem(command, 1);
    }
    return true;
}

void addStoredRoutes(bool gatewayMode)
{
    const char *rules = qavo::setting(qavo::kRouterSection, "RoutingRules");
    if (rules[0] == '\0')
        return;
    char record[kRuleRecordSize];
    for (int i = 0; getNthValueSafe(i, rules, ';', record, sizeof record) == 0; ++i) {
        RoutingRule rule;
        char command[qavo::kCommandSize];
        if (!parseRoutingRule(record, &rule) || !buildRouteAdd(rule, command))
            continue;
        if (strcmp(rule.side, "WAN") == 0 && !gatewayMode)
            printf("Skip WAN routing rule in the non-Gateway mode: %s\n", command);
        else
            QavoSystem(command, 1);
    }
}

} // namespace
} // namespace networkconfig

extern "C" void staticRoutingInit(void)
{
    using namespace networkconfig;
    bool gatewayMode = qavo::settingIs(qavo::kRouterSection, "OperationMode", "1");
    qavo::File table(qavo::sys::openFile("/proc/net/route", "re"));
    if (!table)
        return;
    bool understood = deleteStoredRoutes(table.get());
    table.reset();
    if (understood)
        addStoredRoutes(gatewayMode);
}

extern "C" int getIndexOfRoutingRule(const char *destination, const char *netmask, const char *device)
{
    using namespace networkconfig;
    const char *rules = qavo::setting(qavo::kRouterSection, "RoutingRules");
    if (rules[0] == '\0')
        return -1;
    char record[kRuleRecordSize];
    char field[kRouteFieldSize];
    for (int i = 0; getNthValueSafe(i, rules, ';', record, sizeof record) == 0; ++i) {
        if (getNthValueSafe(0, record, ',', field, sizeof field) == 0 && strcmp(field, destination) == 0 &&
            getNthValueSafe(1, record, ',', field, sizeof field) == 0 && strcmp(field, netmask) == 0 &&
            getNthValueSafe(4, record, ',', field, sizeof field) == 0 && strcmp(field, device) == 0)
            return i;
    }
    return -1;
}

extern "C" int netmask_aton(const char *netmask)
{
    int octets[4];
    if (sscanf(netmask, "%d.%d.%d.%d", &octets[0], &octets[1], &octets[2], &octets[3]) != 4)
        return 0;
    // Bits of an octet that ends a prefix; any other octet ends it with nothing.
    static constexpr struct {
        int octet;
        int bits;
    } kPartial[] = {
        {254, 7}, {252, 6}, {248, 5}, {240, 4}, {224, 3}, {192, 2}, {128, 1},
    };
    int prefix = 0;
    for (int octet : octets) {
        if (octet == 255) {
            prefix += 8;
            continue;
        }
        for (const auto &partial : kPartial) {
            if (partial.octet == octet)
                prefix += partial.bits;
        }
        break;
    }
    return prefix;
}

extern "C" int ombix_networkconfig_init_routing(int, char *)
{
    qavo::RunLock routingLock(networkconfig::kRoutingLock, "routinginit", networkconfig::kPartLockWaitMs);
    if (routingLock.gaveUp())
        return 0;
    staticRoutingInit();
    return 1;
}
