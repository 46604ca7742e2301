// The "initwan" bring-up shared by its files: one run's working values, the command and
// store helpers every mode uses, and the mode steps (static and DHCP addresses, PPPoE,
// L2TP, PPTP, 3G) that continue from the common path in wan.cpp.
//
// Refusals: a stored value its kind refuses is named on standard error and only the step
// (command or file line) that needed it is left out, or falls back where one is said
// below; every other step still runs and the bring-up then reports failure (result 0).
#ifndef QAVO_NETWORKCONFIG_WAN_H
#define QAVO_NETWORKCONFIG_WAN_H

#include <cstddef>
#include <initializer_list>

#include "lib/command.h"
#include "lib/quote.h"

namespace networkconfig::wan {

constexpr size_t kConnectionModeSize = 20;
constexpr size_t kModeOptionSize = 64;
constexpr size_t kIfNameSize = 8;

// Pause before a PPP daemon is killed for good and before the WAN interface goes down.
constexpr unsigned kSettleSeconds = 3;
// Pause between the static PPTP route and the dial.
constexpr unsigned kPptpRouteSeconds = 2;

enum class Dial { None, KeepAlive, OnDemand };

struct WanRun {
    int platform = 0;
    int port = 0;
    char ifname[kIfNameSize] = "eth2.2";
    char connectionMode[kConnectionModeSize] = {};
    char modeOption[kModeOptionSize] = {};
    bool refused = false; // a setting was refused: the bring-up reports failure
    // The setting whose refusal cost a PPP file a line its daemon cannot work without;
    // the daemon is then not started.
    const char *stoppedBy = nullptr;

    // Formats the command in the 128-byte command buffer and runs it echoed; a refused
    // value or a line that does not fit runs nothing and marks the run refused.
    template <size_t N>
    void command(const char (&format)[N], std::initializer_list<qavo::quote::Value> values = {})
    {
        char line[qavo::kShortCommandSize];
        if (qavo::quote::format(qavo::quote::Syntax::Shell, line, format, values))
            runLine(line);
        else
            refused = true;
    }
    void runLine(const char *line);

    // The WAN port's PHY: control register, then advertisement register.
    void phy(int on) const;

    // Copies a stored text into a working buffer; a value that does not fit is refused
    // (named on standard error, the buffer left empty), never cut.
    bool copySetting(const char *key, const char *value, char *out, size_t size);

    // The dial option in modeOption: KeepAlive or OnDemand by prefix, else None.
    Dial dial() const;

    // Every completed mode: store released, "nat.sh", 1 (0 after a refusal).
    int successEnd();
    // A PPP file that could not be written: store released, "nat.sh", 0.
    int failureEnd();
};

// Sleeps whole seconds, resuming after signals.
void pause(unsigned seconds);

// Sets the WAN interface's MAC address: the cloned one when "macCloneEnabled" is 1 and
// "macCloneMac" is a unicast MAC address, otherwise the factory one (a refused clone falls back
// to it with a message). Runs the interface down, address, up and 0.0.0.0 commands.
void setWanMac(WanRun &run);

// Mode steps; each returns the handler's result.
int bringUpStatic(WanRun &run);
int bringUpDhcp(WanRun &run);
int bringUp3g(WanRun &run);
int bringUpUnknown(WanRun &run);
int bringUpPppoe(WanRun &run);
int bringUpL2tp(WanRun &run);
int bringUpPptp(WanRun &run);

// "ifconfig <WAN> <address> netmask <netmask>", with " mtu <MTU>" when mtuKey is given;
// a refused MTU leaves out only its part, so the WAN still gets its address.
void setInterfaceAddress(WanRun &run, const char *addressKey, const char *netmaskKey, const char *mtuKey);

// "udhcpc -i <WAN>  -s /sbin/udhcpc.sh ..." of the L2TP and PPTP DHCP variants.
void startPlainDhcpClient(WanRun &run);

// The PPP files, written whole or not at all; false when a file could not be written.
// A refused value drops its line; one the daemon needs also sets stoppedBy.
bool writePppoeOptions(WanRun &run);
bool writeXl2tpdConfig(WanRun &run);
bool writeL2tpOptions(WanRun &run);
bool writePptpSecrets(WanRun &run);
bool writePptpPeer(WanRun &run);
bool writePptpOptions(WanRun &run);

// Both resolver files from the section's DNS servers; refusals mark the run. The result
// of _ralinkWanDnsInit.
int writeResolverFiles(int section, int platform, int port, bool *refused);
// ralinkWanDnsInit for the bring-up: only when forced or with manual DNS.
void updateResolverFiles(WanRun &run, bool force);

} // namespace networkconfig::wan

#endif
