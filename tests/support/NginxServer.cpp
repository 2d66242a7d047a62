#include "tests/support/NginxServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace quenvar::testing {
namespace {

constexpr int kStartAttempts = 3;
constexpr auto kStartTimeout = std::chrono::seconds(10);

// A port that was free a moment ago; nginx may still lose it to someone else, hence the retries.
std::uint16_t FreeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

bool Accepts(std::uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

std::string Configuration(const std::filesystem::path& folder, std::uint16_t port)
{
    const std::string dir = folder.string();
    std::ostringstream text;
    text << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
         << "pid " << dir << "/nginx.pid;\nerror_log " << dir << "/error.log;\n"
         << "events { worker_connections 16; }\n"
         << "http {\n  access_log off;\n"
         << "  client_body_temp_path " << dir << "/body;\n  proxy_temp_path " << dir << "/proxy;\n"
         << "  fastcgi_temp_path " << dir << "/fastcgi;\n  uwsgi_temp_path " << dir << "/uwsgi;\n"
         << "  scgi_temp_path " << dir << "/scgi;\n"
         << "  server {\n    listen 127.0.0.1:" << port << ";\n    location / { return 200 \"ok\\n\"; }\n  }\n}\n";
    return text.str();
}

}  // namespace

bool NginxServer::Installed() { return ::access(kBinary, X_OK) == 0; }

NginxServer::NginxServer()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quenvar-nginx-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    folder_ = pattern;
    for (int attempt = 0; attempt < kStartAttempts && !Running(); ++attempt) {
        const std::uint16_t port = FreeLoopbackPort();
        if (port != 0 && !Start(port)) Stop();
    }
}

NginxServer::~NginxServer()
{
    Stop();
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

std::string NginxServer::ErrorLog() const
{
    std::ifstream log(folder_ / "error.log");
    return std::string(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
}

bool NginxServer::Start(std::uint16_t port)
{
    const std::filesystem::path config = folder_ / "nginx.conf";
    std::ofstream(config) << Configuration(folder_, port);
    const std::string prefix = folder_.string() + "/";
    const std::string configPath = config.string();
    const std::string errorLog = (folder_ / "error.log").string();
    const char* argv[] = {kBinary, "-p", prefix.c_str(), "-c", configPath.c_str(), "-e", errorLog.c_str(), nullptr};
    if (::posix_spawn(&process_, kBinary, nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
        process_ = -1;
        return false;
    }
    port_ = port;
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(process_, &status, WNOHANG) == process_) {
            process_ = -1;  // it gave up, most likely on the port
            return false;
        }
        if (Accepts(port)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void NginxServer::Stop()
{
    if (process_ <= 0) return;
    ::kill(process_, SIGTERM);
    int status = 0;
    ::waitpid(process_, &status, 0);
    process_ = -1;
}

}  // namespace quenvar::testing
