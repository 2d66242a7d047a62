#include "linux/internet/CurlHandles.h"

#include <unistd.h>

#include <memory>

namespace quenvar::platform {
namespace {

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

class ThreadHandles {
public:
    bool Get(CurlHandles& handles)
    {
        // A child has copies of its parent's handles, wake-up sockets included: cleaning the
        // copies up closes only the child's descriptors, and the child makes its own.
        const pid_t process = getpid();
        if (owner_ != process) {
            easy_.reset();
            multi_.reset();
            owner_ = process;
        }
        if (multi_ == nullptr) multi_.reset(curl_multi_init());
        if (easy_ == nullptr) easy_.reset(curl_easy_init());
        if (multi_ == nullptr || easy_ == nullptr) return false;
        handles = CurlHandles{multi_.get(), easy_.get()};
        return true;
    }

private:
    std::unique_ptr<CURLM, MultiDeleter> multi_;
    std::unique_ptr<CURL, EasyDeleter> easy_;
    pid_t owner_ = 0;
};

thread_local ThreadHandles threadHandles;

}  // namespace

bool ThreadCurlHandles(CurlHandles& handles) { return threadHandles.Get(handles); }

}  // namespace quenvar::platform
