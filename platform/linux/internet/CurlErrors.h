// The one place where libcurl's results become the platform's Internet error codes.
#pragma once

#include "platform/Win32.h"

#include <curl/curl.h>

namespace quenvar::platform {

// `connected`: whether the failure came after the connection was made, while the answer was read.
// ERROR_INTERNET_INTERNAL_ERROR for a result that has no better match.
DWORD InternetErrorFromCurl(CURLcode result, bool connected);

}  // namespace quenvar::platform
