// What one host's query left: the component's four values, or the text of its failure.
#pragma once

#include <string>

namespace quenvar::tools {

struct QueryResult {
    std::string host;
    bool ok = false;
    std::string httpVer;
    std::string serverSoftware;
    std::string contentLocation;
    std::string currentServerTime;
    std::string error;  // empty when ok
    long long elapsedMs = 0;
};

}  // namespace quenvar::tools
