// The WAN interface's MAC address: a cloned one, or the one in the factory data.
//
// When the factory partition cannot be found or read, the interface keeps the address it
// already has (the one the driver or the platform's network script gave it) rather than
// a fixed one: a fixed address would be the same on every such router, and two of them
// on one provider segment would take each other's leases.
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "lib/rooted_path.h"
#include "lib/settings.h"
#include "networkconfig/mtd_table.h"
#include "networkconfig/wan.h"
#include "qavo/runner.h"

namespace networkconfig::wan {
namespace {

namespace q = qavo::quote;

constexpr off_t kWanMacOffset = 0x2E;
constexpr size_t kMacBytes = 6;
constexpr const char *kBlankFactoryMac = "FF:FF:FF:FF:FF:FF";
constexpr const char *kBlankReplacementMac = "00:0C:43:28:80:64";

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

int openRooted(const char *path, int flags)
{
    char rooted[256];
    if (!qavo::rootedPath(path, rooted, sizeof rooted))
        return -1;
    return open(rooted, flags | O_CLOEXEC);
}

int findFactory()
{
    int fd = openRooted("/proc/mtd", O_RDONLY);
    if (fd < 0)
        return -1;
    FILE *table = fdopen(fd, "r");
    if (!table) {
        close(fd);
        return -1;
    }
    int number = findFactoryPartition(table);
    fclose(table);
    return number;
}

// The device of partition number: "/dev/mtd/N" first, then "/dev/mtdN".
int openPartition(int number)
{
    char path[32];
    snprintf(path, sizeof path, "/dev/mtd/%d", number);
    int fd = openRooted(path, O_RDONLY);
    if (fd >= 0)
        return fd;
    snprintf(path, sizeof path, "/dev/mtd%d", number);
    return openRooted(path, O_RDONLY);
}

// The six MAC bytes of the factory data; false (with the message) when the partition
// cannot be found, opened or read whole.
bool readFactoryMac(unsigned char *mac)
{
    int number = findFactory();
    if (number >= 0) {
        Descriptor device(openPartition(number));
        if (device.get() >= 0 &&
            pread(device.get(), mac, kMacBytes, kWanMacOffset) == static_cast<ssize_t>(kMacBytes))
            return true;
    }
    fputs("Could not open mtd device\n", stderr);
    return false;
}

void setAddress(WanRun &run, const char *mac)
{
    if (mac)
        run.command("ifconfig %s hw ether %s", {q::ifname("WAN interface", run.ifname), q::mac("MAC address", mac)});
    run.command("ifconfig %s up", {q::ifname("WAN interface", run.ifname)});
    run.command("ifconfig %s 0.0.0.0", {q::ifname("WAN interface", run.ifname)});
}

} // namespace

void setWanMac(WanRun &run)
{
    if (qavo::settingNumber(0, "macCloneEnabled") == 1) {
        const char *clone = qavo::setting(0, "macCloneMac");
        if (q::accept(q::mac("macCloneMac", clone))) {
            run.command("ifconfig %s down", {q::ifname("WAN interface", run.ifname)});
            setAddress(run, clone);
            return;
        }
        fputs("initwan: the factory MAC address is used instead of macCloneMac\n", stderr);
        run.refused = true;
    }
    unsigned char bytes[kMacBytes];
    bool readable = readFactoryMac(bytes);
    char text[kMacTextSize] = "";
    if (readable)
        snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", bytes[0], bytes[1], bytes[2], bytes[3],
                 bytes[4], bytes[5]);
    pause(kSettleSeconds);
    run.command("ifconfig %s down", {q::ifname("WAN interface", run.ifname)});
    if (!readable) {
        setAddress(run, nullptr);
        return;
    }
    setAddress(run, strcmp(text, kBlankFactoryMac) == 0 ? kBlankReplacementMac : text);
}

} // namespace networkconfig::wan
