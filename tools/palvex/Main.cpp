// palvex [options] HOST...: asks web servers about themselves through the Palvex component.
#include "platform/Win32.h"
#include "tools/palvex/ComponentCheck.h"
#include "tools/palvex/ComponentVersion.h"
#include "tools/palvex/DescriptorLimit.h"
#include "tools/palvex/HostList.h"
#include "tools/palvex/PalvexClass.h"
#include "tools/palvex/PalvexOptions.h"
#include "tools/palvex/ProgressLine.h"
#include "tools/palvex/QueryRunner.h"
#include "tools/palvex/ResultFormat.h"
#include "tools/palvex/Timeouts.h"
#include "tools/support/StatusText.h"

#include <algorithm>
#include <iostream>
#include <utility>

namespace {

using namespace quenvar::tools;

constexpr int kAllSucceeded = 0;
constexpr int kSomeFailed = 1;
constexpr int kUsageError = 2;

int UsageError(const std::string& message)
{
    std::cerr << "palvex: " << message << "\nTry 'palvex --help'.\n";
    return kUsageError;
}

// Holds the main thread's COM initialisation for the run.
class ComInitialization {
public:
    ComInitialization() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComInitialization()
    {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComInitialization(const ComInitialization&) = delete;
    ComInitialization& operator=(const ComInitialization&) = delete;
    HRESULT Result() const { return result_; }

private:
    HRESULT result_;
};

// The Palvex class, once COM is initialised and the component found; a message otherwise.
bool FindComponent(const ComInitialization& com, CLSID& clsid)
{
    if (FAILED(com.Result())) {
        std::cerr << "palvex: cannot initialise COM: " << DescribeStatus(static_cast<DWORD>(com.Result())) << "\n";
        return false;
    }
    std::string error;
    if (FindPalvexClass(clsid, error)) return true;
    std::cerr << "palvex: " << error << "\n";
    return false;
}

int PrintVersion()
{
    std::cout << "palvex " << QUENVAR_VERSION << "\n" << std::flush;
    const ComInitialization com;
    CLSID clsid{};
    if (!FindComponent(com, clsid)) return kUsageError;
    ComponentVersion component;
    std::string error;
    if (!ReadComponentVersion(clsid, component, error)) {
        std::cerr << "palvex: " << error << "\n";
        return kUsageError;
    }
    std::cout << "Palvex component " << component.version << " (" << component.path << ")\n";
    return kAllSucceeded;
}

int Run(const PalvexOptions& options, const HostList& hosts)
{
    const ComInitialization com;
    CLSID clsid{};
    if (!FindComponent(com, clsid)) return kUsageError;
    PalvexClass palvex;
    std::string error;
    if (!palvex.Load(clsid, error)) {
        std::cerr << "palvex: " << error << "\n";
        return kUsageError;
    }

    ProgressLine progress(hosts.size());
    const auto makeQuery = [&options, &palvex] {
        PalvexMaker make = [&palvex](REFIID iid, void** object) { return palvex.Create(iid, object); };
        return options.earlyBound ? MakeEarlyBoundQuery(std::move(make)) : MakeLateBoundQuery(std::move(make));
    };
    bool allSucceeded = true;
    ResultTable table;
    const bool streamed = options.json || options.csv;
    if (options.csv) std::cout << kCsvHeader << std::flush;
    const ResultSink takeResult = [&](const QueryResult& result) {
        allSucceeded = allSucceeded && result.ok;
        if (!streamed) return table.Add(result);
        progress.Clear();
        std::cout << (options.json ? FormatJsonLine(result) : FormatCsvLine(result)) << std::flush;
    };
    RunQueries(hosts, options.jobs, makeQuery, takeResult,
               [&progress](std::size_t finished) { progress.Update(finished); });
    progress.Clear();
    if (!streamed) table.Print(std::cout);
    std::cout << std::flush;
    return allSucceeded ? kAllSucceeded : kSomeFailed;
}

}  // namespace

int main(int argc, char** argv)
{
    PalvexOptions options;
    std::string error;
    if (!ParsePalvexOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) return UsageError(error);
    if (options.help) {
        std::cout << kPalvexUsage;
        return kAllSucceeded;
    }
    if (options.version) return PrintVersion();
    HostList hosts;
    for (const std::string& host : options.hosts) hosts.Append(host);
    if (options.hostFile && !ReadHostFile(*options.hostFile, hosts, error)) return UsageError(error);
    if (hosts.empty()) return UsageError("no hosts given");
    if (!SetQueryTimeouts(options.timeoutMs.value_or(kDefaultTimeoutMs), error)) {
        std::cerr << "palvex: " << error << "\n";
        return kUsageError;
    }
    std::string warning;
    options.jobs =
        JobsTheDescriptorsAllow(static_cast<unsigned>(std::min<std::size_t>(options.jobs, hosts.size())), warning);
    if (!warning.empty()) std::cerr << "palvex: " << warning << "\n";
    return Run(options, hosts);
}
