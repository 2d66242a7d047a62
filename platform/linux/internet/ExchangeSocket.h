// The blocking TCP socket of one exchange, closed with the object. Each call is bounded by a
// deadline and answers 0 or an errno value, ETIMEDOUT once the deadline passed.
#pragma once

#include "linux/internet/Resolver.h"

#include <chrono>
#include <cstddef>
#include <string_view>

namespace quenvar::platform {

class ExchangeSocket {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    ExchangeSocket() = default;
    ~ExchangeSocket() { Close(); }
    ExchangeSocket(const ExchangeSocket&) = delete;
    ExchangeSocket& operator=(const ExchangeSocket&) = delete;

    // A new connection to `address`, in place of any earlier one.
    int Connect(const SocketAddress& address, Deadline deadline);
    // All of `bytes`. Its wait is bounded by the connect deadline: a request fits into a fresh
    // connection's send buffer, so it does not wait at all.
    int Send(std::string_view bytes);
    // What arrives next, up to `size` bytes; `received` 0 when the server closed.
    int Receive(char* buffer, std::size_t size, Deadline deadline, std::size_t& received);

private:
    int SetTimeout(int option, Deadline deadline);
    int WaitConnected(Deadline deadline);
    void Close();

    int fd_ = -1;
};

}  // namespace quenvar::platform
