// The query through the IPalvex table of functions, as a compiled client makes it.
#include "component/IPalvex.h"
#include "tools/palvex/ComPtr.h"
#include "tools/palvex/HostQuery.h"
#include "tools/support/StatusText.h"
#include "tools/support/Utf8Text.h"

namespace quenvar::tools {
namespace {

using Getter = HRESULT (STDMETHODCALLTYPE IPalvex::*)(BSTR*);

class EarlyBoundQuery final : public HostQuery {
public:
    explicit EarlyBoundQuery(const CLSID& clsid) : clsid_(clsid) {}

    void Run(const std::string& host, QueryResult& result) override
    {
        ComPtr<IPalvex> palvex;
        HRESULT hr = CoCreateInstance(clsid_, nullptr, CLSCTX_INPROC_SERVER, IID_IPalvex, PutVoid(palvex));
        if (FAILED(hr)) {
            result.error = "cannot create Palvex: " + DescribeStatus(static_cast<DWORD>(hr));
            return;
        }
        const UniqueBstr serverURL(SysAllocString(WideFromUtf8(host).c_str()));
        hr = palvex.get()->put_ServerURL(serverURL.get());
        if (FAILED(hr)) {
            result.error = "cannot put ServerURL: " + DescribeStatus(static_cast<DWORD>(hr));
            return;
        }
        hr = palvex.get()->QueryServer();
        if (FAILED(hr)) {
            result.error = Read(palvex.get(), &IPalvex::get_ErrorInfo);
            if (result.error.empty()) result.error = DescribeStatus(static_cast<DWORD>(hr));
            return;
        }
        result.httpVer = Read(palvex.get(), &IPalvex::get_HTTPVer);
        result.serverSoftware = Read(palvex.get(), &IPalvex::get_ServerSoftware);
        result.contentLocation = Read(palvex.get(), &IPalvex::get_ContentLocation);
        result.currentServerTime = Read(palvex.get(), &IPalvex::get_CurrentServerTime);
        result.ok = true;
    }

private:
    static std::string Read(IPalvex* palvex, Getter getter)
    {
        UniqueBstr value;
        return SUCCEEDED((palvex->*getter)(value.put())) ? Utf8FromBstr(value.get()) : std::string();
    }

    CLSID clsid_;
};

}  // namespace

std::unique_ptr<HostQuery> MakeEarlyBoundQuery(const CLSID& clsid) { return std::make_unique<EarlyBoundQuery>(clsid); }

}  // namespace quenvar::tools
