// Which kernel interface plays which role, from the stored operation mode, and the
// wrappers that query a role's interface.
#include "qavo/interfaces.h"

#include <cstring>

#include "lib/settings.h"

namespace {

const char *wirelessClientInterface()
{
    return qavo::settingNumber(qavo::kRouterSection, "wispInterface") == 1 ? "apclii0" : "apcli0";
}

// The WAN interface of a known mode, or nullptr for any other value.
const char *wanInterfaceOfMode(const char *mode)
{
    if (strcmp(mode, "0") == 0)
        return "br0";
    if (strcmp(mode, "1") == 0)
        return "eth2.2";
    if (strcmp(mode, "2") == 0)
        return "ra0";
    if (strcmp(mode, "3") == 0)
        return wirelessClientInterface();
    return nullptr;
}

bool runsOverPppLink(const char *connectionType)
{
    static const char *const kPppTypes[] = {"PPPOE", "L2TP", "PPTP", "3G"};
    for (const char *type : kPppTypes)
        if (strcmp(connectionType, type) == 0)
            return true;
    return false;
}

// The query's result; out is cleared when it failed.
int clearedOnFailure(int result, char *out)
{
    if (result == -1 && out)
        out[0] = '\0';
    return result;
}

} // namespace

extern "C" const char *getLanIfName(void)
{
    return "br0";
}

extern "C" const char *getWanIfName(void)
{
    // Kept across calls so that a stored mode the routine does not know leaves the
    // previous answer in place.
    static const char *kept = "br0";
    if (const char *wan = wanInterfaceOfMode(qavo::setting(qavo::kRouterSection, "OperationMode")))
        kept = wan;
    return kept;
}

extern "C" const char *getWanIfNamePPP(void)
{
    const char *mode = qavo::setting(qavo::kRouterSection, "OperationMode");
    const char *connectionType = qavo::setting(qavo::kRouterSection, "wanConnectionMode");
    bool addressedOverPpp = (strcmp(mode, "1") == 0 || strcmp(mode, "3") == 0) && runsOverPppLink(connectionType);
    if (!addressedOverPpp)
        return getWanIfName();
    if (strcmp(connectionType, "3G") == 0 && qavo::settingIs(qavo::kRouterSection, "wan3gmodel", "ME3760"))
        return "usb0";
    return "ppp0";
}

extern "C" const char *getLanWanNamebyIf(const char *ifname)
{
    const char *mode = qavo::setting(qavo::kRouterSection, "OperationMode");
    if (mode[0] == '\0')
        return "Unknown";
    const char *lan = nullptr;
    const char *wan[2] = {nullptr, nullptr};
    if (strcmp(mode, "0") == 0) {
        lan = "br0";
    } else if (strcmp(mode, "1") == 0) {
        lan = "br0";
        wan[0] = "eth2.2";
        wan[1] = "ppp0";
    } else if (strcmp(mode, "2") == 0) {
        lan = "eth2";
        wan[0] = "ra0";
    } else if (strcmp(mode, "3") == 0) {
        lan = "br0";
        wan[0] = wirelessClientInterface();
    }
    if (!ifname || !lan)
        return ifname;
    if (strcmp(ifname, lan) == 0)
        return "LAN";
    for (const char *name : wan)
        if (name && strcmp(ifname, name) == 0)
            return "WAN";
    return ifname;
}

extern "C" int getLanIp(char *out)
{
    return clearedOnFailure(getIfIp(getLanIfName(), out), out);
}
extern "C" int getLanMac(char *out)
{
    return clearedOnFailure(getIfMac(getLanIfName(), out), out);
}
extern "C" int getLanNetmask(char *out)
{
    return clearedOnFailure(getIfNetmask(getLanIfName(), out), out);
}
extern "C" int getWanIp(char *out)
{
    return clearedOnFailure(getIfIp(getWanIfNamePPP(), out), out);
}
extern "C" int getWanMac(char *out)
{
    return clearedOnFailure(getIfMac(getWanIfName(), out), out);
}
extern "C" int getWanNetmask(char *out)
{
    return clearedOnFailure(getIfNetmask(getWanIfNamePPP(), out), out);
}
