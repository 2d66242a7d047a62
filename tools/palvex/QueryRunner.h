// Queries a list of hosts on a number of threads, each with its own COM initialisation and its
// own HostQuery, and hands the results on in the order of the list. Only the results that wait for
// an earlier one are held, so that a long list runs in little memory.
#pragma once

#include "tools/palvex/HostList.h"
#include "tools/palvex/HostQuery.h"

#include <functional>

namespace quenvar::tools {

using HostQueryFactory = std::function<std::unique_ptr<HostQuery>()>;
// Called with each result as soon as it and every result before it are in; calls never overlap.
using ResultSink = std::function<void(const QueryResult&)>;
// Called after each finished query with the number finished so far; calls never overlap.
using ProgressSink = std::function<void(std::size_t finished)>;

// Runs min(jobs, hosts) threads; hands every result to `inOrder`, in input order.
void RunQueries(const HostList& hosts, unsigned jobs, const HostQueryFactory& makeQuery, const ResultSink& inOrder,
                const ProgressSink& progress);

}  // namespace quenvar::tools
