// System information on Linux.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "okacore.h"
#include "platform/system_info.h"

namespace {

TEST(SystemInfo, MemoryFiguresAreConsistent) {
    const int32_t total = OKA_GetTotalPhyMemory();
    EXPECT_GT(total, 0);
    EXPECT_LE(OKA_GetAvailPhyMemory(), total);
    EXPECT_GT(OKA_GetTotalPgMemory(), 0);
    EXPECT_LE(OKA_GetAvailPgMemory(), OKA_GetTotalPgMemory());
    EXPECT_GT(OKA_GetTotalVirMemory(), 0);
    EXPECT_LE(OKA_GetAvailVirMemory(), OKA_GetTotalVirMemory());
}

TEST(SystemInfo, MegabytesTruncateToLow32Bits) {
    using oka::platform::megabytes;
    EXPECT_EQ(megabytes(uint64_t{8} << 30), 8192);
    EXPECT_EQ(megabytes((uint64_t{1} << 20) - 1), 0);
    // 2^32 + 5 megabytes keep only their low 32 bits.
    EXPECT_EQ(megabytes(((uint64_t{1} << 32) + 5) << 20), 5);
}

TEST(SystemInfo, DesktopQueriesWithoutAWindowSystem) {
    EXPECT_EQ(OKA_IsCompositionEnabled(), 0);
    EXPECT_EQ(OKA_SetWindowBasePos(10, 20, 810, 620), 0);
    EXPECT_STREQ(OKA_GetDirInfo(), "/usr/share");
    EXPECT_EQ(OKA_GetWindowBackgroundColor() & 0xFF000000, 0);
    EXPECT_GT(OKA_GetWindowCaptionSize(), 0);
}

TEST(SystemInfo, RenameFile) {
    const std::string a = ::testing::TempDir() + "oka_rename_a.txt";
    const std::string b = ::testing::TempDir() + "oka_rename_b.txt";
    std::remove(b.c_str());
    std::ofstream(a) << "x";
    EXPECT_EQ(OKA_RenameFile(a.c_str(), b.c_str()), 1);
    EXPECT_TRUE(std::ifstream(b).good());
    EXPECT_EQ(OKA_RenameFile(a.c_str(), b.c_str()), 0) << "source is gone";
    EXPECT_EQ(OKA_RenameFile(nullptr, b.c_str()), 0);
    std::remove(b.c_str());
}

}  // namespace
