// raw_client -j N FILE: the raw-socket exchange with every host of FILE ("127.0.0.1:PORT" lines),
// N threads taking the next line, as palvex -j N does with the component. Exits 1 if any failed.
#include "bench/RawExchange.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Target {
    int port;
    std::string request;
};

bool ReadTargets(const char* path, std::vector<Target>& targets)
{
    std::ifstream file(path);
    if (!file) return false;
    for (std::string line; std::getline(file, line);) {
        if (line.empty()) continue;
        const std::size_t colon = line.rfind(':');
        if (colon == std::string::npos) return false;
        const int port = std::atoi(line.c_str() + colon + 1);
        targets.push_back({port, quenvar::bench::RequestBytes(port)});
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4 || std::string(argv[1]) != "-j") {
        std::fprintf(stderr, "usage: raw_client -j N FILE\n");
        return 2;
    }
    const int threadCount = std::atoi(argv[2]);
    std::vector<Target> targets;
    if (threadCount < 1 || !ReadTargets(argv[3], targets)) {
        std::fprintf(stderr, "raw_client: bad thread count or host file\n");
        return 2;
    }
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> failed{0};
    std::vector<std::jthread> threads;
    for (int i = 0; i < threadCount; ++i) {
        threads.emplace_back([&] {
            for (std::size_t index = next++; index < targets.size(); index = next++) {
                if (!quenvar::bench::RawExchange(targets[index].port, targets[index].request)) ++failed;
            }
        });
    }
    threads.clear();
    return failed == 0 ? 0 : 1;
}
