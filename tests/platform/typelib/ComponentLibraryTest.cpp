// The component's type library as the build makes it from resources/Quenvar.idl: the bytes the
// interface compiler writes, and what LoadTypeLib, ITypeLib and ITypeInfo answer from them.
#include "TypeLibTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace typelibtest {
namespace {

DWORD U32(const std::vector<BYTE>& bytes, std::size_t offset)
{
    DWORD value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

constexpr std::size_t kDirectory = 0x5C;
DWORD SegmentOffset(const std::vector<BYTE>& bytes, std::size_t segment)
{
    return U32(bytes, kDirectory + 16 * segment);
}
DWORD SegmentLength(const std::vector<BYTE>& bytes, std::size_t segment)
{
    return U32(bytes, kDirectory + 16 * segment + 4);
}

class ComponentLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(Load(kComponentLibrary, library_), S_OK);
        ASSERT_EQ(TypeInfoOfGuid(library_.get(), kPalvexInterfaceId, dispatch_), S_OK);
        ASSERT_EQ(InterfaceView(dispatch_.get(), interface_), S_OK);
    }

    Owned<ITypeLib> library_;
    Owned<ITypeInfo> dispatch_;
    Owned<ITypeInfo> interface_;
};

TEST(ComponentLibraryFile, HeaderAndDirectory)
{
    const std::vector<BYTE> bytes = ReadBytes(kComponentLibrary);
    ASSERT_GT(bytes.size(), 0x200u);
    EXPECT_EQ(std::memcmp(bytes.data(), "MSFT", 4), 0);
    EXPECT_EQ(U32(bytes, 0x04), 0x00010002u);
    EXPECT_EQ(U32(bytes, 0x0C), 0x0409u) << "the locale the names are hashed for";
    EXPECT_EQ(U32(bytes, 0x10), 0u) << "the locale reported to clients";
    EXPECT_EQ(U32(bytes, 0x14), 0x41u) << "SYS_WIN32, no help file, no help-string DLL";
    EXPECT_EQ(U32(bytes, 0x1C), 0u) << "library flags";
    EXPECT_EQ(U32(bytes, 0x20), 2u) << "type descriptions";
    EXPECT_EQ(U32(bytes, 0x54), 0u);
    EXPECT_EQ(U32(bytes, 0x58), 0x64u);
    for (int empty : {10, 13, 14}) {
        SCOPED_TRACE(empty);
        EXPECT_EQ(SegmentOffset(bytes, empty), 0xFFFFFFFFu);
        EXPECT_EQ(SegmentLength(bytes, empty), 0u);
    }
}

TEST(ComponentLibraryFile, ImportsIDispatchFromStdOle)
{
    const std::vector<BYTE> bytes = ReadBytes(kComponentLibrary);
    const DWORD impInfo = SegmentOffset(bytes, 1);
    const DWORD impFiles = SegmentOffset(bytes, 2);
    const DWORD guids = SegmentOffset(bytes, 5);
    ASSERT_EQ(SegmentLength(bytes, 1), 12u) << "one import record";
    EXPECT_EQ(U32(bytes, impInfo), 0x03010000u) << "TKIND_INTERFACE, by GUID, ordinal 0";
    EXPECT_EQ(U32(bytes, 0x4C), 1u) << "dispatchpos is the import's hreftype";
    GUID imported{};
    std::memcpy(&imported, bytes.data() + guids + U32(bytes, impInfo + 8), sizeof imported);
    EXPECT_TRUE(imported == IID_IDispatch);

    GUID libid{};
    std::memcpy(&libid, bytes.data() + guids + U32(bytes, impFiles), sizeof libid);
    EXPECT_TRUE(libid == kStdOleLibraryId);
    EXPECT_EQ(U32(bytes, impFiles + 4), 0u) << "locale";
    EXPECT_EQ(U32(bytes, impFiles + 8), 2u) << "version 2.0";
    const DWORD nameLength = (U32(bytes, impFiles + 12) & 0xFFFF) >> 2;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + impFiles + 14, nameLength), "stdole2.tlb");
}

TEST(ComponentLibraryFile, BuildTimeIsPinned)
{
    // Three custom-data entries from the compiler; the build time among them is 0, so every build
    // of the same description gives the same bytes.
    const std::vector<BYTE> bytes = ReadBytes(kComponentLibrary);
    const DWORD entries = SegmentOffset(bytes, 12);
    int count = 0;
    bool timeIsZero = false;
    for (DWORD at = U32(bytes, 0x40); at != 0xFFFFFFFF && count < 8; at = U32(bytes, entries + at + 8), ++count) {
        if (U32(bytes, entries + at + 4) == 0xCC000000u) timeIsZero = true;  // VT_UI4 0, inline
    }
    EXPECT_EQ(count, 3);
    EXPECT_TRUE(timeIsZero);
}

TEST(ComponentLibraryFile, MemberBlockOfIPalvexEndsTheFile)
{
    const std::vector<BYTE> bytes = ReadBytes(kComponentLibrary);
    const DWORD typeInfos = SegmentOffset(bytes, 0);
    const DWORD block = U32(bytes, typeInfos + 0x64 + 0x04);
    const DWORD infoLength = U32(bytes, block);
    EXPECT_EQ(infoLength, 296u);
    EXPECT_EQ(block + 4 + infoLength + 12 * 7, bytes.size());
    const DWORD expectedOffsets[] = {0, 0x2C, 0x58, 0x84, 0xB0, 0xDC, 0xFC};
    for (DWORD i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        const DWORD record = U32(bytes, block + 4 + infoLength + 8 * 7 + 4 * i);
        EXPECT_EQ(record, expectedOffsets[i]);
        EXPECT_EQ(U32(bytes, block + 4 + record) & 0xFFFF, i == 5 ? 32u : 44u) << "record size";
        EXPECT_EQ(U32(bytes, block + 4 + record + 16) >> 16, i) << "no memid shared with another function";
    }
}

TEST_F(ComponentLibrary, LibraryAttributes)
{
    EXPECT_EQ(library_.get()->GetTypeInfoCount(), 2u);
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library_.get()->GetLibAttr(&attributes), S_OK);
    EXPECT_TRUE(attributes->guid == kComponentLibraryId);
    EXPECT_EQ(attributes->lcid, 0u);
    EXPECT_EQ(attributes->syskind, SYS_WIN32);
    EXPECT_EQ(attributes->wMajorVerNum, 1);
    EXPECT_EQ(attributes->wMinorVerNum, 0);
    EXPECT_EQ(attributes->wLibFlags, LIBFLAG_FHASDISKIMAGE);
    library_.get()->ReleaseTLibAttr(attributes);

    BSTR name = nullptr, doc = nullptr, helpFile = nullptr;
    DWORD context = 99;
    ASSERT_EQ(library_.get()->GetDocumentation(-1, &name, &doc, &context, &helpFile), S_OK);
    EXPECT_EQ(TakeText(name), "QUENVARLib");
    EXPECT_EQ(TakeText(doc), "Quenvar 1.0 Type Library");
    EXPECT_EQ(context, 0u);
    EXPECT_EQ(helpFile, nullptr);
}

TEST_F(ComponentLibrary, TypeDescriptionsInOrder)
{
    TYPEKIND kind = TKIND_MAX;
    ASSERT_EQ(library_.get()->GetTypeInfoType(0, &kind), S_OK);
    EXPECT_EQ(kind, TKIND_COCLASS);
    ASSERT_EQ(library_.get()->GetTypeInfoType(1, &kind), S_OK);
    EXPECT_EQ(kind, TKIND_DISPATCH);
    EXPECT_EQ(library_.get()->GetTypeInfoType(2, &kind), TYPE_E_ELEMENTNOTFOUND);

    Owned<ITypeInfo> unknown;
    const GUID other = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(TypeInfoOfGuid(library_.get(), other, unknown), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(unknown.get(), nullptr);
}

TEST_F(ComponentLibrary, CoclassPalvex)
{
    Owned<ITypeInfo> coclass;
    ASSERT_EQ(library_.get()->GetTypeInfo(0, coclass.put()), S_OK);
    TypeAttr attr;
    ASSERT_EQ(coclass.get()->GetTypeAttr(attr.put(coclass.get())), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_TRUE(attr->guid == kPalvexClassId);
    EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FCANCREATE);
    EXPECT_EQ(attr->cFuncs, 0);
    EXPECT_EQ(attr->cVars, 0);
    EXPECT_EQ(attr->cImplTypes, 1);
    EXPECT_EQ(attr->cbSizeInstance, 4u);
    EXPECT_EQ(attr->wMajorVerNum, 0);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(Name(coclass.get()), "Palvex");
    EXPECT_EQ(DocString(coclass.get(), MEMBERID_NIL), "Palvex Class");

    HREFTYPE implemented = 0;
    INT flags = 0;
    ASSERT_EQ(coclass.get()->GetRefTypeOfImplType(0, &implemented), S_OK);
    EXPECT_EQ(implemented, 0x64u);
    ASSERT_EQ(coclass.get()->GetImplTypeFlags(0, &flags), S_OK);
    EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT);
    EXPECT_EQ(coclass.get()->GetRefTypeOfImplType(1, &implemented), TYPE_E_ELEMENTNOTFOUND);
    Owned<ITypeInfo> target;
    ASSERT_EQ(coclass.get()->GetRefTypeInfo(0x64, target.put()), S_OK);
    EXPECT_EQ(Name(target.get()), "IPalvex");
}

TEST_F(ComponentLibrary, DispatchViewOfIPalvex)
{
    TypeAttr attr;
    ASSERT_EQ(dispatch_.get()->GetTypeAttr(attr.put(dispatch_.get())), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(attr->cFuncs, 14);
    EXPECT_EQ(attr->cVars, 0);
    EXPECT_EQ(attr->cImplTypes, 1);
    EXPECT_EQ(attr->cbSizeVft, 7 * sizeof(void*));
    EXPECT_EQ(attr->cbAlignment, 4);
    EXPECT_EQ(attr->cbSizeInstance, 4u);
    EXPECT_EQ(Name(dispatch_.get()), "IPalvex");
    EXPECT_EQ(DocString(dispatch_.get(), MEMBERID_NIL), "IPalvex Interface");

    HREFTYPE base = 0;
    ASSERT_EQ(dispatch_.get()->GetRefTypeOfImplType(0, &base), S_OK);
    EXPECT_EQ(base, 0x1u) << "the import of IDispatch";
    Owned<ITypeInfo> dispatchBase;
    ASSERT_EQ(dispatch_.get()->GetRefTypeInfo(base, dispatchBase.put()), S_OK);
    TypeAttr baseAttr;
    ASSERT_EQ(dispatchBase.get()->GetTypeAttr(baseAttr.put(dispatchBase.get())), S_OK);
    EXPECT_TRUE(baseAttr->guid == IID_IDispatch);

    Owned<ITypeLib> stdole;
    UINT index = 99;
    ASSERT_EQ(dispatchBase.get()->GetContainingTypeLib(stdole.put(), &index), S_OK);
    TLIBATTR* stdoleAttributes = nullptr;
    ASSERT_EQ(stdole.get()->GetLibAttr(&stdoleAttributes), S_OK);
    EXPECT_TRUE(stdoleAttributes->guid == kStdOleLibraryId);
    EXPECT_EQ(stdoleAttributes->wMajorVerNum, 2);
    stdole.get()->ReleaseTLibAttr(stdoleAttributes);
}

TEST_F(ComponentLibrary, DispatchViewFunctions)
{
    // IUnknown's and IDispatch's functions first, then the seven own ones in their dispatch form:
    // a getter shows its [retval] BSTR as the result, the others return nothing.
    struct Row {
        const char* name;
        VARTYPE result;
        SHORT parameters;
    };
    const Row rows[] = {
        {"QueryInterface", VT_VOID, 2},   {"AddRef", VT_UI4, 0},       {"Release", VT_UI4, 0},
        {"GetTypeInfoCount", VT_VOID, 1}, {"GetTypeInfo", VT_VOID, 3}, {"GetIDsOfNames", VT_VOID, 5},
        {"Invoke", VT_VOID, 8},           {"HTTPVer", VT_BSTR, 0},     {"ServerSoftware", VT_BSTR, 0},
        {"ContentLocation", VT_BSTR, 0},  {"ServerURL", VT_VOID, 1},   {"CurrentServerTime", VT_BSTR, 0},
        {"QueryServer", VT_VOID, 0},      {"ErrorInfo", VT_BSTR, 0}};
    for (UINT i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        FuncDesc function;
        ASSERT_EQ(dispatch_.get()->GetFuncDesc(i, function.put(dispatch_.get())), S_OK);
        EXPECT_EQ(function->funckind, FUNC_DISPATCH);
        EXPECT_EQ(function->elemdescFunc.tdesc.vt, rows[i].result);
        EXPECT_EQ(function->cParams, rows[i].parameters);
        EXPECT_EQ(function->oVft / static_cast<SHORT>(sizeof(void*)), static_cast<SHORT>(i)) << "slot";
        EXPECT_EQ(Names(dispatch_.get(), function->memid).front(), rows[i].name);
        EXPECT_EQ((function->wFuncFlags & FUNCFLAG_FRESTRICTED) != 0, i < 7);
    }
    FuncDesc past;
    EXPECT_EQ(dispatch_.get()->GetFuncDesc(14, past.put(dispatch_.get())), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(ComponentLibrary, InterfaceViewOfIPalvex)
{
    TypeAttr attr;
    ASSERT_EQ(interface_.get()->GetTypeAttr(attr.put(interface_.get())), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(attr->cFuncs, 7);
    EXPECT_EQ(attr->cbSizeVft, 14 * sizeof(void*));
    EXPECT_TRUE(attr->guid == kPalvexInterfaceId);

    HREFTYPE base = 0;
    Owned<ITypeInfo> dispatchBase;
    ASSERT_EQ(interface_.get()->GetRefTypeOfImplType(0, &base), S_OK);
    ASSERT_EQ(interface_.get()->GetRefTypeInfo(base, dispatchBase.put()), S_OK);
    EXPECT_EQ(Name(dispatchBase.get()), "IDispatch");
    HREFTYPE none = 0;
    EXPECT_EQ(interface_.get()->GetRefTypeOfImplType(static_cast<UINT>(-1), &none), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(ComponentLibrary, SevenMembersAsStored)
{
    // Getters take "pVal", a BSTR* [out, retval]; the put takes one unnamed BSTR [in]; the method
    // takes nothing. Help strings read "property <name>", or "method <name>".
    struct Row {
        const char* name;
        MEMBERID memid;
        INVOKEKIND kind;
        SHORT slot;
    };
    const Row rows[] = {{"HTTPVer", 1, INVOKE_PROPERTYGET, 7},
                        {"ServerSoftware", 2, INVOKE_PROPERTYGET, 8},
                        {"ContentLocation", 3, INVOKE_PROPERTYGET, 9},
                        {"ServerURL", 4, INVOKE_PROPERTYPUT, 10},
                        {"CurrentServerTime", 5, INVOKE_PROPERTYGET, 11},
                        {"QueryServer", 6, INVOKE_FUNC, 12},
                        {"ErrorInfo", 7, INVOKE_PROPERTYGET, 13}};
    for (UINT i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(row.name);
        FuncDesc function;
        ASSERT_EQ(interface_.get()->GetFuncDesc(i, function.put(interface_.get())), S_OK);
        EXPECT_EQ(function->memid, row.memid);
        EXPECT_EQ(function->funckind, FUNC_PUREVIRTUAL);
        EXPECT_EQ(function->invkind, row.kind);
        EXPECT_EQ(function->callconv, CC_STDCALL);
        EXPECT_EQ(function->wFuncFlags, 0);
        EXPECT_EQ(function->cParamsOpt, 0);
        EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
        EXPECT_EQ(function->oVft, row.slot * static_cast<SHORT>(sizeof(void*)));
        std::vector<std::string> names{row.name};
        if (row.kind == INVOKE_PROPERTYGET) names.push_back("pVal");
        EXPECT_EQ(Names(interface_.get(), row.memid), names);
        ASSERT_EQ(function->cParams, row.kind == INVOKE_FUNC ? 0 : 1);
        if (row.kind == INVOKE_PROPERTYGET) {
            const ELEMDESC& parameter = function->lprgelemdescParam[0];
            EXPECT_EQ(parameter.tdesc.vt, VT_PTR);
            EXPECT_EQ(parameter.tdesc.lptdesc->vt, VT_BSTR);
            EXPECT_EQ(parameter.paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
        } else if (row.kind == INVOKE_PROPERTYPUT) {
            const ELEMDESC& parameter = function->lprgelemdescParam[0];
            EXPECT_EQ(parameter.tdesc.vt, VT_BSTR);
            EXPECT_EQ(parameter.paramdesc.wParamFlags, PARAMFLAG_FIN);
        }
        BSTR name = nullptr, doc = nullptr, helpFile = nullptr;
        DWORD context = 99;
        ASSERT_EQ(dispatch_.get()->GetDocumentation(row.memid, &name, &doc, &context, &helpFile), S_OK);
        EXPECT_EQ(TakeText(name), row.name);
        EXPECT_EQ(TakeText(doc), (row.kind == INVOKE_FUNC ? "method " : "property ") + std::string(row.name));
        EXPECT_EQ(context, 0u);
        EXPECT_EQ(helpFile, nullptr);
    }
}

TEST_F(ComponentLibrary, IdsOfNames)
{
    struct Row {
        std::vector<std::u16string> names;
        HRESULT result;
        std::vector<MEMBERID> ids;
    };
    const Row rows[] = {
        {{u"HTTPVer"}, S_OK, {1}},
        {{u"ServerSoftware"}, S_OK, {2}},
        {{u"ContentLocation"}, S_OK, {3}},
        {{u"ServerURL"}, S_OK, {4}},
        {{u"CurrentServerTime"}, S_OK, {5}},
        {{u"QueryServer"}, S_OK, {6}},
        {{u"ErrorInfo"}, S_OK, {7}},
        {{u"httpver"}, S_OK, {1}},
        {{u"SERVERURL"}, S_OK, {4}},
        {{u"HTTPVer", u"pVal"}, S_OK, {1, 0}},
        {{u"HTTPVer", u"PVAL"}, S_OK, {1, 0}},
        {{u"HTTPVer", u"other"}, DISP_E_UNKNOWNNAME, {1, MEMBERID_NIL}},
        {{u"Invoke"}, S_OK, {0x60010003}},
        {{u"QueryInterface"}, S_OK, {0x60000000}},
        {{u"NoSuchMember"}, DISP_E_UNKNOWNNAME, {MEMBERID_NIL}},
        {{u"NoSuchMember", u"pVal"}, DISP_E_UNKNOWNNAME, {MEMBERID_NIL, MEMBERID_NIL}},
        {{u""}, DISP_E_UNKNOWNNAME, {MEMBERID_NIL}},
    };
    for (ITypeInfo* info : {dispatch_.get(), interface_.get()}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.names[0].begin(), row.names[0].end()));
            std::vector<LPOLESTR> names;
            for (const std::u16string& name : row.names) names.push_back(const_cast<LPOLESTR>(name.c_str()));
            std::vector<MEMBERID> ids(names.size(), 12345);
            EXPECT_EQ(info->GetIDsOfNames(names.data(), static_cast<UINT>(names.size()), ids.data()), row.result);
            EXPECT_EQ(ids, row.ids);
        }
    }
    MEMBERID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(u"HTTPVer");
    EXPECT_EQ(dispatch_.get()->GetIDsOfNames(nullptr, 1, &id), E_INVALIDARG);
    EXPECT_EQ(dispatch_.get()->GetIDsOfNames(&name, 0, &id), E_INVALIDARG);
    EXPECT_EQ(dispatch_.get()->GetIDsOfNames(&name, 1, nullptr), E_INVALIDARG);
}

TEST_F(ComponentLibrary, NamesAndDocumentationOfUnknownMembers)
{
    EXPECT_EQ(Names(dispatch_.get(), 99),
              std::vector<std::string>{"failed: " + std::to_string(TYPE_E_ELEMENTNOTFOUND)});
    EXPECT_EQ(Names(dispatch_.get(), 0x60010003).front(), "Invoke") << "found in the base interface";
    BSTR name = nullptr;
    EXPECT_EQ(dispatch_.get()->GetDocumentation(99, &name, nullptr, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(name, nullptr);

    BSTR one = nullptr;
    UINT count = 0;
    ASSERT_EQ(dispatch_.get()->GetNames(1, &one, 1, &count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(TakeText(one), "HTTPVer");
}

TEST_F(ComponentLibrary, ContainingLibraryAndReferences)
{
    Owned<ITypeLib> container;
    UINT index = 99;
    ASSERT_EQ(interface_.get()->GetContainingTypeLib(container.put(), &index), S_OK);
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(container.get(), library_.get());

    // A type information keeps its library alive.
    container.reset();
    library_.reset();
    EXPECT_EQ(Name(interface_.get()), "IPalvex");
    Owned<ITypeInfo> unknownReference;
    EXPECT_EQ(interface_.get()->GetRefTypeInfo(0x1234, unknownReference.put()), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(ComponentLibrary, UnsupportedCallsAnswerNotImplemented)
{
    EXPECT_EQ(dispatch_.get()->GetTypeComp(nullptr), E_NOTIMPL);
    EXPECT_EQ(dispatch_.get()->GetMops(1, nullptr), E_NOTIMPL);
    EXPECT_EQ(dispatch_.get()->AddressOfMember(1, INVOKE_FUNC, nullptr), E_NOTIMPL);
    EXPECT_EQ(dispatch_.get()->CreateInstance(nullptr, IID_IUnknown, nullptr), E_NOTIMPL);
    EXPECT_EQ(dispatch_.get()->GetDllEntry(1, INVOKE_FUNC, nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(library_.get()->GetTypeComp(nullptr), E_NOTIMPL);
    EXPECT_EQ(library_.get()->IsName(nullptr, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(library_.get()->FindName(nullptr, 0, nullptr, nullptr, nullptr), E_NOTIMPL);
}

TEST_F(ComponentLibrary, QueryInterface)
{
    void* out = nullptr;
    EXPECT_EQ(library_.get()->QueryInterface(IID_ITypeInfo, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(dispatch_.get()->QueryInterface(IID_ITypeInfo, &out), S_OK);
    EXPECT_EQ(out, dispatch_.get());
    static_cast<ITypeInfo*>(out)->Release();
    ASSERT_EQ(library_.get()->QueryInterface(IID_IUnknown, &out), S_OK);
    static_cast<IUnknown*>(out)->Release();
    EXPECT_EQ(dispatch_.get()->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

}  // namespace
}  // namespace typelibtest
