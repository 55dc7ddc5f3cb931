// Password scrambling of Accounts.ini.
#include "config/Scramble.h"

#include <gtest/gtest.h>

namespace vexil {
namespace {

std::string Bytes(std::initializer_list<int> codes) {
    std::string s;
    for (int c : codes) s += static_cast<char>(c);
    return s;
}

TEST(Scramble, KnownValues) {
    EXPECT_EQ(ScramblePassword("abc"), Bytes({186, 188, 190}));
    EXPECT_EQ(UnscramblePassword(Bytes({186, 188, 190})), "abc");
    EXPECT_EQ(ScramblePassword(""), "");
    // What a missing password line ("none") unscrambles to.
    EXPECT_EQ(UnscramblePassword("none"), ";;;6");
}

TEST(Scramble, EveryCodeMapsAsDocumented) {
    for (int c = 0; c < 256; ++c) {
        const std::string one(1, static_cast<char>(c));
        const std::string scrambled = ScramblePassword(one);
        ASSERT_EQ(scrambled.size(), 1u);
        EXPECT_EQ(static_cast<unsigned char>(scrambled[0]), (2 * c - 8 + 256) % 256) << c;
        int expected = c;
        if (c < 4) expected = c + 128;
        if (c > 131) expected = c - 128;
        EXPECT_EQ(static_cast<unsigned char>(UnscramblePassword(scrambled)[0]), expected) << c;
        EXPECT_EQ(static_cast<unsigned char>(UnscramblePassword(one)[0]), c / 2 + 4) << c;
    }
}

TEST(Scramble, RoundTripsPrintablePasswords) {
    std::string all;
    for (int c = 4; c <= 131; ++c) all += static_cast<char>(c);
    EXPECT_EQ(UnscramblePassword(ScramblePassword(all)), all);
}

TEST(Scramble, OnlyLengthMod256CharactersAreTransformed) {
    const std::string full(256, 'a');
    EXPECT_EQ(ScramblePassword(full), full);
    EXPECT_EQ(UnscramblePassword(full), full);
    const std::string longer(300, 'a');
    const std::string scrambled = ScramblePassword(longer);
    EXPECT_EQ(scrambled, std::string(44, static_cast<char>(186)) + std::string(256, 'a'));
}

}  // namespace
}  // namespace vexil
