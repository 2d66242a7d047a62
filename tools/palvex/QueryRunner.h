// Queries a list of hosts on a number of threads, each with its own COM initialisation and its
// own HostQuery, and hands the results back in the order of the list.
#pragma once

#include "tools/palvex/HostQuery.h"

#include <functional>
#include <vector>

namespace quenvar::tools {

using HostQueryFactory = std::function<std::unique_ptr<HostQuery>()>;
// Called with each result as soon as it and every result before it are in; calls never overlap.
using ResultSink = std::function<void(const QueryResult&)>;
// Called after each finished query with the number finished so far; calls never overlap.
using ProgressSink = std::function<void(std::size_t finished)>;

// Runs min(jobs, hosts) threads; answers every result in input order.
[[nodiscard]] std::vector<QueryResult> RunQueries(const std::vector<std::string>& hosts, unsigned jobs,
                                                  const HostQueryFactory& makeQuery, const ResultSink& inOrder,
                                                  const ProgressSink& progress);

}  // namespace quenvar::tools
