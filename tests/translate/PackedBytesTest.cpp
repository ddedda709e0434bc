#include "PackedBytes.h"

#include <random>

#include <gtest/gtest.h>

TEST(PackedBytes, GivesTheBytesBackBeforeWhileAndAfterPacking)
{
    // Several pieces: markup that shrinks, bytes that do not, and a cut UTF-8 sequence.
    QByteArray bytes;
    std::mt19937 random(3);
    for (int i = 0; i < 40000; ++i)
        bytes += "<span>caf\xc3\xa9</span>";
    for (int i = 0; i < 700000; ++i)
        bytes += char(random());
    bytes += "\xe4\xbd";
    PackedBytes packed(bytes);
    EXPECT_EQ(packed.bytes(), bytes);
    ASSERT_TRUE(packed.packMore());
    EXPECT_EQ(packed.bytes(), bytes);
    while (packed.packMore()) {
    }
    EXPECT_TRUE(packed.packed());
    EXPECT_EQ(packed.bytes(), bytes);

    PackedBytes empty{QByteArray()};
    EXPECT_FALSE(empty.packMore());
    EXPECT_TRUE(empty.bytes().isEmpty());
}
