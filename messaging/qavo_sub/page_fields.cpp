#include "messaging/qavo_sub/page_fields.h"

#include <cstring>
#include <string_view> // std::size, without the stream iterators <iterator> brings

namespace qavo_sub {

namespace {

using qavo::quote::Kind;

constexpr char kFlag[] = "0|1";

constexpr PageField kLanFields[] = {
    {"lan_ipaddr", Kind::Ipv4, false, nullptr}, {"lan_netmask", Kind::Netmask, false, nullptr},
    {"dhcpEnabled", Kind::Line, false, kFlag},  {"dhcpStart", Kind::Ipv4, false, nullptr},
    {"dhcpEnd", Kind::Ipv4, false, nullptr},    {"dhcpPriDns", Kind::Ipv4, true, nullptr},
    {"dhcpSecDns", Kind::Ipv4, true, nullptr},  {"HostName", Kind::HostName, false, nullptr},
};

constexpr PageField kWanFields[] = {
    {"wanConnectionMode", Kind::Line, false, "STATIC|DHCP|PPPOE|L2TP|PPTP"},
    {"wan_ipaddr", Kind::Ipv4, true, nullptr},
    {"wan_netmask", Kind::Netmask, true, nullptr},
    {"wan_gateway", Kind::Ipv4, true, nullptr},
    {"wan_static_mtu", Kind::Mtu, false, nullptr},
    {"wan_dhcp_hn", Kind::HostName, true, nullptr},
    {"wan_dhcp_mtu", Kind::Mtu, false, nullptr},
    {"wan_pppoe_user_mm", Kind::Credential, true, nullptr},
    {"wan_pppoe_pass", Kind::Credential, true, nullptr},
    {"wan_pppoe_opmode", Kind::Line, false, "KeepAlive|OnDemand"},
    {"wan_pppoe_mtu", Kind::Mtu, false, nullptr},
    {"wan_l2tp_server", Kind::Line, true, nullptr},
    {"wan_l2tp_user", Kind::Credential, true, nullptr},
    {"wan_l2tp_pass", Kind::Credential, true, nullptr},
    {"wan_l2tp_mode", Kind::Line, false, kFlag},
    {"wan_l2tp_ip", Kind::Ipv4, true, nullptr},
    {"wan_l2tp_netmask", Kind::Netmask, true, nullptr},
    {"wan_l2tp_gateway", Kind::Ipv4, true, nullptr},
    {"wan_pptp_server", Kind::Line, true, nullptr},
    {"wan_pptp_user", Kind::Credential, true, nullptr},
    {"wan_pptp_pass", Kind::Credential, true, nullptr},
    {"wan_pptp_mode", Kind::Line, false, kFlag},
    {"wan_pptp_ip", Kind::Ipv4, true, nullptr},
    {"wan_pptp_netmask", Kind::Netmask, true, nullptr},
    {"wan_pptp_gateway", Kind::Ipv4, true, nullptr},
    {"macCloneEnabled", Kind::Line, false, kFlag},
    {"macCloneMac", Kind::Mac, true, nullptr},
    {"wan_dns_mode", Kind::Line, false, kFlag},
    {"wan_primary_dns", Kind::Ipv4, true, nullptr},
    {"wan_secondary_dns", Kind::Ipv4, true, nullptr},
};

constexpr Page kPages[] = {
    {"lan", "initlan", kLanFields, std::size(kLanFields)},
    {"wan", "initwan", kWanFields, std::size(kWanFields)},
};

static_assert(std::size(kLanFields) <= kMaxPageFields && std::size(kWanFields) <= kMaxPageFields);

bool isChoice(const char *choices, std::string_view value)
{
    for (const char *word = choices;; ++word) {
        const char *end = strchr(word, '|');
        size_t length = end ? static_cast<size_t>(end - word) : strlen(word);
        if (value == std::string_view(word, length))
            return true;
        if (!end)
            return false;
        word = end;
    }
}

} // namespace

const Page *findPage(const char *name)
{
    for (const Page &page : kPages)
        if (strcmp(page.name, name) == 0)
            return &page;
    return nullptr;
}

const PageField *findField(const Page &page, const char *key)
{
    for (size_t i = 0; i < page.count; ++i)
        if (strcmp(page.fields[i].key, key) == 0)
            return &page.fields[i];
    return nullptr;
}

const char *whyRefused(const PageField &field, std::string_view value)
{
    if (value.empty())
        return field.mayBeEmpty ? nullptr : "may not be empty";
    if (field.choices && !isChoice(field.choices, value))
        return "is not one of the offered choices";
    return qavo::quote::whyRefused({field.key, value, field.kind, 0});
}

} // namespace qavo_sub
