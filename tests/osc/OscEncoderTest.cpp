// The bytes of a message, spelled out in full.
#include "osc/OscEncoder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<std::uint8_t>;
using osc::AppendBigEndian32;
using osc::AppendOscString;
using osc::EncodeOscMessage;

constexpr std::uint8_t kMarker = 0xAA;

Bytes Encode(const std::string& address, const std::vector<std::string>& strings,
             const std::vector<std::int32_t>& ints, const std::vector<float>& floats)
{
    return EncodeOscMessage(address, strings, ints, floats);
}

TEST(OscEncoder, NextClipOnSelectedLayerMatchesWorkedExample1)
{
    const Bytes expected = {
        0x2F, 0x63, 0x6F, 0x6D, 0x70, 0x6F, 0x73, 0x69, 0x74, 0x69, 0x6F, 0x6E, 0x2F,
        0x73, 0x65, 0x6C, 0x65, 0x63, 0x74, 0x65, 0x64, 0x6C, 0x61, 0x79, 0x65, 0x72,
        0x2F, 0x63, 0x6F, 0x6E, 0x6E, 0x65, 0x63, 0x74, 0x6E, 0x65, 0x78, 0x74, 0x63,
        0x6C, 0x69, 0x70, 0x00, 0x00, 0x2C, 0x69, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
    };
    const Bytes bytes = Encode("/composition/selectedlayer/connectnextclip", {}, {1}, {});
    EXPECT_EQ(bytes.size(), 52u);
    EXPECT_EQ(bytes, expected);
}

TEST(OscEncoder, TransitionDurationOnSelectedLayerMatchesWorkedExample2)
{
    const Bytes expected = {
        0x2F, 0x63, 0x6F, 0x6D, 0x70, 0x6F, 0x73, 0x69, 0x74, 0x69, 0x6F, 0x6E,
        0x2F, 0x73, 0x65, 0x6C, 0x65, 0x63, 0x74, 0x65, 0x64, 0x6C, 0x61, 0x79,
        0x65, 0x72, 0x2F, 0x74, 0x72, 0x61, 0x6E, 0x73, 0x69, 0x74, 0x69, 0x6F,
        0x6E, 0x2F, 0x64, 0x75, 0x72, 0x61, 0x74, 0x69, 0x6F, 0x6E, 0x00, 0x00,
        0x2C, 0x73, 0x66, 0x00, 0x61, 0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00,
    };
    const Bytes bytes = Encode("/composition/selectedlayer/transition/duration", {"a"}, {}, {0.5f});
    EXPECT_EQ(bytes.size(), 60u);
    EXPECT_EQ(bytes, expected);
}

TEST(OscEncoder, TransitionDurationOnLayer2MatchesWorkedExample3)
{
    const Bytes expected = {
        0x2F, 0x63, 0x6F, 0x6D, 0x70, 0x6F, 0x73, 0x69, 0x74, 0x69, 0x6F, 0x6E, 0x2F, 0x6C,
        0x61, 0x79, 0x65, 0x72, 0x73, 0x2F, 0x32, 0x2F, 0x74, 0x72, 0x61, 0x6E, 0x73, 0x69,
        0x74, 0x69, 0x6F, 0x6E, 0x2F, 0x64, 0x75, 0x72, 0x61, 0x74, 0x69, 0x6F, 0x6E, 0x00,
        0x00, 0x00, 0x2C, 0x73, 0x66, 0x00, 0x61, 0x00, 0x00, 0x00, 0x40, 0x20, 0x00, 0x00,
    };
    const Bytes bytes = Encode("/composition/layers/2/transition/duration", {"a"}, {}, {2.5f});
    EXPECT_EQ(bytes.size(), 56u);
    EXPECT_EQ(bytes, expected);
}

TEST(OscEncoder, PadsEmptyStringWithFourZeros)
{
    Bytes buffer(4, kMarker);
    AppendOscString(buffer, "");
    EXPECT_EQ(buffer, (Bytes{kMarker, kMarker, kMarker, kMarker, 0x00, 0x00, 0x00, 0x00}));
}

TEST(OscEncoder, PadsThreeByteStringWithOneZero)
{
    Bytes buffer(4, kMarker);
    AppendOscString(buffer, "abc");
    EXPECT_EQ(buffer, (Bytes{kMarker, kMarker, kMarker, kMarker, 0x61, 0x62, 0x63, 0x00}));
}

TEST(OscEncoder, PadsSevenByteStringWithOneZero)
{
    Bytes buffer;
    AppendOscString(buffer, "abcdefg");
    EXPECT_EQ(buffer, (Bytes{0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x00}));
}

TEST(OscEncoder, PadsFourByteStringWithFourZeros)
{
    Bytes buffer(4, kMarker);
    AppendOscString(buffer, "abcd");
    EXPECT_EQ(buffer, (Bytes{kMarker, kMarker, kMarker, kMarker, 0x61, 0x62, 0x63, 0x64, 0x00,
                             0x00, 0x00, 0x00}));
}

TEST(OscEncoder, PadsEightByteStringWithFourZeros)
{
    Bytes buffer;
    AppendOscString(buffer, "abcdefgh");
    EXPECT_EQ(buffer, (Bytes{0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x00, 0x00, 0x00,
                             0x00}));
}

TEST(OscEncoder, PadsOnTheWholeBufferLength)
{
    // Never the case inside a message, but it is the stated rule: "ab" after one byte ends at 3,
    // so one zero brings the buffer to 4.
    Bytes buffer(1, kMarker);
    AppendOscString(buffer, "ab");
    EXPECT_EQ(buffer, (Bytes{kMarker, 0x61, 0x62, 0x00}));
}

TEST(OscEncoder, KeepsBytesAboveSevenBitUnchanged)
{
    Bytes buffer;
    AppendOscString(buffer, std::string("\xC3\xA9\xFF\x80\x01", 5));
    EXPECT_EQ(buffer, (Bytes{0xC3, 0xA9, 0xFF, 0x80, 0x01, 0x00, 0x00, 0x00}));
}

TEST(OscEncoder, WritesThirtyTwoBitValuesMostSignificantFirst)
{
    Bytes buffer(2, kMarker);
    AppendBigEndian32(buffer, 0x01020304u);
    AppendBigEndian32(buffer, 0xFEDCBA98u);
    EXPECT_EQ(buffer, (Bytes{kMarker, kMarker, 0x01, 0x02, 0x03, 0x04, 0xFE, 0xDC, 0xBA, 0x98}));
}

TEST(OscEncoder, EncodesIntsInTwosComplement)
{
    const Bytes bytes = Encode("/a", {}, {1, -1, std::numeric_limits<std::int32_t>::min()}, {});
    EXPECT_EQ(bytes, (Bytes{0x2F, 0x61, 0x00, 0x00, 0x2C, 0x69, 0x69, 0x69, 0x00, 0x00, 0x00, 0x00,
                            0x00, 0x00, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0x00, 0x00,
                            0x00}));
}

TEST(OscEncoder, EncodesFloatsAsTheirBitPatterns)
{
    const float inf = std::numeric_limits<float>::infinity();
    const Bytes bytes = Encode("/a", {}, {}, {0.5f, 1.0f, 10.0f, inf, -inf, -0.0f});
    EXPECT_EQ(bytes, (Bytes{0x2F, 0x61, 0x00, 0x00, 0x2C, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x00,
                            0x3F, 0x00, 0x00, 0x00, 0x3F, 0x80, 0x00, 0x00, 0x41, 0x20, 0x00, 0x00,
                            0x7F, 0x80, 0x00, 0x00, 0xFF, 0x80, 0x00, 0x00, 0x80, 0x00, 0x00,
                            0x00}));
}

TEST(OscEncoder, KeepsNaNPayloads)
{
    const float quiet = std::bit_cast<float>(0x7FC0007Bu);
    const float signalling = std::bit_cast<float>(0xFF800001u);
    const Bytes bytes = Encode("/n", {}, {}, {quiet, signalling});
    EXPECT_EQ(bytes, (Bytes{0x2F, 0x6E, 0x00, 0x00, 0x2C, 0x66, 0x66, 0x00, 0x7F, 0xC0, 0x00, 0x7B,
                            0xFF, 0x80, 0x00, 0x01}));
}

TEST(OscEncoder, TagsStringIntFloatInThatOrder)
{
    const Bytes bytes = Encode("/a", {"x"}, {1}, {2.0f});
    EXPECT_EQ(bytes, (Bytes{0x2F, 0x61, 0x00, 0x00, 0x2C, 0x73, 0x69, 0x66, 0x00, 0x00, 0x00, 0x00,
                            0x78, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x40, 0x00, 0x00,
                            0x00}));
}

TEST(OscEncoder, WritesLoneCommaWhenThereAreNoArguments)
{
    const Bytes bytes = Encode("/abc", {}, {}, {});
    EXPECT_EQ(bytes, (Bytes{0x2F, 0x61, 0x62, 0x63, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00,
                            0x00}));
}

TEST(OscEncoder, EncodesEmptyStringArgumentAsFourZeros)
{
    const Bytes bytes = Encode("/s", {""}, {}, {});
    EXPECT_EQ(bytes, (Bytes{0x2F, 0x73, 0x00, 0x00, 0x2C, 0x73, 0x00, 0x00, 0x00, 0x00, 0x00,
                            0x00}));
}

TEST(OscEncoder, KeepsListOrderWithinEachKind)
{
    const Bytes bytes = Encode("/k", {"ab", "cdef"}, {2, 3}, {});
    EXPECT_EQ(bytes, (Bytes{0x2F, 0x6B, 0x00, 0x00, 0x2C, 0x73, 0x73, 0x69, 0x69, 0x00, 0x00, 0x00,
                            0x61, 0x62, 0x00, 0x00, 0x63, 0x64, 0x65, 0x66, 0x00, 0x00, 0x00, 0x00,
                            0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03}));
}

TEST(OscEncoder, CopiesAddressBytesUnchecked)
{
    // The sender validates; the encoder copies whatever it gets, bytes above 0x7F included.
    const Bytes bytes = Encode(std::string("/\xE9 #*", 5), {}, {}, {});
    EXPECT_EQ(bytes, (Bytes{0x2F, 0xE9, 0x20, 0x23, 0x2A, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00,
                            0x00}));
}

TEST(OscEncoder, GrowsPastTheReservedSizeForLongMessages)
{
    const std::string text(1000, 'z');
    const Bytes bytes = Encode("/long", {text}, {}, {});
    ASSERT_EQ(bytes.size(), 8u + 4u + 1004u);
    EXPECT_EQ(bytes[12], 'z');
    EXPECT_EQ(bytes[12 + 999], 'z');
    EXPECT_EQ((Bytes(bytes.end() - 4, bytes.end())), (Bytes{0, 0, 0, 0}));
}

TEST(OscEncoder, ReservesRoomForTheControllersOwnMessages)
{
    const Bytes bytes =
        Encode("/composition/layers/2147483647/transition/duration", {"a"}, {}, {10.0f});
    EXPECT_LE(bytes.size(), 256u);
    EXPECT_GE(bytes.capacity(), 256u);
}
} // namespace
