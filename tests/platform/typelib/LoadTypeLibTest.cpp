// LoadTypeLib's arguments, paths and failures, and type information shared between threads.
#include "TypeLibTestSupport.h"

#include "platform/test_support/FaultInjection.h"

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

TEST(LoadTypeLib, PathNamesItsUtf8FileWhateverTheAnsiCodePage)
{
    // UTF-16 paths reach the file system as UTF-8, so "\u00E9" names the bytes C3 A9 in code page
    // 1252 and in 932 alike; a lone surrogate names no file.
    TempDirectory directory;
    const std::u16string folder = Wide(directory.path().string()) + u"/";
    WriteBytes(directory.path() / "\xC3\xA9t\xC3\xA9.tlb", ReadBytes(kComponentLibrary));
    WriteBytes(directory.path() / "\xE6\x97\xA5.tlb", ReadBytes(kComponentLibrary));
    Owned<ITypeLib> library;
    EXPECT_EQ(LoadTypeLib((folder + u"\u00E9t\u00E9.tlb").c_str(), library.put()), S_OK);
    EXPECT_EQ(LoadTypeLib((folder + u"\u65E5.tlb").c_str(), library.put()), S_OK);
    EXPECT_EQ(LoadTypeLib((folder + u"\xD800.tlb").c_str(), library.put()), TYPE_E_CANTLOADLIBRARY);
    const quenvar::testing::ScopedAnsiCodePage japanese(932);
    EXPECT_EQ(LoadTypeLib((folder + u"\u00E9t\u00E9.tlb").c_str(), library.put()), S_OK);
    EXPECT_EQ(LoadTypeLib((folder + u"\u65E5.tlb").c_str(), library.put()), S_OK);
}

TEST(LoadTypeLib, TypeLibraryResourcesOfModules)
{
    const std::u16string module = Wide(QUENVAR_TYPELIB_MODULE);
    const GUID readerLibrary = {0x8B0E6A10, 0x3F2C, 0x4D51, {0xA7, 0xE4, 0x1C, 0x9D, 0x2B, 0x3A, 0x4F, 0x50}};
    struct Row {
        std::u16string path;
        HRESULT result;
        GUID libid;
    };
    const Row rows[] = {
        {module, S_OK, kComponentLibraryId},
        {module + u"\\1", S_OK, kComponentLibraryId},
        {module + u"\\2", S_OK, readerLibrary},
        {module + u"\\3", TYPE_E_CANTLOADLIBRARY, {}},
        {module + u"\\x", TYPE_E_CANTLOADLIBRARY, {}},
        {module + u"\\", TYPE_E_CANTLOADLIBRARY, {}},
        {module + u"\\123456", TYPE_E_CANTLOADLIBRARY, {}},
        {Wide(QUENVAR_BARE_MODULE), TYPE_E_CANTLOADLIBRARY, {}},
        {Wide(QUENVAR_BARE_MODULE) + u"\\1", TYPE_E_CANTLOADLIBRARY, {}},
        {u"/no/such/module.so\\1", TYPE_E_CANTLOADLIBRARY, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.path.begin(), row.path.end()));
        Owned<ITypeLib> library;
        ASSERT_EQ(LoadTypeLib(row.path.c_str(), library.put()), row.result);
        if (FAILED(row.result)) continue;
        TLIBATTR* attributes = nullptr;
        ASSERT_EQ(library.get()->GetLibAttr(&attributes), S_OK);
        EXPECT_TRUE(attributes->guid == row.libid);
        library.get()->ReleaseTLibAttr(attributes);
    }
}

TEST(LoadTypeLib, ModuleLoadFailureIsAnswered)
{
    // A copy that no test has loaded yet: a library loaded before is not read again.
    const TempDirectory folder;
    const auto module = folder.path() / "copy.so";
    std::filesystem::copy_file(QUENVAR_TYPELIB_MODULE, module);
    const quenvar::testing::ScopedFault fault("LoadLibraryExW", 1, ERROR_NOT_ENOUGH_MEMORY);
    Owned<ITypeLib> library;
    EXPECT_EQ(LoadTypeLib(Wide(module.string()).c_str(), library.put()), TYPE_E_CANTLOADLIBRARY);
}

TEST(LoadTypeLib, FileChangedSinceItWasLoadedIsReadAgain)
{
    const TempDirectory folder;
    const auto path = folder.path() / "changing.tlb";
    WriteBytes(path, ReadBytes(kComponentLibrary));
    Owned<ITypeLib> first, again, changed;
    ASSERT_EQ(Load(path, first), S_OK);
    ASSERT_EQ(Load(path, again), S_OK);
    WriteBytes(path, ReadBytes(kReaderLibrary));
    ASSERT_EQ(Load(path, changed), S_OK);
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(changed.get()->GetLibAttr(&attributes), S_OK);
    EXPECT_FALSE(attributes->guid == kComponentLibraryId);
    changed.get()->ReleaseTLibAttr(attributes);
}

TEST(LoadTypeLib, ModuleChangedSinceItsResourceWasLoadedIsReadAgain)
{
    const TempDirectory folder;
    const auto module = folder.path() / "changing.so";
    std::filesystem::copy_file(QUENVAR_TYPELIB_MODULE, module);
    const std::u16string second = Wide(module.string()) + u"\\2";
    Owned<ITypeLib> first, again, changed;
    ASSERT_EQ(LoadTypeLib(second.c_str(), first.put()), S_OK);
    ASSERT_EQ(LoadTypeLib(second.c_str(), again.put()), S_OK);
    EXPECT_EQ(again.get(), first.get());  // kept while the module stays the same
    WriteBytes(module, ReadBytes(QUENVAR_BARE_MODULE));
    EXPECT_EQ(LoadTypeLib(second.c_str(), changed.put()), TYPE_E_CANTLOADLIBRARY);
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
