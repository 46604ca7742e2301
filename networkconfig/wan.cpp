// "initwan": the common path of every WAN bring-up (port and operation-mode checks, old
// clients stopped, bridge membership, WAN interface, MAC address), then the steps of the
// stored connection mode.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "lib/run_lock.h"
#include "lib/settings.h"
#include "networkconfig/handlers.h"
#include "networkconfig/wan.h"
#include "qavo/runner.h"

namespace networkconfig::wan {
namespace {

namespace q = qavo::quote;

struct Mode {
    const char *word;
    size_t compared;
    int (*bringUp)(WanRun &);
};

// Matched by prefix, in this order.
constexpr Mode kModes[] = {
    {"STATIC", 6, bringUpStatic}, {"DHCP", 4, bringUpDhcp}, {"PPPOE", 5, bringUpPppoe},
    {"L2TP", 4, bringUpL2tp},     {"PPTP", 4, bringUpPptp}, {"3G", 2, bringUp3g},
};

bool isWanPort(int port)
{
    return port == 0 || port == 4;
}

// Operation mode 3: the access-point client interface and whether the radio is off.
bool radioOff(WanRun &run, long wispInterface)
{
    int section = wispInterface == 1 ? 1 : 0;
    snprintf(run.ifname, sizeof run.ifname, "%s", wispInterface == 1 ? "apclii0" : "apcli0");
    return qavo::settingNumber(section, "WiFiOff") == 1;
}

int refuse(WanRun &run)
{
    run.phy(1);
    QavoSystem("nat.sh", 1);
    return 0;
}

} // namespace

void WanRun::runLine(const char *line)
{
    QavoSystem(line, 1);
}

void WanRun::phy(int on) const
{
    setPhyControl(platform, port, on);
    setPhyAdvertise(platform, port, on);
}

bool WanRun::copySetting(const char *key, const char *value, char *out, size_t size)
{
    out[0] = '\0';
    size_t length = strlen(value);
    if (length < size) {
        memcpy(out, value, length + 1);
        return true;
    }
    fprintf(stderr, "Error: setting %s is longer than %zu characters; refused\n", key, size - 1);
    refused = true;
    return false;
}

Dial WanRun::dial() const
{
    if (strncmp(modeOption, "KeepAlive", 9) == 0)
        return Dial::KeepAlive;
    if (strncmp(modeOption, "OnDemand", 8) == 0)
        return Dial::OnDemand;
    return Dial::None;
}

int WanRun::successEnd()
{
    nvram_close(qavo::kRouterSection);
    QavoSystem("nat.sh", 1);
    return refused ? 0 : 1;
}

int WanRun::failureEnd()
{
    nvram_close(qavo::kRouterSection);
    QavoSystem("nat.sh", 1);
    return 0;
}

void pause(unsigned seconds)
{
    timespec left{static_cast<time_t>(seconds), 0};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

int bringUp3g(WanRun &run)
{
    run.phy(1);
    char message[kMessageSize] = {};
    ombix_networkconfig_init_3G(run.platform, message);
    return run.successEnd();
}

int bringUpUnknown(WanRun &run)
{
    puts("unknow type!!\r");
    run.phy(1);
    return run.successEnd();
}

} // namespace networkconfig::wan

extern "C" int ombix_networkconfig_init_wan(int platform, char *message)
{
    using namespace networkconfig::wan;
    if (!networkconfig::enterHandler(platform, message))
        return 0;
    // Two bring-ups of the WAN at once (the boot's and the web interface's) would kill
    // each other's clients and rewrite the same files: the second waits for the first.
    qavo::RunLock wanLock(networkconfig::kWanLock, "initwan", networkconfig::kPartLockWaitMs);
    if (wanLock.gaveUp())
        return 0;
    WanRun run;
    run.platform = platform;
    run.port = static_cast<int>(qavo::settingNumber(qavo::kRouterSection, "WanPhyNum"));
    long wispInterface = qavo::settingNumber(qavo::kRouterSection, "wispInterface");
    if (!isWanPort(run.port)) {
        QavoSystem("nat.sh", 1);
        return 0;
    }
    run.phy(0);
    nvram_init(qavo::kRouterSection);
    long operationMode = qavo::settingNumber(qavo::kRouterSection, "OperationMode");
    run.copySetting("wanConnectionMode", qavo::setting(qavo::kRouterSection, "wanConnectionMode"), run.connectionMode,
                    sizeof run.connectionMode);
    QavoSystem("killall -q udhcpc", 1);
    QavoSystem("killall -q xl2tpd", 1);
    QavoSystem("killall -q pptp", 1);
    // A 3G link keeps its PPP daemon; every other mode waits for the old one to go.
    if (strncmp(run.connectionMode, "3G", 3) != 0) {
        QavoSystem("killall -9 pppd", 1);
        pause(kSettleSeconds);
    }
    if (operationMode != 1 && operationMode != 3) {
        fputs("\r\nerror opMode so exit", stdout);
        nvram_close(qavo::kRouterSection);
        return refuse(run);
    }
    QavoSystem("brctl delif br0 apcli0 1>/dev/null 2>&1", 1);
    QavoSystem("brctl delif br0 eth2.2 1>/dev/null 2>&1", 1);
    if (operationMode == 3 && radioOff(run, wispInterface)) {
        nvram_close(qavo::kRouterSection);
        return refuse(run);
    }
    setWanMac(run);
    for (const Mode &mode : kModes)
        if (strncmp(run.connectionMode, mode.word, mode.compared) == 0)
            return mode.bringUp(run);
    return bringUpUnknown(run);
}
