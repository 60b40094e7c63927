// The counted heap, its limit and the undo-reducing allocators.
#include <gtest/gtest.h>

#include "engine/memory.h"
#include "okacore.h"

namespace {

TEST(Memory, BuffersAreCountedAndReleased) {
    const size_t base = oka::memory_in_use();
    {
        auto b = oka::Buffer<uint16_t>::allocate(1000);
        EXPECT_EQ(oka::memory_in_use(), base + 2000);
        auto moved = std::move(b);
        EXPECT_FALSE(b);
        EXPECT_TRUE(moved);
        EXPECT_EQ(oka::memory_in_use(), base + 2000);
    }
    EXPECT_EQ(oka::memory_in_use(), base);
}

TEST(Memory, LimitMakesLargeRequestsFail) {
    OKA_SetMemoryLimitMB(1);
    EXPECT_THROW(oka::Buffer<uint8_t>::allocate(2 << 20), std::bad_alloc);
    EXPECT_FALSE(oka::new_char_undo_reduce(2 << 20));
    EXPECT_FALSE(oka::new_short_undo_reduce(1 << 20));
    EXPECT_EQ(OKA_Alloc(2 << 20), nullptr);
    EXPECT_TRUE(oka::new_char_undo_reduce(1000));
    OKA_SetMemoryLimitMB(0);
    EXPECT_TRUE(oka::new_char_undo_reduce(2 << 20));
}

TEST(Memory, OverflowingSizesFail) {
    EXPECT_THROW(oka::Buffer<uint64_t>::allocate(SIZE_MAX / 4), std::bad_alloc);
    EXPECT_FALSE(oka::new_short_undo_reduce(SIZE_MAX / 2 + 7));
    size_t out;
    EXPECT_FALSE(oka::checked_mul3(SIZE_MAX / 2, 2, 2, &out));
    EXPECT_TRUE(oka::checked_mul3(10000, 10000, 4, &out));
    EXPECT_EQ(out, 400000000u);
}

}  // namespace
