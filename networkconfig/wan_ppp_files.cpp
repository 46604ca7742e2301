// The option and secrets files of the PPP modes, for pppd (with its PPPoE plug-in or the
// pptp client) and xl2tpd. Stored user names, passwords and servers are written in
// pppd's own quoting where they need it, so pppd reads back exactly the stored value as
// one word; files that hold a password are readable by root only.
#include <climits>
#include <cstdio>
#include <cstring>

#include "lib/atomic_file.h"
#include "lib/settings.h"
#include "networkconfig/wan.h"

namespace networkconfig::wan {
namespace {

namespace q = qavo::quote;
using qavo::setting;
using qavo::quote::Syntax;

constexpr unsigned kPublicMode = 0644;
constexpr unsigned kSecretMode = 0600;
constexpr long kSecondsPerMinute = 60;

constexpr size_t kLineSize = 1024;

// One generated file: lines with refused values are left out and mark the run.
class PppFile {
public:
    PppFile(WanRun &run, Syntax syntax) : run_(run), syntax_(syntax) {}

    bool open(const char *path, unsigned mode) { return file_.open(path, mode); }

    template <size_t N>
    void line(const char (&format)[N], std::initializer_list<q::Value> values = {})
    {
        write(format, values);
    }

    // A line the daemon cannot work without: its refusal also stops the daemon.
    template <size_t N>
    void needed(const char (&format)[N], std::initializer_list<q::Value> values)
    {
        const char *refused = write(format, values);
        if (refused && !run_.stoppedBy)
            run_.stoppedBy = refused;
    }

    // Lines without a value, as they stand.
    void fixed(std::initializer_list<const char *> lines)
    {
        for (const char *text : lines)
            file_.writeText(text, strlen(text));
    }

    bool commit() { return file_.commit(); }

private:
    // Writes one line; on a refusal the name of the value refused ("" if none was).
    template <size_t N>
    const char *write(const char (&format)[N], std::initializer_list<q::Value> values)
    {
        char text[kLineSize];
        q::Builder line(syntax_, text, sizeof text);
        if (line.add(format, values)) {
            file_.writeText(line.c_str(), line.length());
            return nullptr;
        }
        run_.refused = true;
        return line.refusedName() ? line.refusedName() : "";
    }

    WanRun &run_;
    Syntax syntax_;
    qavo::AtomicFile file_;
};

// A stored decimal number up to limit, read in base ten: pppd would read leading zeros
// as octal, so the number is written again without them.
bool storedNumber(WanRun &run, const char *key, long limit, long *value)
{
    const char *text = setting(qavo::kRouterSection, key);
    if (!q::accept(q::decimal(key, text))) {
        run.refused = true;
        return false;
    }
    long long number = strtoll(text, nullptr, 10); // ten digits fit; a 32-bit long would saturate
    if (number > limit) {
        fprintf(stderr, "Error: setting %s is more than pppd can hold; refused\n", key);
        run.refused = true;
        return false;
    }
    *value = static_cast<long>(number);
    return true;
}

// The idle time in seconds from a stored number of minutes (empty reads as 0).
bool idleSeconds(WanRun &run, const char *key, long *seconds)
{
    long minutes = 0;
    if (setting(qavo::kRouterSection, key)[0] != '\0' && !storedNumber(run, key, INT_MAX / kSecondsPerMinute, &minutes))
        return false;
    *seconds = minutes * kSecondsPerMinute;
    return true;
}

// "persist" (with "holdoff" where asked) or "demand" and "idle", by the dial option.
void dialLines(PppFile &file, WanRun &run, const char *timeKey, bool holdoff)
{
    long seconds = 0;
    switch (run.dial()) {
    case Dial::KeepAlive:
        file.line("persist\n");
        if (holdoff && storedNumber(run, timeKey, INT_MAX, &seconds))
            file.line("holdoff %s\n", {q::integer(seconds)});
        break;
    case Dial::OnDemand:
        file.line("demand\n");
        if (idleSeconds(run, timeKey, &seconds))
            file.line("idle %s\n", {q::integer(seconds)});
        break;
    case Dial::None:
        break;
    }
}

} // namespace

bool writePppoeOptions(WanRun &run)
{
    PppFile file(run, Syntax::Pppd);
    if (!file.open("/etc/options.pppoe", kSecretMode))
        return false;
    file.line("noauth\n");
    file.needed("user %s\n", {q::credential("wan_pppoe_user_mm", setting(qavo::kRouterSection, "wan_pppoe_user_mm"))});
    file.needed("password %s\n", {q::credential("wan_pppoe_pass", setting(qavo::kRouterSection, "wan_pppoe_pass"))});
    file.fixed({"hide-password\n", "noipdefault\n", "defaultroute\n", "nodetach\n", "usepeerdns\n"});
    dialLines(file, run, "wan_pppoe_optime", false);
    file.fixed(
        {"ipcp-accept-remote\n", "ipcp-accept-local\n", "lcp-echo-failure 3\n", "lcp-echo-interval 15\n", "ktune\n"});
    file.line("mtu %s\n", {q::pppMtu("wan_pppoe_mtu", setting(qavo::kRouterSection, "wan_pppoe_mtu"))});
    file.fixed({"default-asyncmap nopcomp noaccomp\n", "novj nobsdcomp nodeflate\n"});
    file.needed("plugin /etc_ro/ppp/plugins/rp-pppoe.so %s\n", {q::ifname("WAN interface", run.ifname)});
    return file.commit();
}

bool writeXl2tpdConfig(WanRun &run)
{
    PppFile file(run, Syntax::Xl2tpd);
    if (!file.open("/etc_ro/xl2tpd.conf", kPublicMode))
        return false;
    file.line("[lac l2tp]\n");
    file.needed("name = %s\n", {q::credential("wan_l2tp_user", setting(qavo::kRouterSection, "wan_l2tp_user"))});
    file.needed("lns = %s\n", {q::hostname("wan_l2tp_server", setting(qavo::kRouterSection, "wan_l2tp_server"))});
    // "options.xl2ptd" is the file's name on every router of this platform: kept on purpose.
    file.line("pppoptfile = /etc_ro/ppp/options.xl2ptd\n");
    file.line("autodial = yes\n");
    return file.commit();
}

bool writeL2tpOptions(WanRun &run)
{
    PppFile file(run, Syntax::Pppd);
    if (!file.open("/etc_ro/ppp/options.xl2ptd", kSecretMode))
        return false;
    file.line("debug\n");
    file.line("remotename l2tp\n");
    file.needed("user \"%s\"\n", {q::credential("wan_l2tp_user", setting(qavo::kRouterSection, "wan_l2tp_user"))});
    file.needed("password \"%s\"\n", {q::credential("wan_l2tp_pass", setting(qavo::kRouterSection, "wan_l2tp_pass"))});
    file.fixed({"unit 0\n", "lock\n", "nodeflate\n", "nobsdcomp\n", "noauth\n", "persist\n", "usepeerdns\n",
                "nopcomp\n", "noaccomp\n", "lcp-echo-failure 3\n", "lcp-echo-interval 15\n", "defaultroute\n"});
    return file.commit();
}

bool writePptpSecrets(WanRun &run)
{
    PppFile file(run, Syntax::Pppd);
    if (!file.open("/etc_ro/ppp/chap-secrets", kSecretMode))
        return false;
    file.needed("\"%s\" PPTP \"%s\" \"*\"\n",
                {q::credential("wan_pptp_user", setting(qavo::kRouterSection, "wan_pptp_user")),
                 q::secret("wan_pptp_pass", setting(qavo::kRouterSection, "wan_pptp_pass"))});
    return file.commit();
}

bool writePptpPeer(WanRun &run)
{
    PppFile file(run, Syntax::Pppd);
    if (!file.open("/etc_ro/ppp/peers/pptp", kPublicMode))
        return false;
    file.line("remotename PPTP\n");
    // pppd hands the pty line to a shell: the server must be a plain host name or address.
    file.needed("pty \"pptp %s --nolaunchpppd\"\n",
                {q::hostname("wan_pptp_server", setting(qavo::kRouterSection, "wan_pptp_server"))});
    file.needed("name %s\n", {q::credential("wan_pptp_user", setting(qavo::kRouterSection, "wan_pptp_user"))});
    file.fixed({"noauth\n", "file /etc_ro/ppp/options\n", "novj\n"});
    return file.commit();
}

bool writePptpOptions(WanRun &run)
{
    PppFile file(run, Syntax::Pppd);
    if (!file.open("/etc_ro/ppp/options", kPublicMode))
        return false;
    file.fixed({"noauth\n", "refuse-eap\n", "refuse-chap\n", "refuse-mschap\n", "lock\n", "nobsdcomp\n", "usepeerdns\n",
                "require-mppe-128\n", "nomppe-stateful\n", "lcp-echo-interval 20\n", "lcp-echo-failure 3\n"});
    dialLines(file, run, "wan_pptp_optime", true);
    file.fixed({"noipdefault\n", "defaultroute\n", "ipcp-accept-remote\n", "ipcp-accept-local\n"});
    return file.commit();
}

} // namespace networkconfig::wan
