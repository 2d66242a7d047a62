#include "tools/palvex/Timeouts.h"

#include "tools/support/StatusText.h"

namespace quenvar::tools {

bool SetQueryTimeouts(DWORD milliseconds, std::string& error)
{
    for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD value = milliseconds;
        if (!InternetSetOptionA(nullptr, option, &value, sizeof value)) {
            error = "cannot set the time-out: " + DescribeStatus(GetLastError());
            return false;
        }
    }
    return true;
}

}  // namespace quenvar::tools
