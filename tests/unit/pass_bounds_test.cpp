#include <gtest/gtest.h>

#include "catalogue/opcode_database.h"

namespace {

TEST(PassBounds, APassHasItsTimeFromItsStartOn)
{
    constexpr std::uint64_t start = 5000;
    EXPECT_FALSE(OpcodeDatabase::PassTimeIsUp(start, start));
    EXPECT_FALSE(OpcodeDatabase::PassTimeIsUp(start, start + OpcodeDatabase::PassMilliseconds - 1));
    EXPECT_TRUE(OpcodeDatabase::PassTimeIsUp(start, start + OpcodeDatabase::PassMilliseconds));
    EXPECT_TRUE(OpcodeDatabase::PassTimeIsUp(start, start + 10 * OpcodeDatabase::PassMilliseconds));
}

} // namespace
