#include "TestFunctions.h"
#include "TestObjects.h"

#include "linux/automation/FunctionIndex.h"
#include "linux/automation/Invoke.h"
#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace quenvar::testing {
namespace {

using platform::CallRoute;
using platform::FunctionIndex;
using platform::FunctionKey;
using platform::InvokeThroughVtable;
using platform::PreparedCall;

COM_NO_VTABLE_DTOR_WARNING_BEGIN

// A vtable interface with one member per kind of parameter the engine passes.
struct ITarget : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE TakeBstr(BSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE TakeLong(LONG value) = 0;
    virtual HRESULT STDMETHODCALLTYPE TakeBool(VARIANT_BOOL flag) = 0;
    virtual HRESULT STDMETHODCALLTYPE TakeDouble(double value) = 0;
    virtual HRESULT STDMETHODCALLTYPE TakeVariant(VARIANT value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Describe(BSTR text, LONG number, VARIANT_BOOL flag, double real, VARIANT any,
                                               SHORT small, BYTE tiny, float single, LONGLONG wide, BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Increment(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE Fail(BSTR* pVal) = 0;
    virtual LONG STDMETHODCALLTYPE Twice(LONG value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Any(VARIANT* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Subtract(LONG minuend, LONG subtrahend, LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Touch() = 0;
    virtual HRESULT STDMETHODCALLTYPE TakeNarrow(SHORT small, BYTE tiny, ULONG wide) = 0;
};

enum Slot : unsigned {
    kTakeBstr = 3,
    kTakeLong,
    kTakeBool,
    kTakeDouble,
    kTakeVariant,
    kGetName,
    kGetCount,
    kDescribe,
    kIncrement,
    kFail,
    kTwice,
    kGetAny,
    kSubtract,
    kTouch,
    kTakeNarrow,
};

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

class Target final : public ITarget {
public:
    int calls = 0;
    std::string received;         // what the last call was given
    BSTR receivedText = nullptr;  // the BSTR pointer TakeBstr was given
    HRESULT failure = E_FAIL;
    IErrorInfo* errorToSet = nullptr;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE TakeBstr(BSTR text) override
    {
        receivedText = text;
        return Record("BSTR:" + Narrow(text));
    }
    HRESULT STDMETHODCALLTYPE TakeLong(LONG value) override { return Record("LONG:" + std::to_string(value)); }
    HRESULT STDMETHODCALLTYPE TakeBool(VARIANT_BOOL flag) override { return Record("BOOL:" + std::to_string(flag)); }
    HRESULT STDMETHODCALLTYPE TakeDouble(double value) override { return Record("DOUBLE:" + std::to_string(value)); }
    HRESULT STDMETHODCALLTYPE TakeVariant(VARIANT value) override
    {
        return Record("VARIANT:" + std::to_string(value.vt) + ":" + std::to_string(value.lVal));
    }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* pVal) override
    {
        Record("get_Name");
        *pVal = SysAllocString(u"name");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) override
    {
        Record("get_Count");
        *pVal = 7;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Describe(BSTR text, LONG number, VARIANT_BOOL flag, double real, VARIANT any, SHORT small,
                                       BYTE tiny, float single, LONGLONG wide, BSTR* pVal) override
    {
        Record(Narrow(text) + "|" + std::to_string(number) + "|" + std::to_string(flag) + "|" + std::to_string(real) +
               "|" + std::to_string(any.vt) + ":" + std::to_string(any.lVal) + "|" + std::to_string(small) + "|" +
               std::to_string(tiny) + "|" + std::to_string(single) + "|" + std::to_string(wide));
        *pVal = SysAllocString(Wide(received).c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Increment(LONG* value) override
    {
        Record("Increment");
        ++*value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Fail(BSTR* pVal) override
    {
        Record("Fail");
        // A careless callee: an out value written on the failing path must not leak either.
        *pVal = SysAllocString(u"half-done");
        if (errorToSet != nullptr) SetErrorInfo(0, errorToSet);
        return failure;
    }
    LONG STDMETHODCALLTYPE Twice(LONG value) override
    {
        Record("Twice");
        return 2 * value;
    }
    HRESULT STDMETHODCALLTYPE get_Any(VARIANT* pVal) override
    {
        Record("get_Any");
        pVal->vt = VT_BSTR;
        pVal->bstrVal = SysAllocString(u"any");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Subtract(LONG minuend, LONG subtrahend, LONG* pVal) override
    {
        Record("Subtract");
        *pVal = minuend - subtrahend;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Touch() override
    {
        Record("Touch");
        return touchResult;
    }
    HRESULT STDMETHODCALLTYPE TakeNarrow(SHORT small, BYTE tiny, ULONG wide) override
    {
        return Record(std::to_string(small) + "|" + std::to_string(tiny) + "|" + std::to_string(wide));
    }

    HRESULT touchResult = S_OK;

private:
    static std::string Narrow(BSTR text)
    {
        const std::u16string wide = TextOf(text);
        return std::string(wide.begin(), wide.end());
    }
    HRESULT Record(std::string what)
    {
        ++calls;
        received = std::move(what);
        return S_OK;
    }
};

COM_NO_VTABLE_DTOR_WARNING_END

struct Call {
    HRESULT hr;
    VARIANT result{};
    EXCEPINFO exception{};
    UINT argError = 0xFFFF;
};

Call Invoke(Target& target, TestFunction& function, unsigned slot, Arguments& arguments,
            CallRoute route = CallRoute::kFastest)
{
    const PreparedCall prepared(function.desc(), route);
    Call call;
    call.hr = InvokeThroughVtable(static_cast<ITarget*>(&target), prepared, slot, arguments.get(), &call.result,
                                  &call.exception, &call.argError);
    return call;
}

TEST(InvokeThroughVtable, ArgumentsArriveConvertedToDeclaredTypes)
{
    LONG number = 31;
    struct Row {
        const char* name;
        VARTYPE declared;
        unsigned slot;
        VARIANT argument;
        std::string received;
    };
    Row rows[] = {
        {"text as text", VT_BSTR, kTakeBstr, Text(u"hello"), "BSTR:hello"},
        {"number as text", VT_BSTR, kTakeBstr, I4(42), "BSTR:42"},
        {"text as long", VT_I4, kTakeLong, Text(u"17"), "LONG:17"},
        {"real as long", VT_I4, kTakeLong, R8(2.5), "LONG:2"},
        {"long by reference", VT_I4, kTakeLong, ByRef(VT_I4, &number), "LONG:31"},
        {"number as bool", VT_BOOL, kTakeBool, I4(1), "BOOL:-1"},
        {"number as double", VT_R8, kTakeDouble, I4(3), "DOUBLE:3.000000"},
        {"long as variant", VT_VARIANT, kTakeVariant, I4(5), "VARIANT:3:5"},
        {"reference as variant", VT_VARIANT, kTakeVariant, ByRef(VT_I4, &number), "VARIANT:16387:"},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        Target target;
        TestFunction function(1, INVOKE_FUNC, {In(row.declared)});
        Arguments arguments({row.argument});
        Call call = Invoke(target, function, row.slot, arguments);
        EXPECT_EQ(call.hr, S_OK);
        EXPECT_EQ(call.result.vt, VT_EMPTY);
        EXPECT_EQ(target.received.substr(0, row.received.size()), row.received);
    }
}

TEST(InvokeThroughVtable, TextOfTheDeclaredTypeIsPassedThrough)
{
    Target target;
    TestFunction function(1, INVOKE_FUNC, {In(VT_BSTR)});
    Arguments arguments({Text(u"same")});
    ASSERT_EQ(Invoke(target, function, kTakeBstr, arguments).hr, S_OK);
    EXPECT_EQ(target.receivedText, arguments.get()->rgvarg[0].bstrVal);
}

TEST(InvokeThroughVtable, ManyArgumentsArriveInDeclarationOrder)
{
    Target target;
    TestFunction function(1, INVOKE_FUNC,
                          {In(VT_BSTR), In(VT_I4), In(VT_BOOL), In(VT_R8), In(VT_VARIANT), In(VT_I2), In(VT_UI1),
                           In(VT_R4), In(VT_I8), Retval(VT_BSTR)});
    Arguments arguments(
        {Text(u"text"), I4(5), Bool(true), R8(2.5), I4(9), I4(-3), I4(200), R8(1.5), Text(u"123456789012")});
    Call call = Invoke(target, function, kDescribe, arguments);
    ASSERT_EQ(call.hr, S_OK);
    const std::string expected = "text|5|-1|2.500000|3:9|-3|200|1.500000|123456789012";
    EXPECT_EQ(target.received, expected);
    ASSERT_EQ(call.result.vt, VT_BSTR);
    EXPECT_EQ(TextOf(call.result.bstrVal), Wide(expected));
    VariantClear(&call.result);
}

TEST(InvokeThroughVtable, RetvalBecomesTheResult)
{
    struct Row {
        const char* name;
        unsigned slot;
        VARTYPE type;
        std::string expected;
    } rows[] = {
        {"text", kGetName, VT_BSTR, "8:name"},
        {"long", kGetCount, VT_I4, "3:7"},
        {"variant", kGetAny, VT_VARIANT, "8:any"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Target target;
        TestFunction function(1, INVOKE_PROPERTYGET, {Retval(row.type)});
        Arguments none({});
        Call call = Invoke(target, function, row.slot, none);
        ASSERT_EQ(call.hr, S_OK);
        const std::u16string text = call.result.vt == VT_BSTR ? TextOf(call.result.bstrVal) : u"";
        const std::string value =
            call.result.vt == VT_BSTR ? std::string(text.begin(), text.end()) : std::to_string(call.result.lVal);
        EXPECT_EQ(std::to_string(call.result.vt) + ":" + value, row.expected);
        VariantClear(&call.result);

        // Without a place for the result the value is freed, not leaked.
        EXPECT_EQ(InvokeThroughVtable(static_cast<ITarget*>(&target), PreparedCall(function.desc()), row.slot,
                                      none.get(), nullptr, nullptr, nullptr),
                  S_OK);
        EXPECT_EQ(target.calls, 2);
    }
}

TEST(InvokeThroughVtable, ReturnedValueBecomesTheResult)
{
    Target target;
    TestFunction function(1, INVOKE_FUNC, {In(VT_I4)}, VT_I4);
    Arguments arguments({I4(21)});
    Call call = Invoke(target, function, kTwice, arguments);
    ASSERT_EQ(call.hr, S_OK);
    EXPECT_EQ(call.result.vt, VT_I4);
    EXPECT_EQ(call.result.lVal, 42);
}

TEST(InvokeThroughVtable, ByReferenceArgumentReceivesTheAnswer)
{
    Target target;
    TestFunction function(1, INVOKE_FUNC, {InOut(VT_I4)});
    LONG counter = 41;
    Arguments byReference({ByRef(VT_I4, &counter)});
    ASSERT_EQ(Invoke(target, function, kIncrement, byReference).hr, S_OK);
    EXPECT_EQ(counter, 42);

    Arguments byValue({Text(u"5")});
    ASSERT_EQ(Invoke(target, function, kIncrement, byValue).hr, S_OK);
    EXPECT_EQ(TextOf(byValue.get()->rgvarg[0].bstrVal), u"5");

    SHORT small = 1;
    Arguments wrongReference({ByRef(VT_I2, &small)});
    Call call = Invoke(target, function, kIncrement, wrongReference);
    EXPECT_EQ(call.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(call.argError, 0u);
    EXPECT_EQ(small, 1);
    EXPECT_EQ(target.calls, 2);
}

TEST(InvokeThroughVtable, NamedArgumentsBindByPosition)
{
    TestFunction function(1, INVOKE_FUNC, {In(VT_I4), In(VT_I4), Retval(VT_I4)});
    struct Row {
        const char* name;
        std::vector<VARIANT> positional;
        std::vector<std::pair<DISPID, VARIANT>> named;
        HRESULT expected;
        LONG difference;
        UINT argError;
    };
    std::vector<Row> rows;
    rows.push_back({"positional", {I4(10), I4(3)}, {}, S_OK, 7, 0xFFFF});
    rows.push_back({"second named", {I4(10)}, {{1, I4(3)}}, S_OK, 7, 0xFFFF});
    rows.push_back({"both named, reversed", {}, {{1, I4(3)}, {0, I4(10)}}, S_OK, 7, 0xFFFF});
    rows.push_back({"named beyond the parameters", {I4(10)}, {{2, I4(3)}}, DISP_E_PARAMNOTFOUND, 0, 0});
    rows.push_back({"named twice", {}, {{0, I4(3)}, {0, I4(10)}}, DISP_E_PARAMNOTFOUND, 0, 1});
    rows.push_back({"named and positional alike", {I4(10)}, {{0, I4(3)}}, DISP_E_PARAMNOTFOUND, 0, 0});
    rows.push_back(
        {"property put id on a method", {I4(10)}, {{DISPID_PROPERTYPUT, I4(3)}}, DISP_E_PARAMNOTFOUND, 0, 0});
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        Target target;
        Arguments arguments(row.positional, row.named);
        Call call = Invoke(target, function, kSubtract, arguments);
        EXPECT_EQ(call.hr, row.expected);
        EXPECT_EQ(call.argError, row.argError);
        if (row.expected == S_OK) EXPECT_EQ(call.result.lVal, row.difference);
        else EXPECT_EQ(target.calls, 0);
    }
}

TEST(InvokeThroughVtable, WrongCallsAreRefusedBeforeTheCall)
{
    struct Row {
        const char* name;
        TestFunction function;
        unsigned slot;
        std::vector<VARIANT> positional;
        std::vector<std::pair<DISPID, VARIANT>> named;
        HRESULT expected;
        UINT argError = 0xFFFF;
    };
    TestFunction variable(1, INVOKE_FUNC, {In(VT_I4)});
    variable.desc().cParamsOpt = -1;
    TestFunction dispatchOnly(1, INVOKE_FUNC, {In(VT_I4)});
    dispatchOnly.desc().funckind = FUNC_DISPATCH;
    std::vector<Row> rows;
    rows.push_back({"too few", TestFunction(1, INVOKE_FUNC, {In(VT_I4)}), kTakeLong, {}, {}, DISP_E_BADPARAMCOUNT});
    rows.push_back(
        {"too many", TestFunction(1, INVOKE_FUNC, {In(VT_I4)}), kTakeLong, {I4(1), I4(2)}, {}, DISP_E_BADPARAMCOUNT});
    rows.push_back({"argument where the retval is",
                    TestFunction(1, INVOKE_PROPERTYGET, {Retval(VT_BSTR)}),
                    kGetName,
                    {I4(1)},
                    {},
                    DISP_E_BADPARAMCOUNT});
    rows.push_back({"text that is no number",
                    TestFunction(1, INVOKE_FUNC, {In(VT_I4)}),
                    kTakeLong,
                    {Text(u"abc")},
                    {},
                    DISP_E_TYPEMISMATCH,
                    0});
    rows.push_back(
        {"number too large", TestFunction(1, INVOKE_FUNC, {In(VT_I4)}), kTakeLong, {R8(1e12)}, {}, DISP_E_OVERFLOW, 0});
    rows.push_back({"second of nine is no number",
                    TestFunction(1, INVOKE_FUNC,
                                 {In(VT_BSTR), In(VT_I4), In(VT_BOOL), In(VT_R8), In(VT_VARIANT), In(VT_I2), In(VT_UI1),
                                  In(VT_R4), In(VT_I8), Retval(VT_BSTR)}),
                    kDescribe,
                    {Text(u"a"), Text(u"x"), Bool(true), R8(1), I4(1), I4(1), I4(1), R8(1), I4(1)},
                    {},
                    DISP_E_TYPEMISMATCH,
                    7});
    rows.push_back({"null where text is declared",
                    TestFunction(1, INVOKE_FUNC, {In(VT_BSTR)}),
                    kTakeBstr,
                    {MakeVariant(VT_NULL)},
                    {},
                    DISP_E_TYPEMISMATCH,
                    0});
    rows.push_back({"put without its named value",
                    TestFunction(1, INVOKE_PROPERTYPUT, {In(VT_BSTR)}),
                    kTakeBstr,
                    {Text(u"value")},
                    {},
                    DISP_E_PARAMNOTFOUND});
    rows.push_back({"put with a second named argument",
                    TestFunction(1, INVOKE_PROPERTYPUT, {In(VT_BSTR)}),
                    kTakeBstr,
                    {},
                    {{DISPID_PROPERTYPUT, Text(u"v")}, {0, I4(1)}},
                    DISP_E_PARAMNOTFOUND,
                    1});
    rows.push_back(
        {"named argument to a variable list", std::move(variable), kTakeLong, {}, {{0, I4(1)}}, DISP_E_NONAMEDARGS});
    rows.push_back({"declared type not passable",
                    TestFunction(1, INVOKE_FUNC, {In(VT_CY)}),
                    kTakeLong,
                    {I4(1)},
                    {},
                    DISP_E_BADVARTYPE,
                    0});
    rows.push_back({"return type not passable",
                    TestFunction(1, INVOKE_FUNC, {In(VT_I4)}, VT_CY),
                    kTakeLong,
                    {I4(1)},
                    {},
                    DISP_E_BADVARTYPE});
    rows.push_back({"member not in a vtable", std::move(dispatchOnly), kTakeLong, {I4(1)}, {}, E_INVALIDARG});
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        Target target;
        Arguments arguments(row.positional, row.named);
        Call call = Invoke(target, row.function, row.slot, arguments);
        EXPECT_EQ(call.hr, row.expected);
        EXPECT_EQ(call.argError, row.argError);
        EXPECT_EQ(call.result.vt, VT_EMPTY);
        EXPECT_EQ(target.calls, 0);
    }
}

TEST(InvokeThroughVtable, InconsistentParametersAreInvalid)
{
    Target target;
    TestFunction function(1, INVOKE_FUNC, {In(VT_I4)});
    const PreparedCall prepared(function.desc());
    EXPECT_EQ(
        InvokeThroughVtable(static_cast<ITarget*>(&target), prepared, kTakeLong, nullptr, nullptr, nullptr, nullptr),
        E_INVALIDARG);
    Arguments arguments({I4(1)});
    arguments.get()->cNamedArgs = 2;
    EXPECT_EQ(Invoke(target, function, kTakeLong, arguments).hr, E_INVALIDARG);
    arguments.get()->cNamedArgs = 0;
    EXPECT_EQ(InvokeThroughVtable(nullptr, prepared, kTakeLong, arguments.get(), nullptr, nullptr, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(target.calls, 0);
}

TEST(InvokeThroughVtable, ConversionOutOfMemoryIsReported)
{
    Target target;
    TestFunction function(1, INVOKE_FUNC, {In(VT_BSTR)});
    Arguments arguments({I4(5)});
    ScopedFault fault("SysAllocStringLen", 1, ERROR_NOT_ENOUGH_MEMORY);
    Call call = Invoke(target, function, kTakeBstr, arguments);
    EXPECT_EQ(call.hr, E_OUTOFMEMORY);
    EXPECT_EQ(call.argError, 0u);
    EXPECT_EQ(target.calls, 0);
}

TEST(InvokeThroughVtable, FailureBecomesExceptionWithItsCode)
{
    TestFunction function(1, INVOKE_FUNC, {Retval(VT_BSTR)});
    Arguments none({});

    Target plain;
    plain.failure = E_POINTER;
    Call call = Invoke(plain, function, kFail, none);
    EXPECT_EQ(call.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(call.exception.scode, E_POINTER);
    EXPECT_EQ(call.exception.wCode, 0);
    EXPECT_EQ(call.exception.bstrDescription, nullptr);
    EXPECT_EQ(call.exception.bstrSource, nullptr);
    EXPECT_EQ(call.result.vt, VT_EMPTY);

    TestErrorInfo error(u"Target", u"went wrong");
    Target explained;
    explained.errorToSet = &error;
    call = Invoke(explained, function, kFail, none);
    EXPECT_EQ(call.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(call.exception.scode, E_FAIL);
    EXPECT_EQ(TextOf(call.exception.bstrSource), u"Target");
    EXPECT_EQ(TextOf(call.exception.bstrDescription), u"went wrong");
    EXPECT_EQ(TextOf(call.exception.bstrHelpFile), u"help.chm");
    EXPECT_EQ(call.exception.dwHelpContext, 42u);
    EXPECT_EQ(error.references, 1);
    SysFreeString(call.exception.bstrSource);
    SysFreeString(call.exception.bstrDescription);
    SysFreeString(call.exception.bstrHelpFile);

    // An error object left from before the call does not describe this failure.
    TestErrorInfo stale(u"Earlier", u"stale");
    SetErrorInfo(0, &stale);
    call = Invoke(plain, function, kFail, none);
    EXPECT_EQ(call.exception.bstrDescription, nullptr);
    EXPECT_EQ(stale.references, 1);

    EXPECT_EQ(InvokeThroughVtable(static_cast<ITarget*>(&plain), PreparedCall(function.desc()), kFail, none.get(),
                                  nullptr, nullptr, nullptr),
              DISP_E_EXCEPTION);
}

// What one call did, as far as a caller or the callee can tell.
struct Outcome {
    HRESULT hr;
    std::string result;  // type:text
    UINT argError;
    HRESULT scode;
    std::string received;
    LONG counter;
    bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* os)
{
    *os << std::hex << o.hr << std::dec << " " << o.result << " " << o.argError << " " << std::hex << o.scode
        << std::dec << " " << o.received << " " << o.counter;
}

// Direct calls skip libffi for the shapes they cover; over each, both routes must agree.
TEST(InvokeThroughVtable, DirectCallsAgreeWithLibffi)
{
    struct Row {
        const char* name;
        TestFunction function;
        unsigned slot;
        std::vector<VARIANT> positional;  // a VT_BYREF|VT_I4 one points at the run's own counter
        std::vector<std::pair<DISPID, VARIANT>> named;
        bool direct;
        HRESULT failure = S_OK;
    };
    const VARIANT counter = ByRef(VT_I4, nullptr);
    std::vector<Row> rows;
    rows.push_back({"no parameters", TestFunction(1, INVOKE_FUNC, {}), kTouch, {}, {}, true});
    rows.push_back({"no parameters, failing", TestFunction(1, INVOKE_FUNC, {}), kTouch, {}, {}, true, E_POINTER});
    rows.push_back({"text converted", TestFunction(1, INVOKE_FUNC, {In(VT_BSTR)}), kTakeBstr, {I4(42)}, {}, true});
    rows.push_back(
        {"put", TestFunction(1, INVOKE_PROPERTYPUT, {In(VT_BSTR)}), kTakeBstr, {}, PutValue(Text(u"v")), true});
    rows.push_back(
        {"long that is no number", TestFunction(1, INVOKE_FUNC, {In(VT_I4)}), kTakeLong, {Text(u"abc")}, {}, true});
    rows.push_back({"bool", TestFunction(1, INVOKE_FUNC, {In(VT_BOOL)}), kTakeBool, {I4(1)}, {}, true});
    rows.push_back({"narrow integers",
                    TestFunction(1, INVOKE_FUNC, {In(VT_I2), In(VT_UI1), In(VT_UI4)}),
                    kTakeNarrow,
                    {I4(-3), I4(200), R8(4294967295.0)},
                    {},
                    true});
    rows.push_back({"text retval", TestFunction(1, INVOKE_PROPERTYGET, {Retval(VT_BSTR)}), kGetName, {}, {}, true});
    rows.push_back({"long retval", TestFunction(1, INVOKE_PROPERTYGET, {Retval(VT_I4)}), kGetCount, {}, {}, true});
    rows.push_back(
        {"variant retval", TestFunction(1, INVOKE_PROPERTYGET, {Retval(VT_VARIANT)}), kGetAny, {}, {}, true});
    rows.push_back(
        {"in/out by reference", TestFunction(1, INVOKE_FUNC, {InOut(VT_I4)}), kIncrement, {counter}, {}, true});
    rows.push_back(
        {"in/out by value", TestFunction(1, INVOKE_FUNC, {InOut(VT_I4)}), kIncrement, {Text(u"5")}, {}, true});
    rows.push_back({"failure with an out value",
                    TestFunction(1, INVOKE_FUNC, {Retval(VT_BSTR)}),
                    kFail,
                    {},
                    {},
                    true,
                    DISP_E_OVERFLOW});
    rows.push_back({"two in, named, and a retval",
                    TestFunction(1, INVOKE_FUNC, {In(VT_I4), In(VT_I4), Retval(VT_I4)}),
                    kSubtract,
                    {},
                    {{1, I4(3)}, {0, I4(10)}},
                    true});
    rows.push_back({"double", TestFunction(1, INVOKE_FUNC, {In(VT_R8)}), kTakeDouble, {I4(3)}, {}, false});
    rows.push_back({"variant", TestFunction(1, INVOKE_FUNC, {In(VT_VARIANT)}), kTakeVariant, {I4(5)}, {}, false});
    rows.push_back({"long returned", TestFunction(1, INVOKE_FUNC, {In(VT_I4)}, VT_I4), kTwice, {I4(21)}, {}, false});

    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(PreparedCall(row.function.desc()).direct(), row.direct && platform::kDirectCallsSound);
        EXPECT_FALSE(PreparedCall(row.function.desc(), CallRoute::kLibffi).direct());
        std::vector<Outcome> outcomes;
        for (CallRoute route : {CallRoute::kFastest, CallRoute::kLibffi}) {
            Outcome outcome{};
            outcome.counter = 41;
            std::vector<VARIANT> positional;
            for (const VARIANT& value : row.positional) {
                VARIANT copy{};
                if (value.vt == counter.vt) copy = ByRef(VT_I4, &outcome.counter);
                else EXPECT_EQ(VariantCopy(&copy, &value), S_OK);
                positional.push_back(copy);
            }
            std::vector<std::pair<DISPID, VARIANT>> named;
            for (const auto& [id, value] : row.named) {
                VARIANT copy{};
                EXPECT_EQ(VariantCopy(&copy, &value), S_OK);
                named.emplace_back(id, copy);
            }
            Arguments arguments(positional, named);
            Target target;
            target.failure = row.failure;
            target.touchResult = row.failure;
            Call call = Invoke(target, row.function, row.slot, arguments, route);
            VARIANT text{};
            const HRESULT converted = VariantChangeType(&text, &call.result, 0, VT_BSTR);
            const std::u16string wide = SUCCEEDED(converted) ? TextOf(text.bstrVal) : u"?";
            outcome.hr = call.hr;
            outcome.result = std::to_string(call.result.vt) + ":" + std::string(wide.begin(), wide.end());
            VariantClear(&text);
            VariantClear(&call.result);
            outcome.argError = call.argError;
            outcome.scode = call.exception.scode;
            outcome.received = target.received;
            outcomes.push_back(outcome);
        }
        EXPECT_EQ(outcomes[0], outcomes[1]);
    }
    for (Row& row : rows) {
        for (VARIANT& value : row.positional) VariantClear(&value);
        for (auto& [id, value] : row.named) VariantClear(&value);
    }
}

TEST(FunctionIndex, ChoosesByIdAndInvokeKind)
{
    // In table order; the DISPIDs of the inherited functions sort after the interface's own.
    const FunctionKey functions[] = {
        {0x60000000, INVOKE_FUNC}, {4, INVOKE_PROPERTYGET}, {1, INVOKE_PROPERTYGET}, {1, INVOKE_PROPERTYPUT},
        {2, INVOKE_PROPERTYPUT},   {3, INVOKE_FUNC},        {4, INVOKE_FUNC},        {4, INVOKE_PROPERTYGET},
    };
    const FunctionIndex index(functions);

    const WORD read = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    struct Row {
        const char* name;
        MEMBERID memid;
        WORD flags;
        std::optional<std::size_t> chosen;
    } rows[] = {
        {"script read of a property", 1, read, 2},
        {"get of a property", 1, DISPATCH_PROPERTYGET, 2},
        {"put of a property", 1, DISPATCH_PROPERTYPUT, 3},
        {"put of a put-only property", 2, DISPATCH_PROPERTYPUT, 4},
        {"read of a put-only property", 2, read, std::nullopt},
        {"script call of a method", 3, read, 5},
        {"method called as a method", 3, DISPATCH_METHOD, 5},
        {"method as a put", 3, DISPATCH_PROPERTYPUT, std::nullopt},
        {"first of one DISPID in table order", 4, read, 1},
        {"first of its kind in table order", 4, DISPATCH_METHOD, 6},
        {"put of a get-only property", 4, DISPATCH_PROPERTYPUT, std::nullopt},
        {"inherited member", 0x60000000, DISPATCH_METHOD, 0},
        {"unknown id", 9, read, std::nullopt},
        {"id below all", -5, read, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::size_t chosen = 99;
        const HRESULT hr = index.Select(row.memid, row.flags, &chosen);
        EXPECT_EQ(hr, row.chosen ? S_OK : DISP_E_MEMBERNOTFOUND);
        EXPECT_EQ(chosen, row.chosen.value_or(99));
    }
}

}  // namespace
}  // namespace quenvar::testing
