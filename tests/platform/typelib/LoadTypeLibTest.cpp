// LoadTypeLib's arguments, paths and failures, and type information shared between threads.
#include "TypeLibTestSupport.h"

#include "platform/testing/FaultInjection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace typelibtest {
namespace {

TEST(LoadTypeLib, RefusesNullArguments)
{
    Owned<ITypeLib> library;
    EXPECT_EQ(LoadTypeLib(nullptr, library.put()), E_INVALIDARG);
    EXPECT_EQ(LoadTypeLib(u"/nowhere.tlb", nullptr), E_INVALIDARG);
}

TEST(LoadTypeLib, FilesThatAreNoTypeLibrary)
{
    TempDirectory directory;
    WriteBytes(directory.path() / "text.tlb", {'h', 'e', 'l', 'l', 'o'});
    WriteBytes(directory.path() / "empty.tlb", {});
    const std::filesystem::path cases[] = {directory.path() / "missing.tlb", directory.path() / "text.tlb",
                                           directory.path() / "empty.tlb", directory.path(),
                                           directory.path() / "missing" / "x.tlb"};
    for (const auto& path : cases) {
        SCOPED_TRACE(path.string());
        Owned<ITypeLib> library;
        EXPECT_EQ(Load(path, library), TYPE_E_CANTLOADLIBRARY);
        EXPECT_EQ(library.get(), nullptr);
    }
}

TEST(LoadTypeLib, PathIsUtf16)
{
    TempDirectory directory;
    const std::u16string name = u"\u00E9t\u00E9 \u65E5\u672C.tlb";
    std::filesystem::path onDisk = directory.path() / std::filesystem::path(u8"\u00E9t\u00E9 \u65E5\u672C.tlb");
    WriteBytes(onDisk, ReadBytes(kComponentLibrary));
    const std::u16string path = Wide(directory.path().string()) + u"/" + name;
    Owned<ITypeLib> library;
    ASSERT_EQ(LoadTypeLib(path.c_str(), library.put()), S_OK);
    EXPECT_EQ(library.get()->GetTypeInfoCount(), 2u);

    // An unpaired surrogate names no file.
    const std::u16string broken = Wide(directory.path().string()) + u"/\xD800.tlb";
    EXPECT_EQ(LoadTypeLib(broken.c_str(), library.put()), TYPE_E_CANTLOADLIBRARY);
}

TEST(LoadTypeLib, InjectedFailureIsAnswered)
{
    const quenvar::testing::ScopedFault fault("LoadTypeLib", 1, static_cast<DWORD>(TYPE_E_CANTLOADLIBRARY));
    Owned<ITypeLib> library;
    EXPECT_EQ(Load(kComponentLibrary, library), TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(library.get(), nullptr);
    EXPECT_EQ(Load(kComponentLibrary, library), S_OK);
}

TEST(LoadTypeLib, InjectedGetTypeInfoOfGuidFailure)
{
    Owned<ITypeLib> library;
    ASSERT_EQ(Load(kComponentLibrary, library), S_OK);
    const quenvar::testing::ScopedFault fault("ITypeLib::GetTypeInfoOfGuid", 1, static_cast<DWORD>(E_OUTOFMEMORY));
    Owned<ITypeInfo> info;
    EXPECT_EQ(TypeInfoOfGuid(library.get(), kPalvexInterfaceId, info), E_OUTOFMEMORY);
    EXPECT_EQ(info.get(), nullptr);
    EXPECT_EQ(TypeInfoOfGuid(library.get(), kPalvexInterfaceId, info), S_OK);
}

TEST(LoadTypeLib, OneTypeInformationServesManyThreads)
{
    // The dispatch view gathers its functions on first use; every thread must see them whole.
    Owned<ITypeLib> library;
    Owned<ITypeInfo> info;
    ASSERT_EQ(Load(kComponentLibrary, library), S_OK);
    ASSERT_EQ(TypeInfoOfGuid(library.get(), kPalvexInterfaceId, info), S_OK);
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < 50; ++round) {
                FUNCDESC* function = nullptr;
                if (FAILED(info.get()->GetFuncDesc(13, &function)) || function->memid != 7) ++failures;
                if (function != nullptr) info.get()->ReleaseFuncDesc(function);
                MEMBERID memid = 0;
                LPOLESTR name = const_cast<LPOLESTR>(u"ErrorInfo");
                if (info.get()->GetIDsOfNames(&name, 1, &memid) != S_OK || memid != 7) ++failures;
                Owned<ITypeInfo> copy;
                if (TypeInfoOfGuid(library.get(), kPalvexInterfaceId, copy) != S_OK) ++failures;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace typelibtest
