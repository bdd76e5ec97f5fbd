#include "core/RuntimeError.h"

#include <gtest/gtest.h>
#include <optional>

namespace orv {
namespace {

[[gnu::noinline]] std::optional<int> CountOrThrow(bool fail) {
    if (fail) throw RuntimeError(ErrorNumber::UnknownName, "no such table");
    return 42;
}

// The shape the compiler got wrong: a value assigned inside a try block whose right-hand side
// throws. At -O1 and above GCC 12 dropped the optional's "empty" store, so the caller read
// whatever the stack held.
[[gnu::noinline]] std::optional<int> AssignedInsideTry(bool fail) {
    std::optional<int> count;
    try {
        count = CountOrThrow(fail);
    } catch (const RuntimeError&) {
    }
    return count;
}

// Leaves non-zero bytes where the next call's locals will lie.
[[gnu::noinline]] void DirtyTheStack() {
    volatile unsigned char junk[4096];
    for (auto& byte : junk) byte = 0xff;
}

TEST(GuardShape, AnAssignmentWhoseRightHandSideThrowsLeavesTheEarlierValue) {
    DirtyTheStack();
    EXPECT_FALSE(AssignedInsideTry(true).has_value());
    EXPECT_EQ(AssignedInsideTry(false), 42);
}

TEST(GuardShape, TryStepGivesTheValueOrNothing) {
    DirtyTheStack();
    EXPECT_FALSE(TryStep([] { return CountOrThrow(true); }).has_value());
    EXPECT_EQ(TryStep([] { return CountOrThrow(false); }), std::optional<std::optional<int>>(42));
    EXPECT_FALSE(TryStep([] { CountOrThrow(true); }));
    EXPECT_TRUE(TryStep([] { CountOrThrow(false); }));
}

}  // namespace
}  // namespace orv
