// A registrar process for the tests of registrations running at once:
//   registration_rounds LIBRARY ROUNDS register|unregister
// loads LIBRARY and calls its registration functions ROUNDS times in pairs, each pair ending with
// the named call. Prints every failing call; exits with 0 when every call succeeded.
#include "tests/integration/ServerLibrary.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: registration_rounds LIBRARY ROUNDS register|unregister\n");
        return 2;
    }
    quenvar::testing::ServerLibrary library(argv[1]);
    if (!library.Loaded()) {
        std::fprintf(stderr, "cannot load %s\n", argv[1]);
        return 2;
    }
    const int rounds = std::atoi(argv[2]);
    const bool registerLast = std::strcmp(argv[3], "register") == 0;
    const auto first = registerLast ? library.unregisterServer : library.registerServer;
    const auto last = registerLast ? library.registerServer : library.unregisterServer;
    int failures = 0;
    for (int round = 0; round < rounds; ++round) {
        for (const auto call : {first, last}) {
            const HRESULT hr = call();
            if (FAILED(hr)) {
                std::fprintf(stderr, "round %d: %s answered 0x%08X\n", round,
                             call == library.registerServer ? "DllRegisterServer" : "DllUnregisterServer",
                             static_cast<unsigned>(hr));
                ++failures;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
