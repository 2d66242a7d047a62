#include "tests/support/ScriptedHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <system_error>

namespace quenvar::testing {
namespace {

constexpr std::size_t kMaxRequestBytes = std::size_t{64} * 1024;

[[noreturn]] void ThrowSystemError(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

// A bound socket on the loopback address, port 0 (the system picks one).
int BindLoopback(bool ipv6)
{
    const int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) ThrowSystemError("socket");
    int result;
    if (ipv6) {
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        result = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } else {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        result = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    if (result != 0) {
        ::close(fd);
        ThrowSystemError("bind");
    }
    return fd;
}

std::uint16_t PortOf(int fd)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) ThrowSystemError("getsockname");
    return address.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port)
                                         : ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

}  // namespace

ScriptedHttpServer::ScriptedHttpServer(std::vector<ScriptedAnswer> answers, bool ipv6)
    : answers_(std::move(answers)), ipv6_(ipv6)
{
    if (answers_.empty()) throw std::invalid_argument("no answer scripted");
    listener_ = BindLoopback(ipv6);
    if (::listen(listener_, 64) != 0) ThrowSystemError("listen");
    port_ = PortOf(listener_);
    wake_ = ::eventfd(0, EFD_CLOEXEC);
    if (wake_ < 0) ThrowSystemError("eventfd");
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

ScriptedHttpServer::~ScriptedHttpServer()
{
    const std::uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
    acceptor_.join();
    for (std::thread& worker : workers_) worker.join();
    ::close(listener_);
    ::close(wake_);
}

std::string ScriptedHttpServer::Address() const { return (ipv6_ ? "[::1]:" : "127.0.0.1:") + std::to_string(port_); }

std::vector<std::string> ScriptedHttpServer::Requests() const
{
    std::lock_guard guard(lock_);
    return requests_;
}

bool ScriptedHttpServer::Pause(std::chrono::milliseconds duration) const
{
    pollfd wake{wake_, POLLIN, 0};
    return ::poll(&wake, 1, static_cast<int>(duration.count())) == 0;
}

void ScriptedHttpServer::AcceptLoop()
{
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN) != 0) return;
        const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0) continue;
        std::lock_guard guard(lock_);
        const std::size_t index = requests_.size();
        requests_.emplace_back();
        workers_.emplace_back([this, socket, index] { Serve(socket, index); });
    }
}

void ScriptedHttpServer::Serve(int socket, std::size_t index)
{
    const ScriptedAnswer& answer = answers_[std::min(index, answers_.size() - 1)];
    std::string request;
    bool stopped = false;
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < kMaxRequestBytes) {
        pollfd fds[2] = {{socket, POLLIN, 0}, {wake_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN) != 0) {
            stopped = true;
            break;
        }
        char buffer[4096];
        const ssize_t received = ::recv(socket, buffer, sizeof buffer, 0);
        if (received <= 0) break;
        request.append(buffer, static_cast<std::size_t>(received));
    }
    {
        std::lock_guard guard(lock_);
        requests_[index] = request;
    }

    if (!stopped) stopped = !Pause(answer.delay);
    const std::size_t chunk = answer.drip.count() > 0 ? 1 : answer.bytes.size();
    for (std::size_t sent = 0; !stopped && sent < answer.bytes.size(); sent += chunk) {
        const std::size_t size = std::min(chunk, answer.bytes.size() - sent);
        if (::send(socket, answer.bytes.data() + sent, size, MSG_NOSIGNAL) != static_cast<ssize_t>(size)) break;
        if (answer.drip.count() > 0) stopped = !Pause(answer.drip);
    }

    if (answer.ending == ScriptedAnswer::Ending::HoldOpen && !stopped) {
        pollfd wake{wake_, POLLIN, 0};
        ::poll(&wake, 1, -1);
    }
    if (answer.ending == ScriptedAnswer::Ending::Reset) {
        const linger abortive{1, 0};
        ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    }
    ::close(socket);
}

std::uint16_t ClosedLoopbackPort()
{
    // A port the system just handed out and took back: nothing listens there, and it is not
    // handed out again right away.
    const int fd = BindLoopback(false);
    const std::uint16_t port = PortOf(fd);
    ::close(fd);
    return port;
}

FullListener::FullListener() : listener_(BindLoopback(false))
{
    if (::listen(listener_, 0) != 0) ThrowSystemError("listen");
    port_ = PortOf(listener_);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port_);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Connections complete until the queue is full; the first that stays pending shows it is.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (filler < 0) ThrowSystemError("socket");
        fillers_.push_back(filler);
        // A non-blocking connect answers EINPROGRESS; poll tells how it went.
        (void)::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
        pollfd connected{filler, POLLOUT, 0};
        if (::poll(&connected, 1, 200) == 0) return;
    }
    throw std::runtime_error("the listen queue did not fill");
}

FullListener::~FullListener()
{
    for (int filler : fillers_) ::close(filler);
    ::close(listener_);
}

}  // namespace quenvar::testing
