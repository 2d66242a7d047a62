#include "tools/palvex/SmallStackThread.h"

#include <system_error>

namespace quenvar::tools {

SmallStackThread::SmallStackThread(std::size_t stackBytes, std::function<void()> body)
    : body_(std::make_unique<std::function<void()>>(std::move(body)))
{
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    int error = pthread_attr_setstacksize(&attributes, stackBytes);
    if (error == 0) error = pthread_create(&thread_, &attributes, Start, body_.get());
    pthread_attr_destroy(&attributes);
    if (error != 0) throw std::system_error(error, std::generic_category(), "cannot start a thread");
}

SmallStackThread::~SmallStackThread() { pthread_join(thread_, nullptr); }

void* SmallStackThread::Start(void* body)
{
    (*static_cast<std::function<void()>*>(body))();
    return nullptr;
}

}  // namespace quenvar::tools
