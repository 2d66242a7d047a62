#include "linux/edge/FaultGate.h"

namespace quenvar::platform {

std::atomic<QuenvarFaultHook> faultHook{nullptr};

}  // namespace quenvar::platform

void QuenvarTestSetFaultHook(QuenvarFaultHook hook) noexcept
{
    quenvar::platform::faultHook.store(hook, std::memory_order_release);
}
