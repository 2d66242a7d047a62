// The component measured as a host uses it (CoCreateInstance by ProgID, LoadLibraryA for the
// entry points), each figure next to the baseline that bench/run.sh divides it by. Needs
// QUENVAR_BENCH_PORT (a web server on 127.0.0.1), QUENVAR_BENCH_LIBRARY (Quenvar.so) and a
// registry where the component is registered.
#include "bench/RawExchange.h"
#include "component/IPalvex.h"
#include "platform/EntryPoints.h"
#include "platform/UniqueInterface.h"
#include "platform/Win32.h"
#include "tools/palvex/HostQuery.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace quenvar::bench {
namespace {

int Port() { return std::atoi(std::getenv("QUENVAR_BENCH_PORT")); }
std::string Host() { return "127.0.0.1:" + std::to_string(Port()); }

CLSID PalvexClass()
{
    CLSID clsid{};
    CLSIDFromProgID(u"Palvex.Palvex", &clsid);
    return clsid;
}

// A Palvex through IPalvex whose ServerURL names the bench server.
UniqueInterface<IPalvex> MakePalvex(benchmark::State& state)
{
    UniqueInterface<IPalvex> palvex;
    if (FAILED(CoCreateInstance(PalvexClass(), nullptr, CLSCTX_INPROC_SERVER, IID_IPalvex, PutVoid(palvex)))) {
        state.SkipWithError("CoCreateInstance failed");
        return palvex;
    }
    const std::u16string host(Host().begin(), Host().end());
    const UniqueBstr serverURL(SysAllocString(host.c_str()));
    palvex.get()->put_ServerURL(serverURL.get());
    return palvex;
}

void RawSocketExchange(benchmark::State& state)
{
    const int port = Port();
    const std::string request = RequestBytes(port);
    for (auto _ : state) {
        if (!RawExchange(port, request)) state.SkipWithError("raw exchange failed");
    }
}
BENCHMARK(RawSocketExchange);

void EarlyBoundQueryServer(benchmark::State& state)
{
    const UniqueInterface<IPalvex> palvex = MakePalvex(state);
    if (!palvex) return;
    for (auto _ : state) {
        if (FAILED(palvex.get()->QueryServer())) state.SkipWithError("QueryServer failed");
    }
}
BENCHMARK(EarlyBoundQueryServer);

// palvex's sequence for one host as a script makes it: activation by class id (no class object
// and no idle object kept, so that each object's own cost shows), put ServerURL, QueryServer,
// four gets, release.
tools::PalvexMaker Activation()
{
    return [clsid = PalvexClass()](REFIID iid, void** object) {
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object);
    };
}

void RunSequence(benchmark::State& state, std::unique_ptr<tools::HostQuery> query)
{
    const std::string host = Host();
    for (auto _ : state) {
        tools::QueryResult result;
        query->Run(host, result);
        if (!result.ok) state.SkipWithError(result.error.c_str());
    }
}
void LateBoundSequence(benchmark::State& state) { RunSequence(state, tools::MakeLateBoundQuery(Activation())); }
void EarlyBoundSequence(benchmark::State& state) { RunSequence(state, tools::MakeEarlyBoundQuery(Activation())); }
BENCHMARK(LateBoundSequence);
BENCHMARK(EarlyBoundSequence);

void InvokePropertyGet(benchmark::State& state)
{
    const UniqueInterface<IPalvex> palvex = MakePalvex(state);
    if (!palvex || FAILED(palvex.get()->QueryServer())) return state.SkipWithError("QueryServer failed");
    DISPPARAMS noArguments{nullptr, nullptr, 0, 0};
    for (auto _ : state) {
        VARIANT value;
        VariantInit(&value);
        const HRESULT hr = palvex.get()->Invoke(kDispIdServerSoftware, IID_NULL, LOCALE_USER_DEFAULT,
                                                DISPATCH_PROPERTYGET, &noArguments, &value, nullptr, nullptr);
        if (FAILED(hr)) state.SkipWithError("Invoke failed");
        VariantClear(&value);
    }
}
BENCHMARK(InvokePropertyGet);

void VtablePropertyGet(benchmark::State& state)
{
    const UniqueInterface<IPalvex> palvex = MakePalvex(state);
    if (!palvex || FAILED(palvex.get()->QueryServer())) return state.SkipWithError("QueryServer failed");
    for (auto _ : state) {
        BSTR value = nullptr;
        if (FAILED(palvex.get()->get_ServerSoftware(&value))) state.SkipWithError("get failed");
        SysFreeString(value);
    }
}
BENCHMARK(VtablePropertyGet);

void FactoryCreateRelease(benchmark::State& state)
{
    UniqueInterface<IClassFactory> factory;
    if (FAILED(CoGetClassObject(PalvexClass(), CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, PutVoid(factory)))) {
        return state.SkipWithError("CoGetClassObject failed");
    }
    for (auto _ : state) {
        IPalvex* palvex = nullptr;
        if (FAILED(factory.get()->CreateInstance(nullptr, IID_IPalvex, reinterpret_cast<void**>(&palvex)))) {
            return state.SkipWithError("CreateInstance failed");
        }
        palvex->Release();
    }
}
BENCHMARK(FactoryCreateRelease);

// Laid out like the component's object: a table pointer, a reference word and six strings, the
// host among them set to its default on construction.
struct SixStrings {
    virtual ~SixStrings() = default;
    LONG reference = 0;
    UniqueBstr currentServerTime;
    UniqueBstr serverURL{SysAllocString(u"localhost")};
    UniqueBstr contentLocation;
    UniqueBstr serverSoftware;
    UniqueBstr httpVer;
    UniqueBstr errorInfo;
};

void NewDeleteSixStrings(benchmark::State& state)
{
    for (auto _ : state) {
        auto* object = new SixStrings;  // the baseline is exactly a naked new and delete
        benchmark::DoNotOptimize(object);
        delete object;
    }
}
BENCHMARK(NewDeleteSixStrings);

void RegisterUnregister(benchmark::State& state)
{
    using EntryPoint = LPFNREGISTRATION;
    const UniqueModule library(LoadLibraryA(std::getenv("QUENVAR_BENCH_LIBRARY")));
    if (!library) return state.SkipWithError("LoadLibraryA failed");
    const auto entry = [&](const char* name) { return ProcAs<EntryPoint>(GetProcAddress(library.get(), name)); };
    const EntryPoint registerServer = entry("DllRegisterServer");
    const EntryPoint unregisterServer = entry("DllUnregisterServer");
    if (!registerServer || !unregisterServer) return state.SkipWithError("entry point missing");
    for (auto _ : state) {
        if (FAILED(registerServer()) || FAILED(unregisterServer())) state.SkipWithError("registration failed");
    }
    // Leaves the component registered, as it found it.
    registerServer();
}
BENCHMARK(RegisterUnregister)->Unit(benchmark::kMillisecond);

}  // namespace

// For an instruction counter, which cannot tell the calibration runs apart: the per-query
// figures once more, each run exactly `iterations` times ("<name>/iterations:<n>").
void RegisterFixedRuns(int iterations)
{
    for (const auto& [name, function] :
         {std::pair{"RawSocketExchange", &RawSocketExchange},
          std::pair{"EarlyBoundQueryServer", &EarlyBoundQueryServer},
          std::pair{"LateBoundSequence", &LateBoundSequence}, std::pair{"EarlyBoundSequence", &EarlyBoundSequence},
          std::pair{"InvokePropertyGet", &InvokePropertyGet}}) {
        benchmark::RegisterBenchmark(name, function)->Iterations(iterations);
    }
}

}  // namespace quenvar::bench

int main(int argc, char** argv)
{
    if (std::getenv("QUENVAR_BENCH_PORT") == nullptr || std::getenv("QUENVAR_BENCH_LIBRARY") == nullptr) {
        std::fprintf(stderr, "component_bench: set QUENVAR_BENCH_PORT and QUENVAR_BENCH_LIBRARY (see bench/run.sh)\n");
        return 2;
    }
    if (const char* iterations = std::getenv("QUENVAR_BENCH_ITERATIONS")) {
        quenvar::bench::RegisterFixedRuns(std::atoi(iterations));
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    const HRESULT initialized = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(initialized)) return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    CoUninitialize();
    return 0;
}
