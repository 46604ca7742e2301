// Static routes: the kernel's routing table lines, the stored rules, and the route
// commands built from them.
#ifndef QAVO_NETWORKCONFIG_ROUTING_H
#define QAVO_NETWORKCONFIG_ROUTING_H

#include <cstddef>

#include "lib/command.h"

namespace networkconfig {

constexpr size_t kRouteFieldSize = 32; // one field, dotted address or device name

// One line of /proc/net/route, addresses as dotted text.
struct KernelRoute {
    char ifname[kRouteFieldSize];
    char destination[kRouteFieldSize];
    char gateway[kRouteFieldSize];
    char mask[kRouteFieldSize];
};

// Parses a route line (interface, destination, gateway, flags, reference count, use
// count, metric, mask); false unless all eight fields convert.
bool parseKernelRoute(const char *line, KernelRoute *route);

// A "RoutingRules" record: destination, netmask, gateway ("" or "0.0.0.0" for none),
// side ("WAN" for a WAN-side rule), device, and two further fields not used here.
struct RoutingRule {
    char destination[kRouteFieldSize];
    char netmask[kRouteFieldSize];
    char gateway[kRouteFieldSize];
    char side[kRouteFieldSize];
    char device[kRouteFieldSize];
    char extra1[kRouteFieldSize];
    char extra2[kRouteFieldSize];
};

// Splits a record into its seven fields (longer ones cut to 31 characters); false when
// one is missing.
bool parseRoutingRule(const char *record, RoutingRule *rule);

// "route del -net <dest>  netmask <mask> dev <if> " (a host route has "-host" and no
// netmask part). False, with a message, when a value is refused or does not fit.
bool buildRouteDelete(const KernelRoute &route, char (&command)[qavo::kCommandSize]);
// "route add -net <dest>  netmask <mask> gw <gw> dev <dev> 2>&1 ", without the gw part
// when there is no gateway. False, with a message, when a value is refused or does not fit.
bool buildRouteAdd(const RoutingRule &rule, char (&command)[qavo::kCommandSize]);

} // namespace networkconfig

#endif
