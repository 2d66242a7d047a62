// far_away_server DELAY_MS PORT ADDRESS...: servers far away, on loopback. Listens on PORT at each
// ADDRESS and answers every request, once its header is in, with a minimal HTTP answer DELAY_MS
// later, then closes. One thread and epoll, so that thousands of waiting connections cost the
// machine almost nothing beside the client being measured. Prints "ready" once it listens.
#include <netinet/in.h>
#include <arpa/inet.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kAnswer[] = "HTTP/1.1 200 OK\r\nServer: FarAway/1.0\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(Descriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Descriptor& operator=(Descriptor&&) = delete;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

struct Connection {
    Descriptor socket;
    std::string header;  // what arrived until the end of the request header
};

struct DueAnswer {
    Clock::time_point due;
    int fd;
};

Descriptor Listen(const char* address, int port)
{
    Descriptor listener(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const int yes = 1;
    setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, address, &where.sin_addr) != 1 ||
        bind(listener.Get(), reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0 ||
        listen(listener.Get(), SOMAXCONN) != 0) {
        std::perror(address);
        std::exit(1);
    }
    return listener;
}

class Server {
public:
    Server(std::chrono::milliseconds delay, int port, const std::vector<const char*>& addresses)
        : delay_(delay), poll_(epoll_create1(EPOLL_CLOEXEC))
    {
        for (const char* address : addresses) {
            listeners_.push_back(Listen(address, port));
            Watch(listeners_.back().Get());
        }
    }

    [[noreturn]] void Run()
    {
        epoll_event events[256];
        for (;;) {
            const int ready = epoll_wait(poll_.Get(), events, 256, MillisecondsToNextAnswer());
            for (int i = 0; i < ready; ++i) {
                const int fd = events[i].data.fd;
                if (connections_.count(fd) == 0) Accept(fd);
                else Read(fd);
            }
            AnswerDue();
        }
    }

private:
    void Watch(int fd)
    {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.fd = fd;
        epoll_ctl(poll_.Get(), EPOLL_CTL_ADD, fd, &event);
    }

    void Accept(int listener)
    {
        for (;;) {
            const int fd = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) return;
            connections_.emplace(fd, Connection{Descriptor(fd), {}});
            Watch(fd);
        }
    }

    void Read(int fd)
    {
        Connection& connection = connections_.at(fd);
        char buffer[4096];
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EAGAIN) return;
        if (count <= 0) {
            connections_.erase(fd);
            return;
        }
        connection.header.append(buffer, static_cast<std::size_t>(count));
        if (connection.header.find("\r\n\r\n") == std::string::npos) return;
        epoll_ctl(poll_.Get(), EPOLL_CTL_DEL, fd, nullptr);
        // The delay is the same for all, so the queue stays in the order of the answers.
        due_.push_back({Clock::now() + delay_, fd});
    }

    int MillisecondsToNextAnswer() const
    {
        if (due_.empty()) return -1;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(due_.front().due - Clock::now()).count();
        return left > 0 ? static_cast<int>(left) : 0;
    }

    void AnswerDue()
    {
        const Clock::time_point now = Clock::now();
        while (!due_.empty() && due_.front().due <= now) {
            send(due_.front().fd, kAnswer, sizeof kAnswer - 1, MSG_NOSIGNAL);
            connections_.erase(due_.front().fd);
            due_.pop_front();
        }
    }

    std::chrono::milliseconds delay_;
    Descriptor poll_;
    std::vector<Descriptor> listeners_;
    std::unordered_map<int, Connection> connections_;
    std::deque<DueAnswer> due_;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: far_away_server DELAY_MS PORT ADDRESS...\n");
        return 2;
    }
    // One descriptor per waiting connection.
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    Server server(std::chrono::milliseconds(std::atoi(argv[1])), std::atoi(argv[2]),
                  std::vector<const char*>(argv + 3, argv + argc));
    std::printf("ready\n");
    std::fflush(stdout);
    server.Run();
}
