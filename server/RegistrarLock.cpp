#include "server/RegistrarLock.h"

#include "module/LastErrorResult.h"

namespace quenvar {
namespace {

constexpr char kMutexName[] = "Quenvar.Registrar";

}  // namespace

RegistrarLock::RegistrarLock() noexcept : mutex_(CreateMutexA(nullptr, FALSE, kMutexName))
{
    if (!mutex_) {
        status_ = LastErrorResult();
        return;
    }
    // An abandoned mutex is ours too: a registrar that died left the registry consistent, each of
    // its changes being one transaction, and the next run makes it whole.
    const DWORD waited = WaitForSingleObject(mutex_.get(), INFINITE);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) status_ = LastErrorResult();
}

RegistrarLock::~RegistrarLock()
{
    if (SUCCEEDED(status_)) ReleaseMutex(mutex_.get());
}

}  // namespace quenvar
