// libcurl's multi interface drives the exchange so that our own loop can hold the receive
// deadline: libcurl's time-outs cannot tell the connection from the header read, and a server that
// drips its header must not stretch the read.
//
// The multi and easy handles are the thread's own and outlive the exchange (CurlHandles.h), so
// every exchange's options make it stand alone: a fresh connection closed at the end, no resolved
// address kept (a name's new address is seen at once), and the easy handle reset on the way out.
#include "linux/internet/HttpExchange.h"

#include "linux/internet/CurlErrors.h"
#include "linux/internet/CurlHandles.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>

namespace quenvar::platform {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxPollMs = 1000;

// The thread's easy handle inside its multi handle for one exchange. On the way out it leaves the
// multi handle, which closes a connection still open, and is reset, so that no option or pointer
// of this exchange is left for the next.
class Transfer {
public:
    explicit Transfer(const CurlHandles& handles) : handles_(handles) {}
    ~Transfer()
    {
        if (added_) curl_multi_remove_handle(handles_.multi, handles_.easy);
        curl_easy_reset(handles_.easy);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;
    bool Add()
    {
        added_ = curl_multi_add_handle(handles_.multi, handles_.easy) == CURLM_OK;
        return added_;
    }

private:
    CurlHandles handles_;
    bool added_ = false;
};

// What the callbacks learn while libcurl reads.
struct ExchangeState {
    std::optional<Clock::time_point> connectedAt;
    std::string header;  // the current answer's header in CR LF form
    DWORD status = 0;
    bool complete = false;
    bool invalid = false;  // malformed status line or header over the bound
    bool outOfMemory = false;
};

bool ParseStatus(std::string_view line, DWORD& status)
{
    const std::size_t blank = line.find(' ');
    if (!line.starts_with("HTTP/") || blank == std::string_view::npos || line.size() < blank + 4) return false;
    status = 0;
    for (char c : line.substr(blank + 1, 3)) {
        if (c < '0' || c > '9') return false;
        status = status * 10 + static_cast<DWORD>(c - '0');
    }
    return line.size() == blank + 4 || line[blank + 4] == ' ';
}

// One header line as libcurl received it, its line end included. Answering anything but `bytes`
// ends the transfer; that is how the read stops at the end of the header, before the body.
size_t OnHeaderLine(char* data, size_t size, size_t count, void* user) noexcept
{
    auto& state = *static_cast<ExchangeState*>(user);
    const size_t bytes = size * count;
    std::string_view line(data, bytes);
    if (line.ends_with('\n')) line.remove_suffix(1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    try {
        if (line.empty() && !state.header.empty()) {
            if (state.status >= 100 && state.status < 200) {
                state.header.clear();  // an interim answer; the final one follows
                return bytes;
            }
            state.header += "\r\n";
            state.complete = true;
            return 0;
        }
        if (state.header.empty() && !ParseStatus(line, state.status)) {
            state.invalid = true;
            return 0;
        }
        if (state.header.size() + line.size() + 4 > kMaxHeaderBytes) {
            state.invalid = true;
            return 0;
        }
        state.header.append(line).append("\r\n");
        return bytes;
    } catch (const std::bad_alloc&) {
        state.outOfMemory = true;
        return 0;
    }
}

size_t RefuseBody(char*, size_t, size_t, void*) noexcept { return 0; }

int OnConnected(void* user, char*, char*, int, int) noexcept
{
    static_cast<ExchangeState*>(user)->connectedAt = Clock::now();
    return CURL_PREREQFUNC_OK;
}

// The request as libcurl options; false when libcurl refuses one of them.
bool Configure(CURL* easy, const HttpRequest& request, const ServerAddress& server, DWORD connectTimeoutMs,
               DWORD receiveTimeoutMs, curl_slist& headers, ExchangeState& state)
{
    const std::string url = "http://" + server.urlHost + ":" + std::to_string(server.port) + "/";
    const long connectMs = static_cast<long>(connectTimeoutMs);
    const long totalMs = static_cast<long>(connectTimeoutMs) + static_cast<long>(receiveTimeoutMs);
    bool ok = curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http") == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_REQUEST_TARGET, request.target.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_HTTP_VERSION,
                                request.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1) == CURLE_OK;
    if (request.verb != "GET") ok = ok && curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.verb.c_str()) == CURLE_OK;
    if (!request.agent.empty()) ok = ok && curl_easy_setopt(easy, CURLOPT_USERAGENT, request.agent.c_str()) == CURLE_OK;
    if (!request.referrer.empty()) ok = ok && curl_easy_setopt(easy, CURLOPT_REFERER, request.referrer.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_HTTPHEADER, &headers) == CURLE_OK;
    // Direct access whatever the environment says, and nothing kept or reused between sends.
    ok = ok && curl_easy_setopt(easy, CURLOPT_PROXY, "") == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_NOPROXY, "*") == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_DNS_CACHE_TIMEOUT, 0L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, connectMs) == CURLE_OK;
    // A backstop only: the loop holds the receive deadline from the moment of connection.
    ok = ok && curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, totalMs) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeaderLine) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_HEADERDATA, &state) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, RefuseBody) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, OnConnected) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_PREREQDATA, &state) == CURLE_OK;
    return ok;
}

// libcurl's default "Accept: */*" is removed by naming the header without a value.
std::string AcceptHeader(const HttpRequest& request)
{
    return request.accept.empty() ? "Accept:" : "Accept: " + request.accept;
}

void InitializeCurlOnce()
{
    static const CURLcode initialized = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)initialized;
}

}  // namespace

DWORD RunHttpExchange(const HttpRequest& request, const ServerAddress& server, DWORD connectTimeoutMs,
                      DWORD receiveTimeoutMs, HttpAnswer& answer)
{
    InitializeCurlOnce();
    CurlHandles handles{};
    if (!ThreadCurlHandles(handles)) return ERROR_NOT_ENOUGH_MEMORY;
    // libcurl only reads the list, so one node of our own does without its copies.
    std::string accept = AcceptHeader(request);
    curl_slist headers{accept.data(), nullptr};
    ExchangeState state;
    Transfer transfer(handles);  // after what the options point to, so it is undone first
    if (!Configure(handles.easy, request, server, connectTimeoutMs, receiveTimeoutMs, headers, state)) {
        return ERROR_INTERNET_INTERNAL_ERROR;
    }
    if (!transfer.Add()) return ERROR_INTERNET_INTERNAL_ERROR;

    const Clock::time_point start = Clock::now();
    const auto receive = std::chrono::milliseconds(receiveTimeoutMs);
    const auto backstop = start + std::chrono::milliseconds(connectTimeoutMs) + receive;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(handles.multi, &running) != CURLM_OK) return ERROR_INTERNET_INTERNAL_ERROR;
        if (running == 0) break;
        const Clock::time_point deadline = state.connectedAt ? *state.connectedAt + receive : backstop;
        const Clock::time_point now = Clock::now();
        if (now >= deadline) return ERROR_INTERNET_TIMEOUT;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        const int waitMs = static_cast<int>(std::min<decltype(left)>(left, kMaxPollMs));
        if (curl_multi_poll(handles.multi, nullptr, 0, waitMs, nullptr) != CURLM_OK) {
            return ERROR_INTERNET_INTERNAL_ERROR;
        }
    }

    if (state.complete) {
        answer.status = state.status;
        answer.rawHeader = std::move(state.header);
        return ERROR_SUCCESS;
    }
    if (state.invalid) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    if (state.outOfMemory) return ERROR_NOT_ENOUGH_MEMORY;
    int queued = 0;
    const CURLMsg* message = curl_multi_info_read(handles.multi, &queued);
    const CURLcode result = message != nullptr ? message->data.result : CURLE_OK;
    // A transfer that ended without the header's empty line had no complete answer.
    if (result == CURLE_OK) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    return InternetErrorFromCurl(result, state.connectedAt.has_value());
}

}  // namespace quenvar::platform
