#pragma once

#include "platform/result.h"

#include <gtest/gtest.h>

namespace tvx::test {

// EXPECT_TRUE(Succeeded(...)) shows the reason of a failure.
inline ::testing::AssertionResult Succeeded(const Status& status) {
    if (status) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << status.reason().toStdString();
}

} // namespace tvx::test
