// A real web server for tests: nginx on a free loopback port, with its configuration, pid file,
// logs and temporary files in a private folder, stopped and cleaned up when the object goes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/types.h>

namespace quenvar::testing {

class NginxServer {
public:
    static constexpr const char* kBinary = "/usr/sbin/nginx";
    static bool Installed();

    // Starts nginx and waits until it accepts connections; Running() tells whether it did.
    NginxServer();
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    bool Running() const { return process_ > 0; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
    // nginx's error log, for a failure message.
    std::string ErrorLog() const;

private:
    bool Start(std::uint16_t port);
    void Stop();

    std::filesystem::path folder_;
    pid_t process_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace quenvar::testing
