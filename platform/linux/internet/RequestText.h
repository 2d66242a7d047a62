// Checks on the texts that go into a request line or header, so that none of them can end a
// line early and forge another.
#pragma once

#include "linux/internet/InternetHandles.h"

#include <string>
#include <string_view>

namespace quenvar::platform {

// A control character: below 0x20, or DEL.
bool HasControlCharacter(std::string_view text);

// An HTTP method name: one or more token characters.
bool IsMethodToken(std::string_view text);

// The request target of an object name: "/" for "", a leading '/' added when missing, blanks
// written as %20. Throws std::bad_alloc.
std::string RequestTarget(std::string_view objectName);

// The request as it goes on the wire, in `bytes` (which a caller may reuse from one request to
// the next): request line, Host (with the port unless it is 80), User-Agent, Referer and Accept
// when given, and the empty line. Throws std::bad_alloc.
void ComposeRequest(const HttpRequest& request, std::string_view host, INTERNET_PORT port, std::string& bytes);

}  // namespace quenvar::platform
