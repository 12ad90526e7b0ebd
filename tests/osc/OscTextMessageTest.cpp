// The free-text message: every row of the worked examples sent through a real UDP
// socket and decoded by liblo.
#include "osc/OscTextMessage.h"

#include "osc/OscEncoder.h"
#include "sending/OscSender.h"
#include "tests/osc/CommaLocale.h"
#include "tools/testhost/OscReceiver.h"

#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace
{
using namespace std::chrono_literals;
using osc::NextToken;
using osc::ParseOscText;
using osc::TrimOscText;
using testhost::OscReceiver;
using testhost::OscValue;

constexpr auto kArrival = 2000ms;
constexpr auto kSilence = 200ms;
constexpr float kInfinity = std::numeric_limits<float>::infinity();

std::string Trimmed(std::string text)
{
    TrimOscText(text);
    return text;
}

// --- TrimOscText and NextToken ------------------------------------------------------------------

TEST(OscTextMessage, TrimRemovesLineEndsSpacesAndTabsFromTheEnd)
{
    EXPECT_EQ(Trimmed("/x/y i 3\r\n"), "/x/y i 3");
    EXPECT_EQ(Trimmed("/x/y i 3 \t\r\n \t"), "/x/y i 3");
    EXPECT_EQ(Trimmed("/x/y\n\r"), "/x/y");
}

TEST(OscTextMessage, TrimRemovesOnlySpacesAndTabsFromTheStart)
{
    EXPECT_EQ(Trimmed(" \t /x/y"), "/x/y");
    EXPECT_EQ(Trimmed("\n/x/y"), "\n/x/y");
    EXPECT_EQ(Trimmed("\r /x/y"), "\r /x/y");
    EXPECT_EQ(Trimmed(" \t\r\n"), "");
    EXPECT_EQ(Trimmed(""), "");
}

TEST(OscTextMessage, NextTokenSkipsSeparatorsAndStopsAtTheNext)
{
    const std::string text = "a \t bc\td";
    std::size_t position = 0;
    EXPECT_EQ(NextToken(text, position), "a");
    EXPECT_EQ(position, 1u);
    EXPECT_EQ(NextToken(text, position), "bc");
    EXPECT_EQ(position, 6u);
    EXPECT_EQ(NextToken(text, position), "d");
    EXPECT_EQ(position, 8u);
    EXPECT_EQ(NextToken(text, position), "");
    EXPECT_EQ(position, 8u);
}

TEST(OscTextMessage, NextTokenKeepsLineEndsInsideTokens)
{
    const std::string text = " x\r\ny z";
    std::size_t position = 0;
    EXPECT_EQ(NextToken(text, position), "x\r\ny");
    EXPECT_EQ(NextToken(text, position), "z");
}

TEST(OscTextMessage, NextTokenIsEmptyAtTrailingSeparators)
{
    const std::string text = "a  \t";
    std::size_t position = 1;
    EXPECT_EQ(NextToken(text, position), "");
    EXPECT_EQ(position, text.size());
}

// --- Every row of the worked examples, through UDP and liblo -----------------------------------

struct Row
{
    const char* name;
    const char* text;
    std::optional<std::string> types; // nothing: the row sends nothing
    std::vector<OscValue> values;
};

void PrintTo(const Row& row, std::ostream* out)
{
    *out << '"' << row.text << '"';
}

const Row kWorkedExamples[] = {
    {"AddressAlone", "/x/y", "i", {1}},
    {"Int", "/x/y i 3", "i", {3}},
    {"IntStopsAtLetters", "/x/y i -12abc", "i", {-12}},
    {"IntStopsAtHexX", "/x/y i 0x1F", "i", {0}},
    {"Float", "/x/y f 0.25", "f", {0.25f}},
    {"FloatStopsAtComma", "/x/y f 1,5", "f", {1.0f}},
    {"BareFloat", "/x/y 0.75", "f", {0.75f}},
    {"BareFloatIgnoresTheRest", "/x/y 1e3 9", "f", {1000.0f}},
    {"TransitionForm", "/x/y a 0.5", "sf", {std::string("a"), 0.5f}},
    {"StringWithSpace", "/x/y s two words", "s", {std::string("two words")}},
    {"EmptyString", "/x/y s", "s", {std::string()}},
    {"Infinity", "/x/y inf", "f", {kInfinity}},
    {"IntWithoutValue", "/x/y i", std::nullopt, {}},
    {"IntWithoutNumber", "/x/y i abc", std::nullopt, {}},
    {"UpperCaseKind", "/x/y I 5", std::nullopt, {}},
    {"IntOutOfRange", "/x/y i 2147483648", std::nullopt, {}},
    {"FloatOutOfRange", "/x/y f 1e39", std::nullopt, {}},
    {"NoLeadingSlash", "x/y 1", std::nullopt, {}},
};

const Row kEdgeCases[] = {
    {"CrLfAtTheEnd", "/x/y i 3\r\n", "i", {3}},
    {"TrailingSpacesAndTabs", "/x/y f 0.5 \t ", "f", {0.5f}},
    {"LeadingSpaces", " \t/x/y i 3", "i", {3}},
    {"LeadingLineFeed", "\n/x/y i 3", std::nullopt, {}},
    {"EmptyText", "", std::nullopt, {}},
    {"OnlySeparators", " \t \r\n", std::nullopt, {}},
    {"StringKeepsInnerRuns", "/x/y s  two   words\t!", "s", {std::string("two   words\t!")}},
    {"StringDropsSeparatorsAfterS", "/x/y s \t\t value", "s", {std::string("value")}},
    {"StringKeepsQuotesAndBackslashes", "/x/y s \"a\\b\"", "s", {std::string("\"a\\b\"")}},
    {"SecondAddressIgnored", "/x/y i 3 /other 5", "i", {3}},
    {"SecondAddressInString", "/x/y s a /b 1", "s", {std::string("a /b 1")}},
    {"TabSeparates", "/x/y\ti\t7", "i", {7}},
    {"SeveralSeparators", "/x/y \t i \t -7", "i", {-7}},
    {"TwoLetterKind", "/x/y ab 1", std::nullopt, {}},
    {"KindWordInfinity", "/x/y -Infinity", "f", {-kInfinity}},
    {"HexFloat", "/x/y f 0x1.8p1", "f", {3.0f}},
    {"BareHexFloat", "/x/y 0x10", "f", {16.0f}},
    {"IntLimits", "/x/y i -2147483648", "i", {std::numeric_limits<std::int32_t>::min()}},
    {"IntBelowRange", "/x/y i -2147483649", std::nullopt, {}},
    {"IntPlusSign", "/x/y i +7", "i", {7}},
    {"FloatUnderflow", "/x/y f 1e-50", std::nullopt, {}},
    {"TransitionFormWithoutValue", "/x/y a", std::nullopt, {}},
    {"FloatWithoutValue", "/x/y f", std::nullopt, {}},
    {"LineFeedInsideAddress", "/x/y\ni 3", "f", {3.0f}},
    {"HighBytesInAddressAndString", "/\xC3\xA9 s \xFF\x80", "s", {std::string("\xFF\x80")}},
};

// The text's message, if it has one, sent as a sender thread sends it.
void SendOscText(const std::string& host, std::int32_t port, const std::string& text)
{
    if (const auto message = ParseOscText(text))
        osc::SendOscMessage(host, port, message->address, message->strings, message->ints,
                            message->floats);
}

std::string ExpectedAddress(const Row& row)
{
    std::string text = row.text;
    TrimOscText(text);
    return text.substr(0, text.find_first_of(" \t"));
}

class OscTextRows : public ::testing::TestWithParam<Row>
{
protected:
    OscReceiver receiver;
};

TEST_P(OscTextRows, SendsWhatTheRowSays)
{
    const Row& row = GetParam();
    SendOscText(receiver.Host(), receiver.Port(), row.text);
    if (!row.types)
    {
        EXPECT_FALSE(receiver.Receive(kSilence)) << "nothing may be sent for \"" << row.text << '"';
        return;
    }
    const auto message = receiver.Receive(kArrival);
    ASSERT_TRUE(message) << "nothing arrived";
    ASSERT_TRUE(message->decoded) << "liblo error " << message->decodeError;
    EXPECT_EQ(message->bytes.size() % 4, 0u);
    EXPECT_EQ(message->address, ExpectedAddress(row));
    EXPECT_EQ(message->types, *row.types);
    EXPECT_EQ(message->values, row.values);
    EXPECT_FALSE(receiver.Receive(10ms)) << "one text, at most one message";
}

std::string RowName(const ::testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(WorkedExamples, OscTextRows, ::testing::ValuesIn(kWorkedExamples),
                         RowName);
INSTANTIATE_TEST_SUITE_P(EdgeCases, OscTextRows, ::testing::ValuesIn(kEdgeCases), RowName);

TEST(OscTextMessage, InfinityGoesOutAsItsBitPattern)
{
    OscReceiver receiver;
    SendOscText(receiver.Host(), receiver.Port(), "/x/y inf");
    const auto message = receiver.Receive(kArrival);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->bytes,
              (std::vector<std::uint8_t>{0x2F, 0x78, 0x2F, 0x79, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x66,
                                         0x00, 0x00, 0x7F, 0x80, 0x00, 0x00}));
}

TEST(OscTextMessage, NaNWordSendsAQuietNaN)
{
    OscReceiver receiver;
    SendOscText(receiver.Host(), receiver.Port(), "/x/y NaN");
    const auto message = receiver.Receive(kArrival);
    ASSERT_TRUE(message && message->decoded);
    ASSERT_EQ(message->types, "f");
    EXPECT_EQ(std::bit_cast<std::uint32_t>(std::get<float>(message->values.at(0))), 0x7FC00000u);
}

TEST(OscTextMessage, TransitionFormIsByteForByteTheControllersMessage)
{
    // The duration message of 0.5 s for the selected layer, byte for byte.
    const std::vector<std::uint8_t> expected = {
        0x2F, 0x63, 0x6F, 0x6D, 0x70, 0x6F, 0x73, 0x69, 0x74, 0x69, 0x6F, 0x6E, 0x2F, 0x73, 0x65,
        0x6C, 0x65, 0x63, 0x74, 0x65, 0x64, 0x6C, 0x61, 0x79, 0x65, 0x72, 0x2F, 0x74, 0x72, 0x61,
        0x6E, 0x73, 0x69, 0x74, 0x69, 0x6F, 0x6E, 0x2F, 0x64, 0x75, 0x72, 0x61, 0x74, 0x69, 0x6F,
        0x6E, 0x00, 0x00, 0x2C, 0x73, 0x66, 0x00, 0x61, 0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00,
    };
    OscReceiver receiver;
    SendOscText(receiver.Host(), receiver.Port(),
                "/composition/selectedlayer/transition/duration a 0.5");
    const auto message = receiver.Receive(kArrival);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->bytes, expected);
}

TEST(OscTextMessage, ParseKeepsTheCallersTextUnchanged)
{
    const std::string text = "  /x/y f 0.5\r\n";
    const std::string copy = text;
    ASSERT_TRUE(ParseOscText(text));
    EXPECT_EQ(text, copy);
}

TEST(OscTextMessage, ParseSameTextTwiceGivesTheSameMessage)
{
    const auto first = ParseOscText("/x/y a 0.5");
    const auto second = ParseOscText("/x/y a 0.5");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(
        osc::EncodeOscMessage(first->address, first->strings, first->ints, first->floats),
        osc::EncodeOscMessage(second->address, second->strings, second->ints, second->floats));
}

TEST(OscTextMessage, BadDestinationSendsNothingAndDoesNotThrow)
{
    OscReceiver receiver;
    EXPECT_NO_THROW(SendOscText("", receiver.Port(), "/x/y i 1"));
    EXPECT_NO_THROW(SendOscText(receiver.Host(), 0, "/x/y i 1"));
    EXPECT_FALSE(receiver.Receive(kSilence));
}

// --- The mended fault: a host with a comma-decimal locale --------------------------------------

TEST(OscTextMessage, SendsPeriodDecimalsUnderACommaDecimalLocale)
{
    const CommaLocale locale;
    if (!locale.Active())
        GTEST_SKIP() << CommaLocale::WhyNot();
    ASSERT_EQ(std::strtof("0.25", nullptr), 0.0f) << "the locale should break plain strtof";

    OscReceiver receiver;
    const struct
    {
        const char* text;
        std::vector<OscValue> values;
    } rows[] = {
        {"/x/y f 0.25", {0.25f}}, {"/x/y f 1,5", {1.0f}},
        {"/x/y 0.75", {0.75f}},   {"/x/y a 2.5", {std::string("a"), 2.5f}},
        {"/x/y i -12abc", {-12}},
    };
    for (const auto& row : rows)
    {
        SendOscText(receiver.Host(), receiver.Port(), row.text);
        const auto message = receiver.Receive(kArrival);
        ASSERT_TRUE(message && message->decoded) << row.text;
        EXPECT_EQ(message->values, row.values) << row.text;
    }
    SendOscText(receiver.Host(), receiver.Port(), "/x/y f 1e39");
    EXPECT_FALSE(receiver.Receive(kSilence));
}
} // namespace
