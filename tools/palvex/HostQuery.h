// One thread's way of asking hosts through the Palvex component: a new object for each host,
// bound late through IDispatch or early through the IPalvex table of functions. A query belongs
// to the thread that made it, which has initialised COM.
#pragma once

#include "platform/Win32.h"
#include "tools/palvex/QueryResult.h"

#include <memory>
#include <string>

namespace quenvar::tools {

class HostQuery {
public:
    virtual ~HostQuery() = default;
    // Creates a Palvex, puts the host into ServerURL, calls QueryServer and reads the results or
    // the error text. Never fails as a call: a failure is recorded in the result.
    virtual void Run(const std::string& host, QueryResult& result) = 0;
};

[[nodiscard]] std::unique_ptr<HostQuery> MakeLateBoundQuery(const CLSID& clsid);
[[nodiscard]] std::unique_ptr<HostQuery> MakeEarlyBoundQuery(const CLSID& clsid);

}  // namespace quenvar::tools
