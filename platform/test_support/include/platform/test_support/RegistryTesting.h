// Test-only control of the registry: point this process at a private registry file for the span
// of a test. Product code never includes this header.
#pragma once

#include <cstddef>
#include <string>

namespace quenvar::testing {

// Closes the registry connection and forgets every open key handle, so that the next registry
// call opens the file that QUENVAR_REGISTRY (or the other variables) names at that time.
// Handles opened before then answer ERROR_INVALID_HANDLE.
void ReopenRegistry();

// Key handles open in the process right now (the predefined roots not counted).
std::size_t OpenRegistryHandles();

// A private, empty registry for one test: makes a temporary folder, points QUENVAR_REGISTRY at
// "registry.db" inside it and reopens the registry; on destruction restores the variable's
// previous state, reopens again and removes the folder with everything in it.
class ScopedPrivateRegistry {
public:
    ScopedPrivateRegistry();
    ~ScopedPrivateRegistry();
    ScopedPrivateRegistry(const ScopedPrivateRegistry&) = delete;
    ScopedPrivateRegistry& operator=(const ScopedPrivateRegistry&) = delete;

    const std::string& Folder() const { return folder_; }
    const std::string& File() const { return file_; }

private:
    std::string folder_;
    std::string file_;
    std::string previous_;
    bool hadPrevious_ = false;
};

}  // namespace quenvar::testing
