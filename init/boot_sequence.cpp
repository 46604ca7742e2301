// The boot sequence: every step in its fixed order. No step's result is examined.
#include <cstdio>
#include <unistd.h>

#include "init/boot.h"
#include "init/factory_steps.h"
#include "lib/command.h"
#include "lib/settings.h"
#include "messaging/broker.h"
#include "qavo/interfaces.h"
#include "qavo/leds.h"
#include "qavo/mqtt.h"
#include "qavo/runner.h"

namespace {

void run(const char *command)
{
    QavoSystem(command, 0);
}

// The firewall tool is started here only for a static WAN in gateway or wireless-ISP mode.
bool firewallAtBoot()
{
    bool routingMode = qavo::settingIs(qavo::kRouterSection, "OperationMode", "1") ||
                       qavo::settingIs(qavo::kRouterSection, "OperationMode", "3");
    return routingMode && qavo::settingIs(qavo::kRouterSection, "wanConnectionMode", "STATIC");
}

} // namespace

void management_init()
{
    bool ntpWanted = qavo::settingNumber(qavo::kRouterSection, "NTPClientEnabled") != 0 &&
                     qavo::settingIs(qavo::kRouterSection, "wanConnectionMode", "STATIC");
    run("echo 0 > /tmp/NTPValid");
    run("killall -q ntp");
    if (ntpWanted)
        run("ntp.sh &");
    run("killall -q klogd");
    run("killall -q syslogd");
    run("syslogd -C8 1>/dev/null 2>&1");
    run("klogd 1>/dev/null 2>&1");
}

int initInternet()
{
    puts("\n[Debug] initInternet... ");
    run("echo 0 > /tmp/wan_connection_status");
    run("echo 0 > /tmp/protect_process");
    run("internet.sh");
    fixDefaultMac();
    modifyDefaultSsid();
    restart8021XDaemon(0);
    if (firewallAtBoot())
        setFWOmbix("initfw");
    Mqtt_mac_md5();
    management_init();
    setNetworkOmbix("routinginit");
    run("killall qv_broker 2> /dev/null");
    run("qv_broker -c /etc_ro/mosquitto.conf & 2> /dev/null");
    sleep(1);
    run("killall qavo_sub 2> /dev/null");
    qv_sub(qavo::messaging::kBrokerHost, "#");
    setNetworkOmbix("initwan");
    setNetworkOmbix("initlan");
    qavo::runCommand<qavo::kCommandSize>(0, "echo -n '%s'>/var/wanInface",
                                         {qavo::quote::text("WAN interface", getWanIfNamePPP())});
    setUsbOmbix("init");
    setUsbOmbix("doMount");
    setLanguageCfg();
    setSysLEDBlink();
    run("killall mon.sh 2> /dev/null");
    run("echo 1 > /tmp/protect_process");
    return 0;
}
