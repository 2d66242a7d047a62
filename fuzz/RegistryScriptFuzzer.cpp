// The registry-script registrar: the input's first byte picks the ANSI code page (1252 or 932),
// the rest up to its first NUL is a script. It is expanded, registered and removed again against
// a registry of the fuzzer's own, emptied before every input so that each starts alike.
#include "registrar/KeyTree.h"
#include "registrar/ReplacementMap.h"

#include "platform/test_support/FaultInjection.h"
#include "platform/test_support/RegistryTesting.h"

#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <string>

namespace {

// The registry file lives as long as the process; each input starts from an empty one. It is
// kept in memory where the machine has a file system there: every change is a synchronised
// transaction, which on a disk would hold the fuzzer to a few inputs a second.
const quenvar::testing::ScopedPrivateRegistry& Registry()
{
    static const quenvar::testing::ScopedPrivateRegistry registry = [] {
        if (std::filesystem::is_directory("/dev/shm")) setenv("TMPDIR", "/dev/shm", /*overwrite=*/1);
        return quenvar::testing::ScopedPrivateRegistry();
    }();
    return registry;
}

void EmptyRegistry()
{
    const std::string& file = Registry().File();
    quenvar::testing::ReopenRegistry();  // closed first, so that its journal files go with it
    std::error_code ignored;
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(file + suffix, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    EmptyRegistry();
    const quenvar::testing::ScopedAnsiCodePage codePage((data[0] & 1) != 0 ? 932 : 1252);
    const std::string script(reinterpret_cast<const char*>(data + 1), size - 1);  // c_str() ends it

    quenvar::ReplacementMap variables;
    if (FAILED(variables.Add(u"Module", u"/opt/quenvar/lib/Quenvar.so")) ||
        FAILED(variables.Add(u"Name", u"Caf\u00e9 \u8868"))) {
        return 0;
    }
    for (const auto mode : {quenvar::ScriptMode::Registration, quenvar::ScriptMode::Removal}) {
        quenvar::RegistryScriptParser parser(variables);
        (void)quenvar::ProcessScript(parser, script.c_str(), mode);
    }
    return 0;
}
