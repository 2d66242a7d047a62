// One thread's way of asking hosts through the Palvex component: a new object for each host,
// bound late through IDispatch or early through the IPalvex table of functions. A query belongs
// to the thread that made it, which has initialised COM.
#pragma once

#include "platform/Win32.h"
#include "tools/palvex/QueryResult.h"

#include <functional>
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

// Makes a new Palvex and answers the interface asked for: palvex's class object, or a host's
// activation by class id.
using PalvexMaker = std::function<HRESULT(REFIID iid, void** object)>;

[[nodiscard]] std::unique_ptr<HostQuery> MakeLateBoundQuery(PalvexMaker make);
[[nodiscard]] std::unique_ptr<HostQuery> MakeEarlyBoundQuery(PalvexMaker make);

}  // namespace quenvar::tools
