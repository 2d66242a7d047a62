// The query through IDispatch, as a script makes it: members by name, resolved once per thread,
// then Invoke with DISPATCH_PROPERTYPUT, DISPATCH_METHOD and DISPATCH_PROPERTYGET.
#include "platform/UniqueInterface.h"
#include "tools/palvex/HostQuery.h"
#include "tools/support/StatusText.h"
#include "tools/support/Utf8Text.h"

#include <array>
#include <optional>
#include <utility>

namespace quenvar::tools {
namespace {

enum Member { kServerURL, kQueryServer, kHTTPVer, kServerSoftware, kContentLocation, kCurrentServerTime, kErrorInfo };
constexpr std::array<const char16_t*, 7> kMemberNames = {u"ServerURL",      u"QueryServer",     u"HTTPVer",
                                                         u"ServerSoftware", u"ContentLocation", u"CurrentServerTime",
                                                         u"ErrorInfo"};

// Frees the strings that a failed Invoke may leave in its exception information.
class ExceptionInfo {
public:
    ExceptionInfo() = default;
    ExceptionInfo(const ExceptionInfo&) = delete;
    ExceptionInfo& operator=(const ExceptionInfo&) = delete;
    ~ExceptionInfo()
    {
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
    }
    EXCEPINFO info{};
};

class Variant {
public:
    Variant() { VariantInit(&value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&value); }
    VARIANT value;
};

class LateBoundQuery final : public HostQuery {
public:
    explicit LateBoundQuery(PalvexMaker make) : make_(std::move(make)) {}

    void Run(const std::string& host, QueryResult& result) override
    {
        UniqueInterface<IDispatch> palvex;
        HRESULT hr = make_(IID_IDispatch, PutVoid(palvex));
        if (FAILED(hr)) {
            result.error = "cannot create Palvex: " + DescribeStatus(static_cast<DWORD>(hr));
            return;
        }
        if (!ids_ && !ResolveNames(palvex.get(), result.error)) return;

        const UniqueBstr serverURL = BstrFromUtf8(host);
        hr = PutServerURL(palvex.get(), serverURL.get());
        if (FAILED(hr)) {
            result.error = "cannot put ServerURL: " + DescribeStatus(static_cast<DWORD>(hr));
            return;
        }
        ExceptionInfo exception;
        DISPPARAMS noArguments{nullptr, nullptr, 0, 0};
        hr = palvex.get()->Invoke((*ids_)[kQueryServer], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &noArguments,
                                  nullptr, &exception.info, nullptr);
        if (hr == DISP_E_EXCEPTION) {
            // The query itself failed; the component says why in ErrorInfo.
            result.error = Get(palvex.get(), kErrorInfo);
            if (result.error.empty()) result.error = ExceptionText(exception.info);
            return;
        }
        if (FAILED(hr)) {
            result.error = "cannot call QueryServer: " + DescribeStatus(static_cast<DWORD>(hr));
            return;
        }
        result.httpVer = Get(palvex.get(), kHTTPVer);
        result.serverSoftware = Get(palvex.get(), kServerSoftware);
        result.contentLocation = Get(palvex.get(), kContentLocation);
        result.currentServerTime = Get(palvex.get(), kCurrentServerTime);
        result.ok = true;
    }

private:
    bool ResolveNames(IDispatch* palvex, std::string& error)
    {
        std::array<DISPID, kMemberNames.size()> ids{};
        for (std::size_t i = 0; i < kMemberNames.size(); ++i) {
            LPOLESTR name = const_cast<LPOLESTR>(kMemberNames[i]);
            const HRESULT hr = palvex->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &ids[i]);
            if (FAILED(hr)) {
                error = "cannot find member " + Utf8FromWide(kMemberNames[i]) + ": " +
                        DescribeStatus(static_cast<DWORD>(hr));
                return false;
            }
        }
        ids_ = ids;
        return true;
    }

    HRESULT PutServerURL(IDispatch* palvex, BSTR serverURL) const
    {
        VARIANT argument;
        VariantInit(&argument);
        argument.vt = VT_BSTR;
        argument.bstrVal = serverURL;  // still owned by the caller
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS parameters{&argument, &named, 1, 1};
        return palvex->Invoke((*ids_)[kServerURL], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &parameters,
                              nullptr, nullptr, nullptr);
    }

    // A property's text; "" when it cannot be read.
    std::string Get(IDispatch* palvex, Member member) const
    {
        Variant value;
        DISPPARAMS noArguments{nullptr, nullptr, 0, 0};
        const HRESULT hr = palvex->Invoke((*ids_)[member], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                          &noArguments, &value.value, nullptr, nullptr);
        return SUCCEEDED(hr) && value.value.vt == VT_BSTR ? Utf8FromBstr(value.value.bstrVal) : std::string();
    }

    static std::string ExceptionText(EXCEPINFO& info)
    {
        if (info.pfnDeferredFillIn != nullptr) info.pfnDeferredFillIn(&info);
        if (SysStringLen(info.bstrDescription) != 0) return Utf8FromBstr(info.bstrDescription);
        return DescribeStatus(static_cast<DWORD>(info.scode != 0 ? info.scode : DISP_E_EXCEPTION));
    }

    PalvexMaker make_;
    std::optional<std::array<DISPID, kMemberNames.size()>> ids_;
};

}  // namespace

std::unique_ptr<HostQuery> MakeLateBoundQuery(PalvexMaker make)
{
    return std::make_unique<LateBoundQuery>(std::move(make));
}

}  // namespace quenvar::tools
