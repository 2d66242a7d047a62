// QueryServer: one GET of the server named in ServerURL, whose answer's header fills the four
// result properties. Every handle and block has an owner, so a failure releases what was
// obtained, after the failed step's last error has been read.
#include "component/ErrorText.h"
#include "component/HeaderValue.h"
#include "component/InternetHandle.h"
#include "component/Palvex.h"
#include "module/ScratchBuffer.h"

#include <algorithm>
#include <climits>

namespace quenvar {
namespace {

constexpr char kAgent[] = "Ferrowin";
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

// Host names up to 127 characters and answer headers up to 4 KiB, nearly all there are, need no
// heap block.
using ServerNameBuffer = ScratchBuffer<256>;
using HeaderBuffer = ScratchBuffer<4096>;

// The host name in the ANSI code page, in 2n + 2 bytes so that double-byte characters fit; null
// when the buffer cannot be had.
const char* ServerNameInAnsi(BSTR serverURL, ServerNameBuffer& buffer) noexcept
{
    const UINT units = SysStringLen(serverURL);
    const SIZE_T bytes = 2 * SIZE_T{units} + 2;
    char* name = buffer.Get(bytes);
    if (name == nullptr) return nullptr;
    name[0] = '\0';
    // The string's length and its NUL, which spares the conversion a count; a NUL inside the
    // string still ends the name where it stands.
    WideCharToMultiByte(CP_ACP, /*flags=*/0, serverURL, static_cast<int>(std::min<SIZE_T>(SIZE_T{units} + 1, INT_MAX)),
                        name, static_cast<int>(std::min<SIZE_T>(bytes, INT_MAX)), /*defaultChar=*/nullptr,
                        /*usedDefaultChar=*/nullptr);
    return name;
}

}  // namespace

HRESULT Palvex::QueryServer() noexcept
{
    // The failed step's code is read first, before anything can change it.
    const auto fail = [this](const char* label) noexcept {
        const DWORD code = GetLastError();
        ComposeErrorText(code, label, errorInfo);
        return E_FAIL;
    };

    UniqueInternetHandle session(
        InternetOpenA(kAgent, INTERNET_OPEN_TYPE_DIRECT, /*proxy=*/nullptr, /*proxyBypass=*/nullptr, /*flags=*/0));
    if (!session) return fail("InternetOpen");

    ServerNameBuffer serverNameBuffer;
    const char* serverName = nullptr;
    if (serverURL) {
        serverName = ServerNameInAnsi(serverURL.get(), serverNameBuffer);
        if (serverName == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return fail("InternetConnect");
        }
    }
    UniqueInternetHandle connection(InternetConnectA(session.get(), serverName, INTERNET_INVALID_PORT_NUMBER, "", "",
                                                     INTERNET_SERVICE_HTTP,
                                                     /*flags=*/0, /*context=*/0));
    if (!connection) return fail("InternetConnect");

    UniqueInternetHandle request(HttpOpenRequestA(connection.get(), "GET", "", "HTTP/1.0", "",
                                                  /*acceptTypes=*/nullptr, kRequestFlags, /*context=*/0));
    if (!request) return fail("HttpOpenRequest");

    if (!HttpSendRequestA(request.get(), /*headers=*/nullptr, 0, /*optional=*/nullptr, 0)) return fail("HttpSend");

    DWORD status = 0;
    DWORD length = sizeof status;
    if (!HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length,
                        /*index=*/nullptr)) {
        return fail("HttpQueryInfo");
    }
    if (status == HTTP_STATUS_DENIED || status == HTTP_STATUS_PROXY_AUTH_REQ) {
        return fail("This page is password protected");
    }

    // Asked without a buffer, the client leaves the size that the header text needs in length.
    HttpQueryInfoA(request.get(), HTTP_QUERY_RAW_HEADERS_CRLF, /*buffer=*/nullptr, &length, /*index=*/nullptr);
    const SIZE_T headerSize = SIZE_T{length} + 1;
    // Without a block the fetch below fails, and its code tells why.
    HeaderBuffer headerBuffer;
    char* block = headerBuffer.Get(headerSize);
    if (!HttpQueryInfoA(request.get(), HTTP_QUERY_RAW_HEADERS_CRLF, block, &length, /*index=*/nullptr)) {
        return fail("HttpQueryInfo");
    }
    block[std::min<SIZE_T>(length, headerSize - 1)] = '\0';
    const HeaderText text(block);

    // A value lost for want of memory fails the query, since S_OK promises all four are the
    // answer's; all four are tried first, so none of those read is left from an earlier server.
    bool allRead = ExtractHeaderValue(/*prefix=*/nullptr, text, httpVer, ' ');
    allRead &= ExtractHeaderValue("Server:", text, serverSoftware, '\r');
    allRead &= ExtractHeaderValue("Content-Location:", text, contentLocation, '\r');
    allRead &= ExtractHeaderValue("Date:", text, currentServerTime, '\r');
    if (!allRead) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return fail("HttpQueryInfo");
    }

    if (!CloseNow(request)) return fail("CloseHandle on hReq");
    if (!CloseNow(connection)) return fail("CloseHandle on hConnect");
    if (!CloseNow(session)) return fail("CloseHandle on hOpen");
    return S_OK;
}

}  // namespace quenvar
