#include "linux/internet/ExchangeErrors.h"

#include <netdb.h>

#include <cerrno>

namespace quenvar::platform {
namespace {

constexpr int kAnyOther = 0;

struct ErrorMapping {
    ExchangeStep step;
    int code;
    DWORD error;
};

// The first row of the step that names the code wins; each step ends with its fallback.
constexpr ErrorMapping kErrors[] = {
    {ExchangeStep::Resolve, ETIMEDOUT, ERROR_INTERNET_TIMEOUT},
    {ExchangeStep::Resolve, EAI_MEMORY, ERROR_NOT_ENOUGH_MEMORY},
    {ExchangeStep::Resolve, EAGAIN, ERROR_NO_SYSTEM_RESOURCES},  // no thread for the look-up
    {ExchangeStep::Resolve, kAnyOther, ERROR_INTERNET_NAME_NOT_RESOLVED},
    {ExchangeStep::Connect, ETIMEDOUT, ERROR_INTERNET_TIMEOUT},
    {ExchangeStep::Connect, ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {ExchangeStep::Connect, EMFILE, ERROR_NO_SYSTEM_RESOURCES},  // no descriptor for the socket
    {ExchangeStep::Connect, ENFILE, ERROR_NO_SYSTEM_RESOURCES},
    {ExchangeStep::Connect, kAnyOther, ERROR_INTERNET_CANNOT_CONNECT},
    {ExchangeStep::Send, ETIMEDOUT, ERROR_INTERNET_TIMEOUT},
    {ExchangeStep::Send, kAnyOther, ERROR_INTERNET_CONNECTION_ABORTED},
    {ExchangeStep::Receive, ETIMEDOUT, ERROR_INTERNET_TIMEOUT},
    {ExchangeStep::Receive, kAnyOther, ERROR_INTERNET_CONNECTION_RESET},
};

}  // namespace

DWORD InternetErrorFrom(ExchangeStep step, int code)
{
    for (const ErrorMapping& mapping : kErrors) {
        if (mapping.step == step && (mapping.code == code || mapping.code == kAnyOther)) return mapping.error;
    }
    return ERROR_INTERNET_INTERNAL_ERROR;
}

}  // namespace quenvar::platform
