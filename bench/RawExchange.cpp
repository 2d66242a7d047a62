#include "bench/RawExchange.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstring>

namespace quenvar::bench {
namespace {

class Socket {
public:
    Socket() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket()
    {
        if (fd_ >= 0) close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::string RequestBytes(int port)
{
    return "GET / HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\nUser-Agent: Ferrowin\r\n\r\n";
}

bool RawExchange(int port, const std::string& request)
{
    const Socket connection;
    if (connection.get() < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(connection.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return false;
    for (std::size_t sent = 0; sent < request.size();) {
        const ssize_t n = send(connection.get(), request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    std::string header;
    std::array<char, 4096> buffer;
    while (header.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = recv(connection.get(), buffer.data(), buffer.size(), 0);
        if (n <= 0) return false;
        header.append(buffer.data(), static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace quenvar::bench
