// Whether the process has one thread, as the C library tracks it. Then no other thread can see a
// lock word or a counter between a read and a write, and a plain instruction does what otherwise
// takes the bus lock of an atomic one (the platform maps no memory shared with another process).
// The C library clears the flag before a second thread starts, and that thread sees every plain
// store made before it, so a lock taken plainly is released atomically once there are more threads.
#pragma once

#include <sys/single_threaded.h>

namespace quenvar::platform {

inline bool OnlyThread() noexcept { return __libc_single_threaded != 0; }

}  // namespace quenvar::platform
