// regsvr [-u] [-s] LIBRARY: calls a library's DllRegisterServer or DllUnregisterServer.
#include "platform/Win32.h"
#include "tools/regsvr/Registration.h"
#include "tools/regsvr/RegsvrOptions.h"
#include "tools/support/StatusText.h"

#include <iostream>

namespace {

constexpr int kInvalidArguments = 1;
constexpr int kInitializationFailed = 2;

}  // namespace

int main(int argc, char** argv)
{
    using namespace quenvar::tools;
    RegsvrOptions options;
    std::string error;
    if (!ParseRegsvrOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::cerr << "regsvr: " << error << "\nTry 'regsvr --help'.\n";
        return kInvalidArguments;
    }
    if (options.help) {
        std::cout << kRegsvrUsage;
        return 0;
    }
    const HRESULT initialized = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(initialized)) {
        if (!options.silent)
            std::cerr << "regsvr: cannot initialise COM: " << DescribeStatus(static_cast<DWORD>(initialized)) << "\n";
        return kInitializationFailed;
    }
    const RegistrationResult result = RunRegistration(options.library, options.unregister);
    CoUninitialize();
    if (!options.silent) {
        if (result.outcome == RegistrationOutcome::Succeeded) std::cout << result.message << ".\n";
        else std::cerr << "regsvr: " << result.message << "\n";
    }
    return static_cast<int>(result.outcome);
}
