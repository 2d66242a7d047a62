// A thread whose stack is sized to its work rather than the system's default, so that thousands
// of them fit in little memory. Joined when the object goes.
#pragma once

#include <pthread.h>

#include <cstddef>
#include <functional>
#include <memory>

namespace quenvar::tools {

class SmallStackThread {
public:
    // Runs `body` on a new thread with a stack of `stackBytes`. Throws std::system_error when the
    // thread cannot be started.
    SmallStackThread(std::size_t stackBytes, std::function<void()> body);
    ~SmallStackThread();
    SmallStackThread(const SmallStackThread&) = delete;
    SmallStackThread& operator=(const SmallStackThread&) = delete;

private:
    static void* Start(void* body);

    std::unique_ptr<std::function<void()>> body_;
    pthread_t thread_{};
};

}  // namespace quenvar::tools
