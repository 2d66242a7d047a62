// The query through the IPalvex table of functions, as a compiled client makes it.
#include "component/IPalvex.h"
#include "platform/UniqueInterface.h"
#include "tools/palvex/HostQuery.h"
#include "tools/support/StatusText.h"
#include "tools/support/Utf8Text.h"

#include <utility>

namespace quenvar::tools {
namespace {

using Getter = HRESULT (STDMETHODCALLTYPE IPalvex::*)(BSTR*);

class EarlyBoundQuery final : public HostQuery {
public:
    explicit EarlyBoundQuery(PalvexMaker make) : make_(std::move(make)) {}

    void Run(const std::string& host, QueryResult& result) override
    {
        UniqueInterface<IPalvex> palvex;
        HRESULT hr = make_(IID_IPalvex, PutVoid(palvex));
        if (FAILED(hr)) {
            result.error = "cannot create Palvex: " + DescribeStatus(static_cast<DWORD>(hr));
            return;
        }
        const UniqueBstr serverURL = BstrFromUtf8(host);
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

    PalvexMaker make_;
};

}  // namespace

std::unique_ptr<HostQuery> MakeEarlyBoundQuery(PalvexMaker make)
{
    return std::make_unique<EarlyBoundQuery>(std::move(make));
}

}  // namespace quenvar::tools
