#include <gtest/gtest.h>

#include "catalogue/opcode_database.h"
#include "catalogue/refresh_list.h"

namespace {

TEST(PassBounds, APassHasItsTimeFromItsStartOn)
{
    constexpr std::uint64_t start = 5000;
    EXPECT_FALSE(OpcodeDatabase::PassTimeIsUp(start, start));
    EXPECT_FALSE(OpcodeDatabase::PassTimeIsUp(start, start + OpcodeDatabase::PassMilliseconds - 1));
    EXPECT_TRUE(OpcodeDatabase::PassTimeIsUp(start, start + OpcodeDatabase::PassMilliseconds));
    EXPECT_TRUE(OpcodeDatabase::PassTimeIsUp(start, start + 10 * OpcodeDatabase::PassMilliseconds));
}

TEST(PassBounds, TheListTakesRowsUntilEitherBoundIsReached)
{
    constexpr std::size_t all = MostListedCharacters;
    struct Case {
        const char* name;
        int rows;
        std::size_t characters;
        std::size_t rowCharacters;
        bool fits;
    } cases[] = {
        {"the first row", 0, 0, 5, true},
        {"the last row a sound table of the most rows lists", MostListedRows - 1, 30 * (MostListedRows - 1), 30,
         true},
        {"a row past the most rows", MostListedRows, 0, 0, false},
        {"a row that fills the characters exactly", 10, all - 7, 7, true},
        {"a row one character past them", 10, all - 7, 8, false},
        {"a row of empty texts once the characters are used up", 10, all, 0, true},
        {"a first row longer than all the characters", 0, 0, all + 1, false},
        {"a row as long as a size can count", 1, 1, std::size_t(-1), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RowFitsTheList(c.rows, c.characters, c.rowCharacters), c.fits) << c.name;
}

} // namespace
