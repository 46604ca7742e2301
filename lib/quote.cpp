#include "lib/quote.h"

#include <cstdio>
#include <cstring>

#include "lib/validate.h"

namespace qavo::quote {
namespace {

// pppd keeps at most this many bytes of a user name or password.
constexpr size_t kPppCredentialBytes = 255;

const char *credentialRefusal(std::string_view v)
{
    if (v.find_first_of("\r\n") != std::string_view::npos)
        return "holds a line break";
    return v.size() > kPppCredentialBytes ? "is longer than the 255 bytes pppd keeps" : nullptr;
}

const char *refusal(const Value &value)
{
    using namespace qavo::validate;
    std::string_view v = value.text;
    switch (value.kind) {
    case Kind::Text:
    case Kind::Integer:
        return nullptr;
    case Kind::Line:
        return isOneLine(v) ? nullptr : "holds a line break or another control character";
    case Kind::Credential:
        return credentialRefusal(v);
    case Kind::Secret:
        if (!v.empty() && v[0] == '@')
            return "begins with '@', which makes pppd read the secret from the file it names";
        return credentialRefusal(v);
    case Kind::Ipv4:
        return isIpv4(v) ? nullptr : "is not an IPv4 address";
    case Kind::InetAddr:
        return isInetAddr(v) ? nullptr : "is not an IPv4 address";
    case Kind::Netmask:
        return isNetmask(v) ? nullptr : "is not a netmask";
    case Kind::EtherAddr:
        return isEtherAddr(v) ? nullptr : "is not a MAC address";
    case Kind::Mac:
        return isMac(v) ? nullptr : "is not a MAC address";
    case Kind::UnicastMac:
        return isUnicastMac(v) ? nullptr : "is not a unicast MAC address (the kernel refuses it)";
    case Kind::Mtu:
        return isMtu(v) ? nullptr : "is not an MTU";
    case Kind::PppMtu:
        return isPppMtu(v) ? nullptr : "is not an MTU pppd takes (128 to 16384)";
    case Kind::IfName:
        return isIfName(v) ? nullptr : "is not an interface name";
    case Kind::HostName:
        return isHostName(v) ? nullptr : "is not a host name";
    case Kind::Decimal:
        return isDecimal(v) ? nullptr : "is not a decimal number";
    }
    return "has an unknown kind";
}

// Free texts may begin with '-'; typed values may not (they would read as an option).
bool isFreeText(Kind kind)
{
    return kind == Kind::Integer || kind == Kind::Text || kind == Kind::Line || kind == Kind::Credential ||
           kind == Kind::Secret;
}

// Characters that /bin/sh reads literally anywhere in a word.
bool shellPlain(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.' || c == ',' || c == ':' || c == '/' || c == '@' || c == '%' || c == '+' || c == '=';
}

// Characters that pppd's word reader takes literally in a bare word.
bool pppdPlain(char c)
{
    auto byte = static_cast<unsigned char>(c);
    return byte > 0x20 && byte != 0x7f && c != '"' && c != '\'' && c != '\\' && c != '#';
}

} // namespace

const char *whyRefused(const Value &value)
{
    const char *why = refusal(value);
    if (!why && !isFreeText(value.kind) && !value.text.empty() && value.text[0] == '-')
        why = "begins with '-'";
    return why;
}

bool accept(const Value &value)
{
    const char *why = whyRefused(value);
    if (!why)
        return true;
    fprintf(stderr, "Error: setting %s %s; refused\n", value.name, why);
    return false;
}

Builder::Builder(Syntax syntax, char *out, size_t size) : syntax_(syntax), out_(out), size_(size)
{
    if (size_ == 0)
        ok_ = false;
    else
        out_[0] = '\0';
}

bool Builder::append(const char *format, std::initializer_list<Value> values)
{
    const Value *next = values.begin();
    for (const char *p = format; ok_ && *p; ++p) {
        if (p[0] == '%' && p[1] == '%') {
            literal('%');
            ++p;
        } else if (p[0] == '%' && p[1] == 's') {
            if (next == values.end()) {
                fprintf(stderr, "Error: format \"%s\" has more slots than values; refused\n", format);
                valueName_ = nullptr;
                fail();
                break;
            }
            emit(*next++);
            ++p;
        } else {
            literal(*p);
        }
    }
    if (ok_ && next != values.end()) {
        fprintf(stderr, "Error: format \"%s\" has fewer slots than values; refused\n", format);
        valueName_ = nullptr;
        fail();
    }
    if (overflow_) {
        // Named by the value that filled the buffer; the format only when no value did.
        if (refusedName_)
            fprintf(stderr, "Error: setting %s does not fit in %zu bytes with its text; refused\n", refusedName_,
                    size_);
        else
            fprintf(stderr, "Error: text from \"%.*s\" does not fit in %zu bytes; refused\n",
                    static_cast<int>(strcspn(format, "\r\n")), format, size_);
        overflow_ = false;
    }
    return ok_;
}

// Copies one literal character and follows the quotes it opens or closes.
void Builder::literal(char c)
{
    put(c);
    if (syntax_ == Syntax::Plain || syntax_ == Syntax::Xl2tpd || syntax_ == Syntax::UsbInfo)
        return;
    if (escaped_) {
        escaped_ = false;
        return;
    }
    switch (quote_) {
    case Quote::None:
        if (c == '\\')
            escaped_ = true;
        else if (c == '\'')
            quote_ = Quote::Single;
        else if (c == '"')
            quote_ = Quote::Double;
        break;
    case Quote::Single:
        if (c == '\'')
            quote_ = Quote::None;
        else if (c == '\\' && syntax_ == Syntax::Pppd)
            escaped_ = true;
        break;
    case Quote::Double:
        if (c == '"')
            quote_ = Quote::None;
        else if (c == '\\')
            escaped_ = true;
        break;
    }
}

void Builder::emit(const Value &value)
{
    valueName_ = value.name;
    if (!accept(value)) {
        fail();
        return;
    }
    if (value.kind == Kind::Integer) {
        char digits[24];
        snprintf(digits, sizeof digits, "%ld", value.number);
        put(std::string_view(digits));
        return;
    }
    switch (syntax_) {
    case Syntax::Shell:
        emitShell(value.text);
        break;
    case Syntax::Pppd:
        emitPppd(value.text);
        break;
    case Syntax::Xl2tpd:
        emitXl2tpd(value);
        break;
    case Syntax::Plain:
    case Syntax::UsbInfo:
        if (!validate::isOneLine(value.text)) {
            fprintf(stderr, "Error: setting %s holds a line break or another control character; refused\n", value.name);
            fail();
            return;
        }
        if (syntax_ == Syntax::UsbInfo && value.text.find_first_of("?#") != std::string_view::npos) {
            fprintf(stderr, "Error: setting %s holds a '?' or a '#', which separate the records; refused\n",
                    value.name);
            fail();
            return;
        }
        put(value.text);
        break;
    }
}

void Builder::emitShell(std::string_view v)
{
    switch (quote_) {
    case Quote::None: {
        // '#' starts a comment only at the beginning of a word.
        bool midWord = length_ > 0 && !strchr(" \t\n;&|()<>", out_[length_ - 1]);
        bool plain = true;
        for (size_t i = 0; i < v.size(); ++i)
            plain = plain && (shellPlain(v[i]) || (v[i] == '#' && (i > 0 || midWord)));
        if (plain) {
            put(v);
            return;
        }
        put('\'');
        for (char c : v)
            c == '\'' ? put(std::string_view("'\\''")) : put(c);
        put('\'');
        return;
    }
    case Quote::Single:
        for (char c : v)
            c == '\'' ? put(std::string_view("'\\''")) : put(c);
        return;
    case Quote::Double:
        for (char c : v) {
            if (c == '\\' || c == '"' || c == '$' || c == '`')
                put('\\');
            put(c);
        }
        return;
    }
}

void Builder::emitPppd(std::string_view v)
{
    bool bare = quote_ == Quote::None;
    if (bare) {
        bool plain = !v.empty();
        for (char c : v)
            plain = plain && pppdPlain(c);
        if (plain) {
            put(v);
            return;
        }
        put('"');
    }
    char closing = quote_ == Quote::Single ? '\'' : '"';
    for (char c : v) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            char octal[5];
            snprintf(octal, sizeof octal, "\\%03o", byte);
            put(std::string_view(octal));
        } else {
            if (c == '\\' || c == closing)
                put('\\');
            put(c);
        }
    }
    if (bare)
        put('"');
}

void Builder::emitXl2tpd(const Value &value)
{
    std::string_view v = value.text;
    const char *why = nullptr;
    if (!validate::isOneLine(v))
        why = "holds a line break or another control character";
    else if (v.find(';') != std::string_view::npos)
        why = "holds a ';', which starts a comment in the xl2tpd configuration";
    else if (!v.empty() && (v.front() == ' ' || v.back() == ' '))
        why = "begins or ends with a blank, which the xl2tpd configuration drops";
    if (why) {
        fprintf(stderr, "Error: setting %s %s; refused\n", value.name, why);
        fail();
        return;
    }
    put(v);
}

void Builder::put(char c)
{
    if (!ok_)
        return;
    if (length_ + 1 >= size_) {
        overflow_ = true;
        fail();
        return;
    }
    out_[length_++] = c;
    out_[length_] = '\0';
}

void Builder::put(std::string_view s)
{
    for (char c : s)
        put(c);
}

void Builder::fail()
{
    if (ok_)
        refusedName_ = valueName_;
    ok_ = false;
    length_ = 0;
    if (size_ > 0)
        out_[0] = '\0';
}

} // namespace qavo::quote
