// The one way setting values, kernel names and caller texts enter command lines and
// generated files.
//
// A format is a literal text with "%s" slots (and "%%" for a percent sign). Each slot
// takes the next value. A value that needs no quoting is copied byte for byte, so
// ordinary values give exactly the texts the formats read as. Any other value is
// quoted for the place its slot stands in:
//   Shell, outside quotes       single-quoted for /bin/sh, each ' written as '\''
//   Shell, inside '...'         each ' written as '\''
//   Shell, inside "..."         \ " $ ` escaped with a backslash
//   Pppd, bare word             wrapped in "..." with pppd's escapes (\\ \" \ooo)
//   Pppd, inside "..." or '...' pppd's escapes
//   Plain (no escape syntax)    copied; a control character refuses the value
//   Xl2tpd ("key = value" line) copied; a control character, a ';' (which starts a
//                               comment there) or a blank at either end (which the
//                               daemon trims) refuses the value
//   UsbInfo ("a?b?#" records)   copied; a control character, a '?' or a '#' (the
//                               record's separators) refuses the value
// Typed values (addresses, masks, MACs, MTUs, interface and host names, numbers) are
// checked by strict parsers first; a value that fails, or a one-line value holding a
// line break, is refused. A refused value, or a result that would not fit the buffer,
// leaves "" in the buffer and prints "Error: ..." naming the setting on standard error.
#ifndef QAVO_LIB_QUOTE_H
#define QAVO_LIB_QUOTE_H

#include <cstddef>
#include <initializer_list>
#include <string_view>

#include "qavo/api.h"

namespace qavo::quote {

enum class Syntax : unsigned char { Shell, Pppd, Plain, Xl2tpd, UsbInfo };

enum class Kind : unsigned char {
    Text,       // anything; quoted as needed
    Line,       // anything without a control character
    Credential, // user names and passwords: no line feed or carriage return, at most 255
                // bytes (what pppd keeps)
    Secret,     // a credential pppd reads from a secrets file, where a leading '@' would
                // make it the name of a file to take the secret from
    Ipv4,
    InetAddr, // an IPv4 address in any form inet_aton reads (for files read that way)
    Netmask,
    Mac,
    UnicastMac, // a MAC address the kernel gives an interface
    EtherAddr,  // a MAC address in any form ether_aton reads
    Mtu,
    PppMtu, // an MTU pppd takes
    IfName,
    HostName,
    Decimal, // unsigned decimal text
    Integer, // a number held by the value itself
};

struct Value {
    const char *name;      // the setting or source, for messages
    std::string_view text; // unused for Integer
    Kind kind;
    long number; // Integer only
};

inline Value text(const char *name, std::string_view v)
{
    return {name, v, Kind::Text, 0};
}
inline Value line(const char *name, std::string_view v)
{
    return {name, v, Kind::Line, 0};
}
inline Value credential(const char *name, std::string_view v)
{
    return {name, v, Kind::Credential, 0};
}
inline Value secret(const char *name, std::string_view v)
{
    return {name, v, Kind::Secret, 0};
}
inline Value ipv4(const char *name, std::string_view v)
{
    return {name, v, Kind::Ipv4, 0};
}
inline Value inetAddr(const char *name, std::string_view v)
{
    return {name, v, Kind::InetAddr, 0};
}
inline Value netmask(const char *name, std::string_view v)
{
    return {name, v, Kind::Netmask, 0};
}
inline Value etherAddr(const char *name, std::string_view v)
{
    return {name, v, Kind::EtherAddr, 0};
}
inline Value mac(const char *name, std::string_view v)
{
    return {name, v, Kind::Mac, 0};
}
inline Value unicastMac(const char *name, std::string_view v)
{
    return {name, v, Kind::UnicastMac, 0};
}
inline Value pppMtu(const char *name, std::string_view v)
{
    return {name, v, Kind::PppMtu, 0};
}
inline Value mtu(const char *name, std::string_view v)
{
    return {name, v, Kind::Mtu, 0};
}
inline Value ifname(const char *name, std::string_view v)
{
    return {name, v, Kind::IfName, 0};
}
inline Value hostname(const char *name, std::string_view v)
{
    return {name, v, Kind::HostName, 0};
}
inline Value decimal(const char *name, std::string_view v)
{
    return {name, v, Kind::Decimal, 0};
}
inline Value integer(long n)
{
    return {"number", {}, Kind::Integer, n};
}

// Why a value fails its kind ("is not an IPv4 address"...), or nullptr when it passes.
const char *whyRefused(const Value &value);
// Checks a value against its kind; prints the refusal on standard error when it fails.
bool accept(const Value &value);

// Builds one text from several formats in a row, keeping track of the quotes the
// literal parts open and close. Once a piece is refused the whole result is refused.
// The constructor and append are exported from libqavo (QAVO_API) for the project's own
// programs: initqavo formats its commands through them. They are not part of the public
// C interface.
class Builder {
public:
    QAVO_API Builder(Syntax syntax, char *out, size_t size);

    template <size_t N>
    bool add(const char (&format)[N], std::initializer_list<Value> values = {})
    {
        return append(format, values);
    }

    bool ok() const { return ok_; }
    // After a refusal: the name of the value that was refused or did not fit, or
    // nullptr when the format itself was at fault.
    const char *refusedName() const { return refusedName_; }
    const char *c_str() const { return out_; }
    size_t length() const { return length_; }

private:
    enum class Quote : unsigned char { None, Single, Double };

    QAVO_API bool append(const char *format, std::initializer_list<Value> values);
    void literal(char c);
    void emit(const Value &value);
    void emitShell(std::string_view v);
    void emitPppd(std::string_view v);
    void emitXl2tpd(const Value &value);
    void put(char c);
    void put(std::string_view s);
    void fail();

    Syntax syntax_;
    char *out_;
    size_t size_;
    size_t length_ = 0;
    const char *valueName_ = nullptr; // the value being put, or the last one put
    const char *refusedName_ = nullptr;
    Quote quote_ = Quote::None;
    bool escaped_ = false;
    bool ok_ = true;
    bool overflow_ = false;
};

// One format into a buffer; true when every value was accepted and the text fits.
template <size_t Size, size_t N>
bool format(Syntax syntax, char (&out)[Size], const char (&fmt)[N], std::initializer_list<Value> values)
{
    Builder builder(syntax, out, Size);
    return builder.add(fmt, values);
}

} // namespace qavo::quote

#endif
