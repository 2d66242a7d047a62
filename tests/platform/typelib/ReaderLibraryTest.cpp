// The shapes the component's library does not have, read from tests' own Reader library:
// parameter types, default values, records, enums, aliases, a pure dispatch interface, a dual
// interface deriving from another, and types imported from a second library.
#include "TypeLibTestSupport.h"

#include "platform/test_support/RegistryTesting.h"

#include <gtest/gtest.h>

namespace typelibtest {
namespace {

constexpr GUID ReaderGuid(BYTE last)
{
    return {0x8B0E6A10u + last, 0x3F2C, 0x4D51, {0xA7, 0xE4, 0x1C, 0x9D, 0x2B, 0x3A, 0x4F, 0x50}};
}
constexpr GUID kReaderLibraryId = ReaderGuid(0x00);
constexpr GUID kShade = ReaderGuid(0x01);
constexpr GUID kSample = ReaderGuid(0x02);
constexpr GUID kIReader = ReaderGuid(0x03);
constexpr GUID kISecondDual = ReaderGuid(0x05);
constexpr GUID kDNotify = ReaderGuid(0x06);
constexpr GUID kReaderClass = ReaderGuid(0x07);
constexpr GUID kOutsideLibraryId = ReaderGuid(0x10);

class ReaderLibrary : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Load(kReaderLibrary, library_), S_OK); }

    Owned<ITypeInfo> TypeInfo(REFGUID guid)
    {
        Owned<ITypeInfo> info;
        EXPECT_EQ(TypeInfoOfGuid(library_.get(), guid, info), S_OK);
        return info;
    }

    // The function of `info` named `name`, by way of GetIDsOfNames.
    void Function(ITypeInfo* info, const char16_t* name, FuncDesc& function)
    {
        TypeAttr attr;
        ASSERT_EQ(info->GetTypeAttr(attr.put(info)), S_OK);
        MEMBERID memid = 0;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        ASSERT_EQ(info->GetIDsOfNames(names, 1, &memid), S_OK);
        for (UINT i = 0; i < attr->cFuncs; ++i) {
            FuncDesc candidate;
            ASSERT_EQ(info->GetFuncDesc(i, candidate.put(info)), S_OK);
            if (candidate->memid == memid) {
                ASSERT_EQ(info->GetFuncDesc(i, function.put(info)), S_OK);
                return;
            }
        }
        FAIL() << "no function";
    }

    // Imports other than the OLE Automation library are looked up in the registry first.
    quenvar::testing::ScopedPrivateRegistry registry_;
    Owned<ITypeLib> library_;
};

// The variant types along a TYPEDESC chain, with the array bounds: "PTR SAFEARRAY BSTR".
std::string Chain(const TYPEDESC& type)
{
    std::string text = std::to_string(type.vt);
    if (type.vt == VT_PTR || type.vt == VT_SAFEARRAY) text += " " + Chain(*type.lptdesc);
    if (type.vt == VT_CARRAY) {
        for (USHORT i = 0; i < type.lpadesc->cDims; ++i)
            text += "[" + std::to_string(type.lpadesc->rgbounds[i].cElements) + "]";
        text += " " + Chain(type.lpadesc->tdescElem);
    }
    return text;
}
std::string Chain(std::initializer_list<VARTYPE> types)
{
    std::string text;
    for (VARTYPE vt : types) text += (text.empty() ? "" : " ") + std::to_string(vt);
    return text;
}

TEST_F(ReaderLibrary, EveryLibraryAttribute)
{
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library_.get()->GetLibAttr(&attributes), S_OK);
    EXPECT_TRUE(attributes->guid == kReaderLibraryId);
    EXPECT_EQ(attributes->wMajorVerNum, 3);
    EXPECT_EQ(attributes->wMinorVerNum, 2);
    EXPECT_EQ(attributes->wLibFlags, LIBFLAG_FCONTROL | LIBFLAG_FHASDISKIMAGE);
    library_.get()->ReleaseTLibAttr(attributes);

    BSTR name = nullptr, doc = nullptr, helpFile = nullptr;
    DWORD context = 0;
    ASSERT_EQ(library_.get()->GetDocumentation(-1, &name, &doc, &context, &helpFile), S_OK);
    EXPECT_EQ(TakeText(name), "ReaderTestLib");
    EXPECT_EQ(TakeText(doc), "Reader test library");
    EXPECT_EQ(TakeText(helpFile), "reader.hlp");
    EXPECT_EQ(context, 0x51u);
    // A type's documentation names the library's help file; absent outputs are not asked for.
    ASSERT_EQ(library_.get()->GetDocumentation(0, nullptr, nullptr, nullptr, &helpFile), S_OK);
    EXPECT_EQ(TakeText(helpFile), "reader.hlp");
    EXPECT_EQ(library_.get()->GetDocumentation(99, &name, nullptr, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(ReaderLibrary, EnumConstants)
{
    Owned<ITypeInfo> shade = TypeInfo(kShade);
    TypeAttr attr;
    ASSERT_EQ(shade.get()->GetTypeAttr(attr.put(shade.get())), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_ENUM);
    ASSERT_EQ(attr->cVars, 4);
    const std::pair<const char*, LONG> constants[] = {{"Light", 0}, {"Dark", 7}, {"Huge", 0x4000000}, {"Negative", -2}};
    for (UINT i = 0; i < 4; ++i) {
        SCOPED_TRACE(constants[i].first);
        VarDesc variable;
        ASSERT_EQ(shade.get()->GetVarDesc(i, variable.put(shade.get())), S_OK);
        EXPECT_EQ(variable->varkind, VAR_CONST);
        EXPECT_EQ(variable->elemdescVar.tdesc.vt, VT_INT);
        ASSERT_NE(variable->lpvarValue, nullptr);
        EXPECT_EQ(variable->lpvarValue->vt, VT_I4);
        EXPECT_EQ(variable->lpvarValue->lVal, constants[i].second);
        EXPECT_EQ(Names(shade.get(), variable->memid), std::vector<std::string>{constants[i].first});
    }
    VarDesc past;
    EXPECT_EQ(shade.get()->GetVarDesc(4, past.put(shade.get())), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(ReaderLibrary, RecordFieldsAndFixedArray)
{
    Owned<ITypeInfo> sample = TypeInfo(kSample);
    TypeAttr attr;
    ASSERT_EQ(sample.get()->GetTypeAttr(attr.put(sample.get())), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_RECORD);
    EXPECT_EQ(attr->cbSizeInstance, 32u);
    EXPECT_EQ(attr->cbAlignment, 8);
    const struct {
        ULONG offset;
        std::string chain;
    } fields[] = {{0, Chain({VT_I4})}, {8, Chain({VT_R8})}, {16, Chain({VT_BSTR})}, {20, "28[3][2] 2"}};
    ASSERT_EQ(attr->cVars, 4);
    for (UINT i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        VarDesc field;
        ASSERT_EQ(sample.get()->GetVarDesc(i, field.put(sample.get())), S_OK);
        EXPECT_EQ(field->varkind, VAR_PERINSTANCE);
        EXPECT_EQ(field->oInst, fields[i].offset);
        EXPECT_EQ(Chain(field->elemdescVar.tdesc), fields[i].chain);
    }
}

TEST_F(ReaderLibrary, AliasAndSharedNameSpelling)
{
    // The alias "Weight" shares its name record with the earlier field "weight" (names are stored
    // once without regard to case), so its name reads with the first spelling.
    Owned<ITypeInfo> alias;
    ASSERT_EQ(library_.get()->GetTypeInfo(2, alias.put()), S_OK);
    TypeAttr attr;
    ASSERT_EQ(alias.get()->GetTypeAttr(attr.put(alias.get())), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_ALIAS);
    EXPECT_EQ(attr->tdescAlias.vt, VT_R8);
    EXPECT_EQ(Name(alias.get()), "weight");
}

TEST_F(ReaderLibrary, ParameterTypesOfPlainInterface)
{
    Owned<ITypeInfo> reader = TypeInfo(kIReader);
    struct Row {
        const char16_t* function;
        std::vector<std::string> chains;
        std::vector<USHORT> flags;
    };
    const USHORT in = PARAMFLAG_FIN, out = PARAMFLAG_FOUT, retval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
    const Row rows[] = {
        {u"Scalars",
         {Chain({VT_I2}), Chain({VT_I4}), Chain({VT_R4}), Chain({VT_R8}), Chain({VT_BOOL}), Chain({VT_DATE}),
          Chain({VT_CY}), Chain({VT_UI1}), Chain({VT_INT}), Chain({VT_ERROR})},
         {in, in, in, in, in, in, in, in, in, in}},
        {u"Strings", {Chain({VT_BSTR}), Chain({VT_PTR, VT_BSTR}), Chain({VT_PTR, VT_BSTR})}, {in, out, in | out}},
        {u"Variants", {Chain({VT_VARIANT}), Chain({VT_PTR, VT_VARIANT})}, {in, retval}},
        {u"Arrays", {Chain({VT_SAFEARRAY, VT_I4}), Chain({VT_PTR, VT_SAFEARRAY, VT_BSTR})}, {in, out}},
        {u"Objects",
         {Chain({VT_UNKNOWN}), Chain({VT_DISPATCH}), Chain({VT_PTR, VT_PTR, VT_USERDEFINED})},
         {in, in, retval}},
        {u"Records", {Chain({VT_PTR, VT_USERDEFINED}), Chain({VT_USERDEFINED}), Chain({VT_USERDEFINED})}, {in, in, in}},
        {u"WithLcid", {Chain({VT_I4}), Chain({VT_I4}), Chain({VT_PTR, VT_I4})}, {in, in | PARAMFLAG_FLCID, retval}},
        {u"Plain", {Chain({VT_I4})}, {in}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.function, row.function + std::char_traits<char16_t>::length(row.function)));
        FuncDesc function;
        ASSERT_NO_FATAL_FAILURE(Function(reader.get(), row.function, function));
        EXPECT_EQ(function->funckind, FUNC_PUREVIRTUAL);
        ASSERT_EQ(function->cParams, static_cast<SHORT>(row.chains.size()));
        for (SHORT i = 0; i < function->cParams; ++i) {
            EXPECT_EQ(Chain(function->lprgelemdescParam[i].tdesc), row.chains[i]) << i;
            EXPECT_EQ(function->lprgelemdescParam[i].paramdesc.wParamFlags, row.flags[i]) << i;
        }
    }
}

TEST_F(ReaderLibrary, OptionalsDefaultsAndVarargs)
{
    Owned<ITypeInfo> reader = TypeInfo(kIReader);
    FuncDesc optionals;
    ASSERT_NO_FATAL_FAILURE(Function(reader.get(), u"Optionals", optionals));
    EXPECT_EQ(optionals->cParamsOpt, 1);
    const ELEMDESC* parameters = optionals->lprgelemdescParam;
    EXPECT_EQ(parameters[1].paramdesc.wParamFlags, PARAMFLAG_FIN | PARAMFLAG_FOPT);
    EXPECT_EQ(parameters[1].paramdesc.pparamdescex, nullptr);
    const USHORT withDefault = PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT;
    ASSERT_EQ(parameters[2].paramdesc.wParamFlags, withDefault);
    ASSERT_NE(parameters[2].paramdesc.pparamdescex, nullptr);
    EXPECT_EQ(parameters[2].paramdesc.pparamdescex->varDefaultValue.vt, VT_I4);
    EXPECT_EQ(parameters[2].paramdesc.pparamdescex->varDefaultValue.lVal, 12);
    ASSERT_EQ(parameters[3].paramdesc.wParamFlags, withDefault);
    ASSERT_NE(parameters[3].paramdesc.pparamdescex, nullptr);
    EXPECT_EQ(parameters[3].paramdesc.pparamdescex->varDefaultValue.vt, VT_BSTR);
    EXPECT_EQ(Narrow(parameters[3].paramdesc.pparamdescex->varDefaultValue.bstrVal), "dflt");

    FuncDesc many;
    ASSERT_NO_FATAL_FAILURE(Function(reader.get(), u"Many", many));
    EXPECT_EQ(many->cParamsOpt, -1);
}

TEST_F(ReaderLibrary, PropertyAccessorsShareOneId)
{
    Owned<ITypeInfo> reader = TypeInfo(kIReader);
    FuncDesc get, put;
    ASSERT_EQ(reader.get()->GetFuncDesc(10, get.put(reader.get())), S_OK);
    ASSERT_EQ(reader.get()->GetFuncDesc(11, put.put(reader.get())), S_OK);
    EXPECT_EQ(get->invkind, INVOKE_PROPERTYGET);
    EXPECT_EQ(put->invkind, INVOKE_PROPERTYPUT);
    EXPECT_EQ(get->memid, put->memid);
    EXPECT_EQ(DocString(reader.get(), get->memid), "The level");
    MEMBERID memid = 0;
    LPOLESTR name = const_cast<LPOLESTR>(u"LEVEL");
    ASSERT_EQ(reader.get()->GetIDsOfNames(&name, 1, &memid), S_OK);
    EXPECT_EQ(memid, get->memid);
}

TEST_F(ReaderLibrary, ReferencesResolveInsideAndAcrossLibraries)
{
    Owned<ITypeInfo> reader = TypeInfo(kIReader);
    FuncDesc objects, records, imported;
    ASSERT_NO_FATAL_FAILURE(Function(reader.get(), u"Objects", objects));
    ASSERT_NO_FATAL_FAILURE(Function(reader.get(), u"Records", records));
    ASSERT_NO_FATAL_FAILURE(Function(reader.get(), u"Imported", imported));
    struct Row {
        HREFTYPE hreftype;
        const char* name;
        GUID library;
    };
    const Row rows[] = {
        {objects->lprgelemdescParam[2].tdesc.lptdesc->lptdesc->hreftype, "IReader", kReaderLibraryId},
        {records->lprgelemdescParam[0].tdesc.lptdesc->hreftype, "Sample", kReaderLibraryId},
        {records->lprgelemdescParam[1].tdesc.hreftype, "Shade", kReaderLibraryId},
        {imported->lprgelemdescParam[0].tdesc.lptdesc->hreftype, "IOutside", kOutsideLibraryId},
        {imported->lprgelemdescParam[1].tdesc.lptdesc->hreftype, "OutsidePoint", kOutsideLibraryId},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Owned<ITypeInfo> target;
        ASSERT_EQ(reader.get()->GetRefTypeInfo(row.hreftype, target.put()), S_OK);
        EXPECT_EQ(Name(target.get()), row.name);
        Owned<ITypeLib> container;
        ASSERT_EQ(target.get()->GetContainingTypeLib(container.put(), nullptr), S_OK);
        TLIBATTR* attributes = nullptr;
        ASSERT_EQ(container.get()->GetLibAttr(&attributes), S_OK);
        EXPECT_TRUE(attributes->guid == row.library);
        container.get()->ReleaseTLibAttr(attributes);
    }
}

TEST_F(ReaderLibrary, ImportedLibraryMissingBesideTheFile)
{
    TempDirectory directory;
    const auto alone = directory.path() / "reader.tlb";
    WriteBytes(alone, ReadBytes(kReaderLibrary));
    Owned<ITypeLib> library;
    ASSERT_EQ(Load(alone, library), S_OK);
    Owned<ITypeInfo> reader;
    ASSERT_EQ(TypeInfoOfGuid(library.get(), kIReader, reader), S_OK);
    FuncDesc imported;
    ASSERT_NO_FATAL_FAILURE(Function(reader.get(), u"Imported", imported));
    Owned<ITypeInfo> outside;
    EXPECT_EQ(reader.get()->GetRefTypeInfo(imported->lprgelemdescParam[0].tdesc.lptdesc->hreftype, outside.put()),
              TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(outside.get(), nullptr);

    // A file of that name that is another library is not taken for it.
    WriteBytes(directory.path() / "outside.tlb", ReadBytes(kComponentLibrary));
    EXPECT_EQ(reader.get()->GetRefTypeInfo(imported->lprgelemdescParam[0].tdesc.lptdesc->hreftype, outside.put()),
              TYPE_E_CANTLOADLIBRARY);
    WriteBytes(directory.path() / "outside.tlb", ReadBytes(kOutsideLibrary));
    EXPECT_EQ(reader.get()->GetRefTypeInfo(imported->lprgelemdescParam[0].tdesc.lptdesc->hreftype, outside.put()),
              S_OK);
    EXPECT_EQ(Name(outside.get()), "IOutside");
}

TEST_F(ReaderLibrary, DualDerivedFromDual)
{
    Owned<ITypeInfo> second = TypeInfo(kISecondDual);
    TypeAttr attr;
    ASSERT_EQ(second.get()->GetTypeAttr(attr.put(second.get())), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr->cFuncs, 9) << "IUnknown, IDispatch, First and Second";
    FuncDesc first, secondFunction;
    ASSERT_EQ(second.get()->GetFuncDesc(7, first.put(second.get())), S_OK);
    EXPECT_EQ(first->memid, 0x10);
    EXPECT_EQ(first->oVft, 7 * static_cast<SHORT>(sizeof(void*)));
    ASSERT_EQ(second.get()->GetFuncDesc(8, secondFunction.put(second.get())), S_OK);
    EXPECT_EQ(secondFunction->memid, 0x20);
    EXPECT_EQ(secondFunction->elemdescFunc.tdesc.vt, VT_I4) << "the [retval] shown as the result";
    EXPECT_EQ(secondFunction->cParams, 1);

    // "First" shares its name record with the earlier parameter "first".
    MEMBERID ids[2] = {};
    LPOLESTR names[] = {const_cast<LPOLESTR>(u"First")};
    ASSERT_EQ(second.get()->GetIDsOfNames(names, 1, ids), S_OK);
    EXPECT_EQ(ids[0], 0x10);
    EXPECT_EQ(Names(second.get(), 0x10), std::vector<std::string>{"first"});

    // The interface view derives from the first dual's interface view.
    Owned<ITypeInfo> table, base;
    ASSERT_EQ(InterfaceView(second.get(), table), S_OK);
    TypeAttr tableAttr;
    ASSERT_EQ(table.get()->GetTypeAttr(tableAttr.put(table.get())), S_OK);
    EXPECT_EQ(tableAttr->cFuncs, 1);
    EXPECT_EQ(tableAttr->cbSizeVft, 9 * sizeof(void*));
    HREFTYPE baseRef = 0;
    ASSERT_EQ(table.get()->GetRefTypeOfImplType(0, &baseRef), S_OK);
    ASSERT_EQ(table.get()->GetRefTypeInfo(baseRef, base.put()), S_OK);
    TypeAttr baseAttr;
    ASSERT_EQ(base.get()->GetTypeAttr(baseAttr.put(base.get())), S_OK);
    EXPECT_EQ(baseAttr->typekind, TKIND_INTERFACE);
    EXPECT_TRUE(baseAttr->guid == ReaderGuid(0x04));
}

TEST_F(ReaderLibrary, PureDispatchInterface)
{
    Owned<ITypeInfo> notify = TypeInfo(kDNotify);
    TypeAttr attr;
    ASSERT_EQ(notify.get()->GetTypeAttr(attr.put(notify.get())), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(attr->cFuncs, 2);
    EXPECT_EQ(attr->cVars, 2);
    EXPECT_EQ(attr->cbSizeVft, 7 * sizeof(void*));
    HREFTYPE reference = 0;
    EXPECT_EQ(notify.get()->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference), TYPE_E_ELEMENTNOTFOUND);
    ASSERT_EQ(notify.get()->GetRefTypeOfImplType(0, &reference), S_OK);
    Owned<ITypeInfo> base;
    ASSERT_EQ(notify.get()->GetRefTypeInfo(reference, base.put()), S_OK);
    EXPECT_EQ(Name(base.get()), "IDispatch");

    VarDesc caption;
    ASSERT_EQ(notify.get()->GetVarDesc(1, caption.put(notify.get())), S_OK);
    EXPECT_EQ(caption->varkind, VAR_DISPATCH);
    EXPECT_EQ(caption->memid, 2);
    EXPECT_EQ(caption->wVarFlags, 0x1) << "read-only";
    EXPECT_EQ(caption->elemdescVar.tdesc.vt, VT_BSTR);

    FuncDesc describe;
    ASSERT_EQ(notify.get()->GetFuncDesc(1, describe.put(notify.get())), S_OK);
    EXPECT_EQ(describe->funckind, FUNC_DISPATCH);
    EXPECT_EQ(describe->elemdescFunc.tdesc.vt, VT_BSTR);

    MEMBERID ids[2] = {};
    LPOLESTR counter[] = {const_cast<LPOLESTR>(u"counter"), const_cast<LPOLESTR>(u"code")};
    EXPECT_EQ(notify.get()->GetIDsOfNames(counter, 1, ids), S_OK);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(notify.get()->GetIDsOfNames(counter, 2, ids), DISP_E_UNKNOWNNAME) << "a property has no parameters";
    LPOLESTR describeCode[] = {const_cast<LPOLESTR>(u"Describe"), const_cast<LPOLESTR>(u"code")};
    ASSERT_EQ(notify.get()->GetIDsOfNames(describeCode, 2, ids), S_OK);
    EXPECT_EQ(ids[0], 11);
    EXPECT_EQ(ids[1], 0);
    EXPECT_EQ(Names(notify.get(), 1), std::vector<std::string>{"Counter"});
}

TEST_F(ReaderLibrary, CoclassWithSourceInterface)
{
    Owned<ITypeInfo> coclass = TypeInfo(kReaderClass);
    const struct {
        INT flags;
        const char* name;
    } rows[] = {{IMPLTYPEFLAG_FDEFAULT, "IReader"},
                {0, "ISecondDual"},
                {IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE, "DNotify"}};
    for (UINT i = 0; i < 3; ++i) {
        SCOPED_TRACE(rows[i].name);
        HREFTYPE reference = 0;
        INT flags = -1;
        Owned<ITypeInfo> implemented;
        ASSERT_EQ(coclass.get()->GetRefTypeOfImplType(i, &reference), S_OK);
        ASSERT_EQ(coclass.get()->GetImplTypeFlags(i, &flags), S_OK);
        EXPECT_EQ(flags, rows[i].flags);
        ASSERT_EQ(coclass.get()->GetRefTypeInfo(reference, implemented.put()), S_OK);
        EXPECT_EQ(Name(implemented.get()), rows[i].name);
    }
    INT flags = 0;
    EXPECT_EQ(coclass.get()->GetImplTypeFlags(3, &flags), TYPE_E_ELEMENTNOTFOUND);
}

}  // namespace
}  // namespace typelibtest
