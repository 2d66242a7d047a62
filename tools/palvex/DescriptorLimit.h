// How many jobs palvex's descriptors allow: each job holds one socket at a time, beside the
// descriptors the process holds anyway.
#pragma once

#include <string>

namespace quenvar::tools {

// Standard streams, the registry's files and locks, the libraries being opened and the sockets
// of the Internet client's name look-ups, with room to spare.
inline constexpr unsigned kDescriptorsBesideJobs = 32;

// Raises the process's soft descriptor limit to its hard limit, as a long run with many
// connections needs, and answers how many of `jobs` it then allows (at least one); when fewer
// than `jobs`, `warning` says so.
unsigned JobsTheDescriptorsAllow(unsigned jobs, std::string& warning);

}  // namespace quenvar::tools
