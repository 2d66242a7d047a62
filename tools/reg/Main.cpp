// reg export [KEY]: prints KEY and everything below it (every root when no KEY is given) in the
// registry editor's export format. Exit code 0, 1 when the registry cannot be read or the key
// does not exist, 2 for a wrong command line.
#include "tools/reg/ExportWriter.h"
#include "tools/reg/KeyPath.h"
#include "tools/support/Utf8Text.h"

#include <clocale>
#include <cstdio>
#include <string>

namespace {

using namespace quenvar::reg;
using quenvar::UniqueKey;
namespace tools = quenvar::tools;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Fail(const std::string& message)
{
    std::fprintf(stderr, "reg: %s\n", message.c_str());
    return kExitFailure;
}

std::string Describe(LONG result)
{
    switch (result) {
    case ERROR_FILE_NOT_FOUND: return "no such key";
    case ERROR_BADKEY: return "not a key path (a root such as HKEY_CLASSES_ROOT or HKCR, then names separated by \\)";
    case ERROR_BADDB: return "the registry file is damaged or not a registry";
    case ERROR_CANTOPEN: return "the registry file cannot be opened";
    default: return "registry error " + std::to_string(result);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3 || std::string(argv[1]) != "export") {
        std::fprintf(stderr, "usage: reg export [KEY]\n");
        return kExitUsage;
    }
    // Case folding of names beyond ASCII; the output is UTF-8 whatever the locale.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    std::string text = kExportHeader;
    if (argc == 3) {
        UniqueKey key;
        std::u16string path;
        LONG result = OpenKeyPath(argv[2], key, path);
        if (result == ERROR_SUCCESS) result = ExportKey(key.get(), path, text);
        if (result != ERROR_SUCCESS) return Fail(std::string(argv[2]) + ": " + Describe(result));
    } else {
        for (std::size_t i = 0; i < kRootNames.size(); ++i) {
            const LONG result = ExportKey(RootKey(i), tools::WideFromUtf8(kRootNames[i].name), text);
            if (result != ERROR_SUCCESS) return Fail(std::string(kRootNames[i].name) + ": " + Describe(result));
        }
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : Fail("cannot write the output");
}
