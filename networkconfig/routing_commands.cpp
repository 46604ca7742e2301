#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdio>
#include <cstring>

#include "lib/quote.h"
#include "networkconfig/routing.h"
#include "qavo/lists.h"

namespace networkconfig {
namespace {

namespace q = qavo::quote;

constexpr const char *kHostMask = "255.255.255.255";

bool toDotted(unsigned long networkOrder, char (&out)[kRouteFieldSize])
{
    in_addr address{};
    address.s_addr = static_cast<in_addr_t>(networkOrder);
    return inet_ntop(AF_INET, &address, out, sizeof out) != nullptr;
}

// "-host <dest> " or "-net <dest> " and, for a network, " netmask <mask>".
void addTarget(q::Builder &command, const char *destination, const char *mask, const char *source)
{
    if (strcmp(mask, kHostMask) == 0) {
        command.add("-host %s ", {q::ipv4(source, destination)});
    } else {
        command.add("-net %s ", {q::ipv4(source, destination)});
        command.add(" netmask %s", {q::netmask(source, mask)});
    }
}

} // namespace

bool parseKernelRoute(const char *line, KernelRoute *route)
{
    unsigned long destination = 0;
    unsigned long gateway = 0;
    unsigned long mask = 0;
    unsigned flags = 0;
    int references = 0;
    int uses = 0;
    int metric = 0;
    if (sscanf(line, "%31s%lx%lx%X%d%d%d%lx", route->ifname, &destination, &gateway, &flags, &references, &uses,
               &metric, &mask) != 8)
        return false;
    return toDotted(destination, route->destination) && toDotted(gateway, route->gateway) &&
           toDotted(mask, route->mask);
}

bool parseRoutingRule(const char *record, RoutingRule *rule)
{
    char *fields[] = {rule->destination, rule->netmask, rule->gateway, rule->side,
                      rule->device,      rule->extra1,  rule->extra2};
    for (int i = 0; i < 7; ++i) {
        if (getNthValueSafe(i, record, ',', fields[i], kRouteFieldSize) != 0)
            return false;
    }
    return true;
}

bool buildRouteDelete(const KernelRoute &route, char (&command)[qavo::kCommandSize])
{
    q::Builder builder(q::Syntax::Shell, command, sizeof command);
    builder.add("route del ");
    addTarget(builder, route.destination, route.mask, "kernel route");
    builder.add(" dev %s ", {q::ifname("kernel route interface", route.ifname)});
    return builder.ok();
}

bool buildRouteAdd(const RoutingRule &rule, char (&command)[qavo::kCommandSize])
{
    q::Builder builder(q::Syntax::Shell, command, sizeof command);
    builder.add("route add ");
    addTarget(builder, rule.destination, rule.netmask, "RoutingRules");
    if (rule.gateway[0] != '\0' && strcmp(rule.gateway, "0.0.0.0") != 0)
        builder.add(" gw %s", {q::ipv4("RoutingRules", rule.gateway)});
    builder.add(" dev %s ", {q::ifname("RoutingRules", rule.device)});
    builder.add("2>&1 ");
    return builder.ok();
}

} // namespace networkconfig
