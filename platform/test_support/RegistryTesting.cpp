#include "platform/test_support/RegistryTesting.h"

#include "linux/edge/TestHooks.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace quenvar::testing {

void ReopenRegistry() { QuenvarTestReopenRegistry(); }

std::size_t OpenRegistryHandles() { return QuenvarTestOpenRegistryHandles(); }

ScopedPrivateRegistry::ScopedPrivateRegistry()
{
    const char* temporary = std::getenv("TMPDIR");
    std::string pattern =
        std::string(temporary != nullptr && *temporary != '\0' ? temporary : "/tmp") + "/quenvar-registry-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder for a registry");
    folder_ = name.data();
    file_ = folder_ + "/registry.db";
    if (const char* previous = std::getenv("QUENVAR_REGISTRY"); previous != nullptr) {
        previous_ = previous;
        hadPrevious_ = true;
    }
    setenv("QUENVAR_REGISTRY", file_.c_str(), /*overwrite=*/1);
    ReopenRegistry();
}

ScopedPrivateRegistry::~ScopedPrivateRegistry()
{
    if (hadPrevious_) {
        setenv("QUENVAR_REGISTRY", previous_.c_str(), /*overwrite=*/1);
    } else {
        unsetenv("QUENVAR_REGISTRY");
    }
    ReopenRegistry();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

}  // namespace quenvar::testing
