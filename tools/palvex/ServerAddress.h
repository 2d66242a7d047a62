// What the user names a host by, as the text the component's ServerURL takes.
#pragma once

#include <string>
#include <string_view>

namespace quenvar::tools {

// `host[:port]` stays as it is. An `http://` URL gives its `host[:port]` (the path, query and
// fragment are dropped: the component asks a server about itself, not about a page). false, with
// a message for the user in `error`, for `https://` and every other scheme (the component speaks
// plain HTTP), for a URL with user information, for a URL without a host, and for a host that
// holds a control character (a NUL among them).
[[nodiscard]] bool ServerFromHost(std::string_view host, std::string& server, std::string& error);

}  // namespace quenvar::tools
