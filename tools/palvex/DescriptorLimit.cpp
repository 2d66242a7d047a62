#include "tools/palvex/DescriptorLimit.h"

#include <sys/resource.h>

#include <algorithm>

namespace quenvar::tools {

unsigned JobsTheDescriptorsAllow(unsigned jobs, std::string& warning)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return jobs;
    if (limit.rlim_cur != limit.rlim_max) {
        const rlimit raised{limit.rlim_max, limit.rlim_max};
        // The hard limit may lie above what the kernel allows; the soft one then stays.
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
    }
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= rlim_t{jobs} + kDescriptorsBesideJobs) return jobs;
    const unsigned allowed = static_cast<unsigned>(
        std::max<rlim_t>(limit.rlim_cur > kDescriptorsBesideJobs ? limit.rlim_cur - kDescriptorsBesideJobs : 0, 1));
    warning = "the descriptor limit (" + std::to_string(limit.rlim_cur) + ") allows " + std::to_string(allowed) +
              " jobs at once: running " + std::to_string(allowed) + " instead of " + std::to_string(jobs);
    return allowed;
}

}  // namespace quenvar::tools
