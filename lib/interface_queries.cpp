// Kernel facts about one interface: address, netmask, hardware address, up flag, presence.
#include "qavo/interfaces.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "lib/holders.h"
#include "lib/proc_tables.h"
#include "lib/quote.h"
#include "lib/system.h"

namespace {

static_assert(QAVO_IFNAME_MAX + 1 == IFNAMSIZ, "interface names follow the kernel's limit");

// An IPv4 stream socket for one request, closed when the holder goes.
class RequestSocket {
public:
    RequestSocket() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    RequestSocket(const RequestSocket &) = delete;
    RequestSocket &operator=(const RequestSocket &) = delete;
    ~RequestSocket()
    {
        int saved = errno; // the caller reports the request's failure after this
        if (fd_ >= 0)
            close(fd_);
        errno = saved;
    }
    bool ok() const { return fd_ >= 0; }
    bool request(unsigned long code, ifreq &record) const { return ioctl(fd_, code, &record) == 0; }

private:
    int fd_;
};

// Fills the request record with the name; false when the name is missing or too long
// for the kernel's field (a cut name could be another interface's).
bool prepare(ifreq &record, const char *ifname)
{
    memset(&record, 0, sizeof record);
    if (!ifname || strlen(ifname) > QAVO_IFNAME_MAX)
        return false;
    memcpy(record.ifr_name, ifname, strlen(ifname));
    return true;
}

void dottedQuad(const sockaddr &address, char *out)
{
    sockaddr_in ipv4;
    memcpy(&ipv4, &address, sizeof ipv4);
    inet_ntop(AF_INET, &ipv4.sin_addr, out, INET_ADDRSTRLEN);
}

enum class Answer { Ok, BadName, NoSocket, Refused };

// One socket request about ifname on a socket of its own. The caller reports the
// failure it cares about (errno is kept for perror).
Answer askKernel(unsigned long code, const char *ifname, ifreq &record)
{
    if (!prepare(record, ifname))
        return Answer::BadName;
    RequestSocket sock;
    if (!sock.ok())
        return Answer::NoSocket;
    return sock.request(code, record) ? Answer::Ok : Answer::Refused;
}

// Hardware address of ifname; reports a socket that cannot be opened when asked to.
bool hardwareAddress(const char *ifname, unsigned char (&bytes)[6], bool reportSocket)
{
    ifreq record;
    Answer answer = askKernel(SIOCGIFHWADDR, ifname, record);
    if (answer == Answer::NoSocket && reportSocket)
        puts("getIfMac: open socket error");
    if (answer != Answer::Ok)
        return false;
    memcpy(bytes, record.ifr_hwaddr.sa_data, sizeof bytes);
    return true;
}

} // namespace

extern "C" int getIfIp(const char *ifname, char *out)
{
    ifreq record;
    if (!out || askKernel(SIOCGIFADDR, ifname, record) != Answer::Ok)
        return -1;
    dottedQuad(record.ifr_addr, out);
    return 0;
}

extern "C" int getIfNetmask1(const char *ifname, char *out)
{
    ifreq record;
    if (!out)
        return -1;
    Answer answer = askKernel(SIOCGIFNETMASK, ifname, record);
    if (answer == Answer::NoSocket)
        perror("getIfNetmask: open socket error");
    else if (answer == Answer::Refused)
        perror("getIfNetmask: ioctl SIOCGIFNETMASK error\n");
    if (answer != Answer::Ok)
        return -1;
    dottedQuad(record.ifr_netmask, out);
    return 0;
}

extern "C" int getIfNetmask(const char *ifname, char *out)
{
    if (!out || !ifname)
        return -1;
    // The name goes through the quoting rules as a kernel interface name: anything else
    // (too long, a shell word, an option) is refused before a shell sees it.
    char command[256];
    if (!qavo::quote::format(qavo::quote::Syntax::Shell, command,
                             "ifconfig %s 2>/dev/null |grep 'inet addr' |cut -d ':' -f4",
                             {qavo::quote::ifname("interface name", ifname)}))
        return -1;
    qavo::sys::CommandOutput pipe(command);
    if (!pipe) {
        perror("getIfNetmask: popen failed");
        return -1;
    }
    char line[255];
    if (!fgets(line, sizeof line, pipe.get())) {
        out[0] = '\0';
        return -1;
    }
    line[strcspn(line, "\n")] = '\0';
    // Anything that does not fit an address buffer is not a netmask.
    if (strlen(line) >= INET_ADDRSTRLEN) {
        out[0] = '\0';
        return -1;
    }
    strcpy(out, line);
    return 0;
}

extern "C" int getIfMac(const char *ifname, char *out)
{
    unsigned char b[6];
    if (!out || !hardwareAddress(ifname, b, false))
        return -1;
    snprintf(out, 18, "%02X:%02X:%02X:%02X:%02X:%02X", b[0], b[1], b[2], b[3], b[4], b[5]);
    return 0;
}

extern "C" int getAP6Mac(const char *ifname, char *out)
{
    unsigned char b[6];
    if (!out || !hardwareAddress(ifname, b, true))
        return -1;
    snprintf(out, 7, "%02X%02X%02X", b[3], b[4], b[5]);
    return 0;
}

extern "C" int getIfIsUp(const char *ifname)
{
    ifreq record;
    Answer answer = askKernel(SIOCGIFFLAGS, ifname, record);
    if (answer == Answer::NoSocket)
        perror("socket");
    else if (answer == Answer::Refused)
        perror("ioctl");
    if (answer != Answer::Ok)
        return -1;
    return (record.ifr_flags & IFF_UP) ? 1 : 0;
}

extern "C" int getIfLive(const char *ifname)
{
    qavo::File table(qavo::sys::openFile("/proc/net/dev", "re"));
    if (!table) {
        perror("getIfLive: open /proc/net/dev error");
        return -1;
    }
    bool listed = ifname && qavo::proc::deviceListed(table.get(), ifname);
    if (listed)
        return 0;
    perror("getIfLive: device  not found");
    return 1;
}
