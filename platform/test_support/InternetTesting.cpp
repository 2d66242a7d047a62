#include "platform/test_support/InternetTesting.h"

#include "linux/edge/TestHooks.h"

namespace quenvar::testing {

void SetExtendedErrorText(const char* text) { QuenvarTestSetExtendedErrorText(text); }

std::size_t OpenInternetHandles() { return QuenvarTestOpenInternetHandles(); }

}  // namespace quenvar::testing
