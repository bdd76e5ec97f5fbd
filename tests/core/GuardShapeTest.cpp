#include "core/RuntimeError.h"

#include <cstring>
#include <gtest/gtest.h>
#include <optional>

namespace orv {
namespace {

[[gnu::noinline]] std::optional<int> CountOrThrow(bool fail) {
    if (fail) throw RuntimeError(ErrorNumber::UnknownName, "no such table");
    return 42;
}

// The shape the compiler got wrong: a value assigned inside a try block whose right-hand side
// throws. At -O1 and above GCC 12 dropped the optional's "empty" store, so the caller received
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

// The byte that says whether the optional holds a value (libstdc++ keeps it after the value), read
// as stored: an optimiser may take a bool that is neither 0 nor 1 for either.
unsigned char EngagedByte(const std::optional<int>& value) {
    static_assert(sizeof(std::optional<int>) == 2 * sizeof(int));
    unsigned char byte = 0;
    std::memcpy(&byte, reinterpret_cast<const unsigned char*>(&value) + sizeof(int), 1);
    return byte;
}

// Read at run time, so that the compiler cannot make a copy of the function for one answer.
volatile bool gFail = true;

TEST(GuardShape, AnAssignmentWhoseRightHandSideThrowsLeavesTheEarlierValue) {
    gFail = true;
    DirtyTheStack();
    const std::optional<int> failed = AssignedInsideTry(gFail);
    EXPECT_EQ(EngagedByte(failed), 0);
    gFail = false;
    EXPECT_EQ(AssignedInsideTry(gFail), 42);
}

TEST(GuardShape, TryStepGivesTheValueOrNothing) {
    EXPECT_FALSE(tryStep([] { return CountOrThrow(true); }).has_value());
    EXPECT_EQ(tryStep([] { return CountOrThrow(false); }), std::optional<std::optional<int>>(42));
    EXPECT_FALSE(tryStep([] { CountOrThrow(true); }));
    EXPECT_TRUE(tryStep([] { CountOrThrow(false); }));
}

}  // namespace
}  // namespace orv
