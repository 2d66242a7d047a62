// A freshly initialised module record for each test, torn down as process detach would.
#pragma once

#include "module/ModuleState.h"

#include <gtest/gtest.h>

namespace quenvar::testing {

class ModuleFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        theModule = ModuleState{};
        theModule.size = kModuleStateSize;
        ASSERT_EQ(InitializeModule(&theModule, nullptr, reinterpret_cast<HINSTANCE>(0x10000)), S_OK);
    }
    void TearDown() override
    {
        EXPECT_EQ(theModule.lockCount, 0) << "an object or lock outlived its test";
        DeleteCriticalSection(&theModule.typeInfoLock);
        DeleteCriticalSection(&theModule.objectMapLock);
        if (theModule.heap != nullptr) HeapDestroy(theModule.heap);
        theModule = ModuleState{};
    }
};

}  // namespace quenvar::testing
