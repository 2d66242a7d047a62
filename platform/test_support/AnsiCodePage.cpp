#include "platform/test_support/FaultInjection.h"

#include "linux/edge/TestHooks.h"

bool quenvar::testing::SetAnsiCodePage(UINT codePage) { return QuenvarTestSetAnsiCodePage(codePage) != FALSE; }
