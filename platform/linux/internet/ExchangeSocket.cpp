// Blocking calls, bounded by socket time-outs set to what is left of the deadline: the fewest
// system calls for an exchange. The kernel answers a connect that ran out of time with
// EINPROGRESS, and a send or receive with EAGAIN.
#include "linux/internet/ExchangeSocket.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

namespace quenvar::platform {
namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

int ExchangeSocket::SetTimeout(int option, Deadline deadline)
{
    const auto left = std::chrono::ceil<std::chrono::microseconds>(deadline - Clock::now()).count();
    // A zero time-out would mean none at all.
    if (left <= 0) return ETIMEDOUT;
    const timeval timeout{static_cast<time_t>(left / 1000000), static_cast<suseconds_t>(left % 1000000)};
    return setsockopt(fd_, SOL_SOCKET, option, &timeout, sizeof timeout) == 0 ? 0 : errno;
}

int ExchangeSocket::Connect(const SocketAddress& address, Deadline deadline)
{
    Close();
    fd_ = socket(address.storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd_ < 0) return errno;
    if (const int error = SetTimeout(SO_SNDTIMEO, deadline); error != 0) return error;
    if (connect(fd_, reinterpret_cast<const sockaddr*>(&address.storage), address.length) == 0) return 0;
    const int error = errno;
    if (error == EINPROGRESS || error == EAGAIN) return ETIMEDOUT;
    // A signal does not stop the connection being made; it only ends the wait for it.
    if (error == EINTR) return WaitConnected(deadline);
    return error;
}

int ExchangeSocket::WaitConnected(Deadline deadline)
{
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return ETIMEDOUT;
        pollfd writable{fd_, POLLOUT, 0};
        const int ready = poll(&writable, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return errno;
        if (ready == 0) return ETIMEDOUT;
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
        return error;
    }
}

int ExchangeSocket::Send(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            return errno == EAGAIN ? ETIMEDOUT : errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return 0;
}

int ExchangeSocket::Receive(char* buffer, std::size_t size, Deadline deadline, std::size_t& received)
{
    for (;;) {
        if (const int error = SetTimeout(SO_RCVTIMEO, deadline); error != 0) return error;
        const ssize_t count = recv(fd_, buffer, size, 0);
        if (count >= 0) {
            received = static_cast<std::size_t>(count);
            return 0;
        }
        if (errno != EINTR) return errno == EAGAIN ? ETIMEDOUT : errno;
    }
}

void ExchangeSocket::Close()
{
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

}  // namespace quenvar::platform
