// Damaged and hostile type libraries: every truncation, seeded random corruption and a set of
// crafted inconsistencies are refused, or, when they still read, answer every call without
// reading outside the file (the sanitizer build runs these).
#include "TypeLibTestSupport.h"

#include "platform/test_support/RegistryTesting.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>
#include <sys/stat.h>

namespace typelibtest {
namespace {

DWORD U32(const std::vector<BYTE>& bytes, std::size_t offset)
{
    DWORD value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}
void Put32(std::vector<BYTE>& bytes, std::size_t offset, DWORD value) { std::memcpy(bytes.data() + offset, &value, 4); }
DWORD Segment(const std::vector<BYTE>& bytes, int segment) { return U32(bytes, 0x5C + 16 * segment); }

void WalkTypeInfo(ITypeInfo* info, int depth);

void WalkReference(ITypeInfo* info, HREFTYPE reference, int depth)
{
    Owned<ITypeInfo> target;
    if (depth < 1 && SUCCEEDED(info->GetRefTypeInfo(reference, target.put()))) WalkTypeInfo(target.get(), depth + 1);
}

void WalkType(ITypeInfo* info, const TYPEDESC& type, int depth)
{
    if (type.vt == VT_PTR || type.vt == VT_SAFEARRAY) WalkType(info, *type.lptdesc, depth);
    if (type.vt == VT_CARRAY) WalkType(info, type.lpadesc->tdescElem, depth);
    if (type.vt == VT_USERDEFINED) WalkReference(info, type.hreftype, depth);
}

void WalkMember(ITypeInfo* info, MEMBERID memid)
{
    BSTR names[4] = {};
    UINT count = 0;
    if (SUCCEEDED(info->GetNames(memid, names, 4, &count))) {
        for (UINT i = 0; i < count; ++i) {
            MEMBERID ids[2] = {};
            LPOLESTR lookup[] = {names[0] != nullptr ? names[0] : const_cast<LPOLESTR>(u""),
                                 names[i] != nullptr ? names[i] : const_cast<LPOLESTR>(u"")};
            static_cast<void>(info->GetIDsOfNames(lookup, 2, ids));
        }
        for (UINT i = 0; i < count; ++i) SysFreeString(names[i]);
    }
    BSTR name = nullptr, doc = nullptr, helpFile = nullptr;
    if (SUCCEEDED(info->GetDocumentation(memid, &name, &doc, nullptr, &helpFile))) {
        SysFreeString(name);
        SysFreeString(doc);
        SysFreeString(helpFile);
    }
}

// Asks a type information everything the reader answers.
void WalkTypeInfo(ITypeInfo* info, int depth)
{
    TypeAttr attr;
    if (FAILED(info->GetTypeAttr(attr.put(info)))) return;
    if (attr->typekind == TKIND_ALIAS) WalkType(info, attr->tdescAlias, depth);
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FuncDesc function;
        if (FAILED(info->GetFuncDesc(i, function.put(info)))) continue;
        WalkType(info, function->elemdescFunc.tdesc, depth);
        for (SHORT p = 0; p < function->cParams; ++p) WalkType(info, function->lprgelemdescParam[p].tdesc, depth);
        WalkMember(info, function->memid);
    }
    for (UINT i = 0; i < attr->cVars; ++i) {
        VarDesc variable;
        if (FAILED(info->GetVarDesc(i, variable.put(info)))) continue;
        WalkType(info, variable->elemdescVar.tdesc, depth);
        WalkMember(info, variable->memid);
    }
    for (UINT i = 0; i <= attr->cImplTypes; ++i) {
        const UINT index = i == attr->cImplTypes ? static_cast<UINT>(-1) : i;
        HREFTYPE reference = 0;
        INT flags = 0;
        static_cast<void>(info->GetImplTypeFlags(index, &flags));
        if (SUCCEEDED(info->GetRefTypeOfImplType(index, &reference))) WalkReference(info, reference, depth);
    }
    MEMBERID id = 0;
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(u"NoSuchName")};
    static_cast<void>(info->GetIDsOfNames(unknown, 1, &id));
    WalkMember(info, MEMBERID_NIL);
}

void WalkLibrary(ITypeLib* library)
{
    TLIBATTR* attributes = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&attributes))) library->ReleaseTLibAttr(attributes);
    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
        TYPEKIND kind = TKIND_MAX;
        static_cast<void>(library->GetTypeInfoType(i, &kind));
        Owned<ITypeInfo> info;
        if (SUCCEEDED(library->GetTypeInfo(i, info.put()))) WalkTypeInfo(info.get(), 0);
    }
}

class Robustness : public ::testing::Test {
protected:
    // Loads bytes written beside a copy of the library that Reader imports.
    HRESULT LoadBytes(const std::vector<BYTE>& bytes, Owned<ITypeLib>& library)
    {
        WriteBytes(directory_.path() / "damaged.tlb", bytes);
        return Load(directory_.path() / "damaged.tlb", library);
    }

    void SetUp() override { WriteBytes(directory_.path() / "outside.tlb", ReadBytes(kOutsideLibrary)); }

    quenvar::testing::ScopedPrivateRegistry registry_;
    TempDirectory directory_;
};

TEST_F(Robustness, EveryTruncationIsRefused)
{
    const auto damaged = directory_.path() / "damaged.tlb";
    for (const auto& path : {kComponentLibrary, kReaderLibrary}) {
        const std::vector<BYTE> whole = ReadBytes(path);
        WriteBytes(damaged, whole);
        for (std::size_t length = whole.size(); length-- > 0;) {
            std::filesystem::resize_file(damaged, length);
            Owned<ITypeLib> library;
            ASSERT_EQ(Load(damaged, library), length < 4 ? TYPE_E_CANTLOADLIBRARY : TYPE_E_INVDATAREAD)
                << path << " cut at " << length;
        }
    }
}

TEST_F(Robustness, RandomCorruptionsNeverReadOutside)
{
    std::mt19937 random(20240611);
    const std::vector<BYTE> originals[] = {ReadBytes(kComponentLibrary), ReadBytes(kReaderLibrary)};
    const DWORD interesting[] = {0, 1, 2, 3, 0x64, 0xFFFFFFFF, 0xFFFFFFFE, 0x7FFFFFFF, 0x80000000, 0xFFFF, 0x10000};
    const std::filesystem::path damaged[] = {directory_.path() / "quenvar.tlb", directory_.path() / "reader.tlb"};
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::vector<BYTE>& original = originals[round % 2];
        if (round < 2) WriteBytes(damaged[round], original);
        std::fstream file(damaged[round % 2], std::ios::in | std::ios::out | std::ios::binary);
        std::vector<std::size_t> changed;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int c = 0; c < changes; ++c) {
            std::vector<BYTE> value(1, static_cast<BYTE>(random()));
            std::size_t at = random() % (original.size() - 4);
            if (random() % 2 == 0) {
                at &= ~std::size_t{3};
                value.resize(4);
                const DWORD chosen = interesting[random() % std::size(interesting)];
                std::memcpy(value.data(), &chosen, 4);
            }
            file.seekp(static_cast<std::streamoff>(at));
            file.write(reinterpret_cast<const char*>(value.data()), static_cast<std::streamsize>(value.size()));
            changed.push_back(at);
        }
        file.flush();
        Owned<ITypeLib> library;
        if (SUCCEEDED(Load(damaged[round % 2], library))) {
            ++loaded;
            WalkLibrary(library.get());
        }
        library.reset();
        // Restores the bytes changed, so the next round starts from the whole library.
        for (std::size_t at : changed) {
            file.seekp(static_cast<std::streamoff>(at));
            file.write(reinterpret_cast<const char*>(original.data() + at), 4);
        }
    }
    // Many corruptions hit bytes nothing checks (padding, hash chains, help strings).
    EXPECT_GT(loaded, 0);
    EXPECT_LT(loaded, 3000);
    RecordProperty("loaded", loaded);
}

TEST_F(Robustness, CraftedInconsistencies)
{
    const std::vector<BYTE> original = ReadBytes(kComponentLibrary);
    const DWORD typeInfos = Segment(original, 0);
    const DWORD typeDescs = Segment(original, 9);
    const DWORD impInfo = Segment(original, 1);
    const DWORD block = U32(original, typeInfos + 0x64 + 0x04);
    struct Row {
        const char* what;
        std::size_t offset;
        DWORD value;
        HRESULT result;
    };
    const Row rows[] = {
        {"format version", 0x04, 0x00010001, TYPE_E_UNSUPFORMAT},
        {"target system", 0x14, 0x42, TYPE_E_UNSUPFORMAT},
        {"type description count", 0x20, 0x7FFFFFFF, TYPE_E_INVDATAREAD},
        {"negative type description count", 0x20, 0xFFFFFFF0, TYPE_E_INVDATAREAD},
        {"type description offset out of its segment", 0x58, 0x1000, TYPE_E_INVDATAREAD},
        {"misaligned type description offset", 0x58, 0x65, TYPE_E_INVDATAREAD},
        {"segment past the end", 0x5C + 16 * 7, 0x7FFFFF00, TYPE_E_INVDATAREAD},
        {"segment length past the end", 0x5C + 16 * 8 + 4, 0x10000, TYPE_E_INVDATAREAD},
        {"library name outside the names", 0x38, 0x5000, TYPE_E_INVDATAREAD},
        {"unknown dispatch reference", 0x4C, 0x0D, TYPE_E_INVDATAREAD},
        {"pointer to itself", typeDescs + 4, 0, TYPE_E_INVDATAREAD},
        {"inline pointer", typeDescs + 4, 0x801A001A, TYPE_E_INVDATAREAD},
        {"unknown descriptor kind", typeDescs, 0x4008001B + 2, TYPE_E_INVDATAREAD},
        {"import without its GUID", impInfo + 8, 0xFFFFFFFF, TYPE_E_INVDATAREAD},
        {"type kind out of range", typeInfos + 0x64, 0x2239, TYPE_E_INVDATAREAD},
        {"base that does not exist", typeInfos + 0x64 + 0x54, 0x12C, TYPE_E_INVDATAREAD},
        {"member block outside the file", typeInfos + 0x64 + 0x04, 0x7FFF0000, TYPE_E_INVDATAREAD},
        {"member block longer than the file", block, 0x1000, TYPE_E_INVDATAREAD},
        {"record offset outside the block", block + 4 + 296 + 56, 0x200, TYPE_E_INVDATAREAD},
        {"parameter count beyond the record", block + 4 + 20, 0x00000009, TYPE_E_INVDATAREAD},
        {"invoke kind unknown", block + 4 + 16, 0x4431, TYPE_E_INVDATAREAD},
        {"calling convention unknown", block + 4 + 16, 0x4F11, TYPE_E_INVDATAREAD},
        {"help string outside the strings", block + 4 + 28, 0x4000, TYPE_E_INVDATAREAD},
        {"coclass reference chain cut", Segment(original, 3) + 0, 0x68, TYPE_E_INVDATAREAD},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<BYTE> bytes = original;
        Put32(bytes, row.offset, row.value);
        Owned<ITypeLib> library;
        EXPECT_EQ(LoadBytes(bytes, library), row.result);
        EXPECT_EQ(library.get(), nullptr);
    }
}

TEST_F(Robustness, LoopingReferenceChainIsBounded)
{
    // The coclass's one reference record names itself as the next: a few turns read, but a count
    // that would make the model far larger than the file is refused.
    std::vector<BYTE> bytes = ReadBytes(kComponentLibrary);
    Put32(bytes, Segment(bytes, 3) + 12, 0);
    const std::size_t implementedCount = Segment(bytes, 0) + 0x4C;
    Owned<ITypeLib> library;
    bytes[implementedCount] = 3;
    ASSERT_EQ(LoadBytes(bytes, library), S_OK);
    Owned<ITypeInfo> coclass;
    ASSERT_EQ(library.get()->GetTypeInfo(0, coclass.put()), S_OK);
    HREFTYPE third = 0;
    EXPECT_EQ(coclass.get()->GetRefTypeOfImplType(2, &third), S_OK);
    EXPECT_EQ(third, 0x64u);
    bytes[implementedCount] = 0xFF;
    bytes[implementedCount + 1] = 0xFF;
    EXPECT_EQ(LoadBytes(bytes, library), TYPE_E_INVDATAREAD);
}

TEST_F(Robustness, InterfaceThatDerivesFromItself)
{
    // A base reference to itself reads (the handle exists) but every walk up the bases stops.
    std::vector<BYTE> bytes = ReadBytes(kComponentLibrary);
    Put32(bytes, Segment(bytes, 0) + 0x64 + 0x54, 0x64);
    Owned<ITypeLib> library;
    ASSERT_EQ(LoadBytes(bytes, library), S_OK);
    Owned<ITypeInfo> dispatch, table;
    ASSERT_EQ(TypeInfoOfGuid(library.get(), kPalvexInterfaceId, dispatch), S_OK);
    TypeAttr attr;
    EXPECT_EQ(dispatch.get()->GetTypeAttr(attr.put(dispatch.get())), TYPE_E_INVDATAREAD);
    MEMBERID id = 0;
    LPOLESTR known[] = {const_cast<LPOLESTR>(u"QueryServer")};
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(u"Elsewhere")};
    EXPECT_EQ(dispatch.get()->GetIDsOfNames(known, 1, &id), S_OK);
    EXPECT_EQ(dispatch.get()->GetIDsOfNames(unknown, 1, &id), TYPE_E_INVDATAREAD);
    EXPECT_EQ(Names(dispatch.get(), 1234), std::vector<std::string>{"failed: " + std::to_string(TYPE_E_INVDATAREAD)});
    ASSERT_EQ(InterfaceView(dispatch.get(), table), S_OK);
    WalkTypeInfo(table.get(), 0);
}

TEST_F(Robustness, LibraryImportingItselfEndsItsCycles)
{
    // The dual's base comes from a library that the import names by this very file, and it is the
    // dual itself: the import resolves to the same library object through the loaded-library
    // cache, and gathering the dual's table of functions leads back to that table.
    std::vector<BYTE> bytes = ReadBytes(kComponentLibrary);
    const DWORD importFile = Segment(bytes, 2);
    const DWORD imports = Segment(bytes, 1);
    const DWORD dual = Segment(bytes, 0) + 0x64;
    ASSERT_EQ(U32(bytes, dual + 0x54), 1u) << "the dual's base is the first import";
    Put32(bytes, importFile, U32(bytes, 0x08));
    const char name[] = "damaged.tlb";
    ASSERT_EQ(bytes[importFile + 12] >> 2, sizeof name - 1) << "the import's file name has the same length";
    std::memcpy(bytes.data() + importFile + 14, name, sizeof name - 1);
    Put32(bytes, imports, U32(bytes, imports) | 0x10000);
    Put32(bytes, imports + 8, U32(bytes, dual + 0x2C));

    Owned<ITypeLib> library;
    ASSERT_EQ(LoadBytes(bytes, library), S_OK);
    Owned<ITypeInfo> dispatch;
    ASSERT_EQ(TypeInfoOfGuid(library.get(), kPalvexInterfaceId, dispatch), S_OK);
    TypeAttr attr;
    EXPECT_EQ(dispatch.get()->GetTypeAttr(attr.put(dispatch.get())), TYPE_E_INVDATAREAD);
    dispatch.reset();
    WalkLibrary(library.get());
    // Only the cache holds the library now: it does not keep itself alive as its own import.
    EXPECT_EQ(library.release()->Release(), 1u);
}

TEST_F(Robustness, PipeIsRefusedWithoutWaiting)
{
    // Nobody writes to the pipe: opening it to read would wait for a writer.
    const auto pipe = directory_.path() / "pipe.tlb";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    Owned<ITypeLib> library;
    EXPECT_EQ(Load(pipe, library), TYPE_E_CANTLOADLIBRARY);
}

}  // namespace
}  // namespace typelibtest
