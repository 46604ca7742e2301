#include "scripted_broker.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Waits up to 100 ms for fd to become readable.
bool readable(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 100) > 0;
}

bool readExactly(int fd, std::string &out, size_t n, const std::atomic<bool> &stop)
{
    while (out.size() < n) {
        if (stop)
            return false;
        if (!readable(fd))
            continue;
        char buffer[512];
        ssize_t got = read(fd, buffer, std::min(n - out.size(), sizeof buffer));
        if (got <= 0)
            return false;
        out.append(buffer, static_cast<size_t>(got));
    }
    return true;
}

// One whole packet: fixed header byte, remaining length, body.
bool readPacket(int fd, std::string &packet, const std::atomic<bool> &stop)
{
    packet.clear();
    if (!readExactly(fd, packet, 1, stop))
        return false;
    size_t length = 0, shift = 0;
    unsigned char byte;
    do {
        if (!readExactly(fd, packet, packet.size() + 1, stop))
            return false;
        byte = static_cast<unsigned char>(packet.back());
        length |= size_t(byte & 127) << shift;
        shift += 7;
    } while (byte & 128);
    return readExactly(fd, packet, packet.size() + length, stop);
}

void send(int fd, const std::string &bytes)
{
    (void)!write(fd, bytes.data(), bytes.size());
}

std::string remainingLength(size_t n)
{
    std::string s;
    do {
        unsigned char byte = n % 128;
        n /= 128;
        s += static_cast<char>(n ? byte | 128 : byte);
    } while (n);
    return s;
}

std::string utf8(const std::string &text)
{
    return std::string{static_cast<char>(text.size() >> 8), static_cast<char>(text.size() & 255)} + text;
}

// The two-byte length of the string at that offset.
size_t lengthAt(const std::string &packet, size_t at)
{
    return size_t(static_cast<unsigned char>(packet[at])) << 8 | static_cast<unsigned char>(packet[at + 1]);
}

size_t headerLength(const std::string &packet)
{
    size_t i = 1;
    while (static_cast<unsigned char>(packet[i]) & 128)
        ++i;
    return i + 1;
}

} // namespace

ScriptedBroker::ScriptedBroker(Script script, std::string reply) : script_(script), reply_(std::move(reply))
{
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr *>(&address), sizeof address);
    listen(listener_, 8);
    socklen_t size = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &size);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

ScriptedBroker::~ScriptedBroker()
{
    stop_ = true;
    thread_.join();
    close(listener_);
}

std::string ScriptedBroker::firstConnect()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return firstConnect_;
}

void ScriptedBroker::serve()
{
    while (!stop_) {
        if (!readable(listener_))
            continue;
        int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++connections_;
        session(fd);
        close(fd);
    }
}

void ScriptedBroker::session(int fd)
{
    std::string packet;
    while (readPacket(fd, packet, stop_)) {
        switch (static_cast<unsigned char>(packet[0]) & 0xf0) {
        case 0x10: { // CONNECT
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (firstConnect_.empty())
                    firstConnect_ = packet;
            }
            send(fd, std::string("\x20\x02\x00", 3) + (script_ == Script::RefuseAll ? '\x05' : '\x00'));
            if (script_ == Script::RefuseAll)
                return;
            break;
        }
        case 0x80: { // SUBSCRIBE: acknowledge its message id with QoS 0 granted to each topic
            if (script_ == Script::NeverAcknowledge)
                break;
            size_t body = headerLength(packet);
            std::string granted; // each filter: length, text, requested QoS
            for (size_t at = body + 2; at + 2 < packet.size(); at += 2 + lengthAt(packet, at) + 1)
                granted += '\x00';
            send(fd, '\x90' + remainingLength(2 + granted.size()) + packet.substr(body, 2) + granted);
            if (script_ == Script::HostileAnswers) {
                std::string retained = utf8(packet.substr(body + 4, lengthAt(packet, body + 2))) + "retained";
                send(fd, "\x31" + remainingLength(retained.size()) + retained);
                std::string elsewhere = utf8("pelvanto/router/other/R") + "elsewhere";
                send(fd, "\x30" + remainingLength(elsewhere.size()) + elsewhere);
            }
            break;
        }
        case 0x30: { // PUBLISH QoS 0: delivered back to its sender (subscribed to it), then answered
            send(fd, packet);
            size_t body = headerLength(packet);
            std::string topic = packet.substr(body + 2, lengthAt(packet, body));
            std::string content = utf8(topic + "/R") + reply_;
            send(fd, "\x30" + remainingLength(content.size()) + content);
            break;
        }
        case 0xe0: // DISCONNECT
            return;
        default: // PINGREQ and anything else: ignored
            break;
        }
    }
}
