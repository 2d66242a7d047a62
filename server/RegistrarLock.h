// One registrar at a time: DllRegisterServer and DllUnregisterServer, in any process of the user,
// run whole while holding one named mutex. Without it a second registration's ForceRemove pulls
// the class key from under the first one's key creation, and that run's rollback then removes
// what the other had just reported registered.
#pragma once

#include "platform/UniqueHandle.h"

namespace quenvar {

class RegistrarLock {
public:
    // Waits as long as another registrar runs.
    RegistrarLock() noexcept;
    ~RegistrarLock();
    RegistrarLock(const RegistrarLock&) = delete;
    RegistrarLock& operator=(const RegistrarLock&) = delete;

    // S_OK while the lock is held; else the failure to create or wait for the mutex, and the
    // registrar must not run.
    HRESULT Status() const noexcept { return status_; }

private:
    UniqueKernelHandle mutex_;
    HRESULT status_ = S_OK;
};

}  // namespace quenvar
