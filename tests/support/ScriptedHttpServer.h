// A loopback server for tests that answers each connection with scripted raw bytes, on its own
// threads, and records what each connection sent. Nothing here parses HTTP: the answers may be
// as malformed, slow or short as a test needs.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quenvar::testing {

struct ScriptedAnswer {
    enum class Ending {
        Close,     // an orderly close once everything is sent
        Reset,     // a reset instead
        HoldOpen,  // keep the connection open until the server stops
    };

    std::string bytes;                   // sent once the request's header has arrived
    std::chrono::milliseconds delay{0};  // pause before the first byte
    std::chrono::milliseconds drip{0};   // when set: one byte, then this pause, and so on
    Ending ending = Ending::Close;
};

class ScriptedHttpServer {
public:
    // Connection n gets answers[n], the last answer once the list runs out.
    explicit ScriptedHttpServer(std::vector<ScriptedAnswer> answers, bool ipv6 = false);
    explicit ScriptedHttpServer(ScriptedAnswer answer, bool ipv6 = false)
        : ScriptedHttpServer(std::vector<ScriptedAnswer>{std::move(answer)}, ipv6)
    {
    }
    // Stops at once: pauses and held connections end, the threads are joined.
    ~ScriptedHttpServer();
    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

    std::uint16_t Port() const { return port_; }
    // "127.0.0.1:port", or "[::1]:port".
    std::string Address() const;
    // What each connection sent up to the end of its request header, in the order of acceptance.
    std::vector<std::string> Requests() const;

private:
    void AcceptLoop();
    void Serve(int socket, std::size_t index);
    // Sleeps until the time passes or the server stops; false when it stopped.
    bool Pause(std::chrono::milliseconds duration) const;

    std::vector<ScriptedAnswer> answers_;
    bool ipv6_;
    int listener_ = -1;
    int wake_ = -1;  // an eventfd that turns readable when the server stops
    std::uint16_t port_ = 0;
    std::thread acceptor_;
    mutable std::mutex lock_;
    std::vector<std::thread> workers_;
    std::vector<std::string> requests_;
};

// A loopback port that nothing listens on.
std::uint16_t ClosedLoopbackPort();

// A loopback listener that never accepts and whose queue is full, so that a new connection waits
// until the client gives up.
class FullListener {
public:
    FullListener();
    ~FullListener();
    FullListener(const FullListener&) = delete;
    FullListener& operator=(const FullListener&) = delete;

    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::vector<int> fillers_;
};

}  // namespace quenvar::testing
