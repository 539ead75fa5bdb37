#include <clients/mozilla/Json.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// Compact JSON the way the application writes it comes back byte for byte, whatever its numbers
// and escapes look like.
TEST(JsonTest, CompactTextIsWrittenBackByteForByte) {
    for (const std::string& text : {
             std::string(R"({"nextId":3,"logins":[],"version":3})"),
             std::string(R"({"a":[true,false,null,{},[]],"b":{"c":-0.5e+10,"d":1E3}})"),
             std::string(R"({"big":123456789012345678901234567890,"neg":-0,"frac":0.000})"),
             std::string(R"(["\u00e9\/\"\\\b\f\n\r\t","\ud83d\ude00","\udc00",""])"),
             std::string("{\"utf8\":\"gr\xC3\xBC\xC3\x9F\"}"),
             std::string(R"("just a string")"),
             std::string("42"),
         }) {
        EXPECT_EQ(WriteJson(ParseJson(text)), text) << text;
    }
}

TEST(JsonTest, BlanksAndByteOrderMarkAreDropped) {
    EXPECT_EQ(WriteJson(ParseJson("\xEF\xBB\xBF {\n  \"a\" : [ 1 ,\t2 ] ,\r\n \"b\":{ } }\n")),
              R"({"a":[1,2],"b":{}})");
}

TEST(JsonTest, StringTextIsDecoded) {
    const TJsonValue list = ParseJson(R"(["\u00e9\/\"\\\n","\ud83d\ude00","a\udc00b",7])");
    ASSERT_EQ(list.Items().size(), 4u);
    EXPECT_EQ(list.Items()[0].Text(), "\xC3\xA9/\"\\\n");
    EXPECT_EQ(list.Items()[1].Text(), "\xF0\x9F\x98\x80");
    EXPECT_EQ(list.Items()[2].Text(), "a\xEF\xBF\xBD"
                                      "b"); // a lone surrogate has no UTF-8 form
    EXPECT_EQ(list.Items()[3].Text(), "");
}

TEST(JsonTest, MadeStringsAreEscapedAsTheApplicationWritesThem) {
    const std::string text = "q\"b\\ \b\f\n\r\t \x01\x1F gr\xC3\xBC\xC3\x9F /";
    const TJsonValue value = TJsonValue::String(text);
    EXPECT_EQ(WriteJson(value),
              "\"q\\\"b\\\\ \\b\\f\\n\\r\\t \\u0001\\u001f gr\xC3\xBC\xC3\x9F /\"");
    EXPECT_EQ(ParseJson(WriteJson(value)).Text(), text);
}

TEST(JsonTest, WholeNumbersInRangeReadAsIntegers) {
    const TJsonValue list = ParseJson("[12,-7,1.5,1e3,9223372036854775807,9223372036854775808]");
    EXPECT_EQ(list.Items()[0].Int64(), 12);
    EXPECT_EQ(list.Items()[1].Int64(), -7);
    EXPECT_EQ(list.Items()[2].Int64(), std::nullopt);
    EXPECT_EQ(list.Items()[3].Int64(), std::nullopt);
    EXPECT_EQ(list.Items()[4].Int64(), INT64_MAX);
    EXPECT_EQ(list.Items()[5].Int64(), std::nullopt);
    EXPECT_EQ(TJsonValue::String("12").Int64(), std::nullopt);
}

TEST(JsonTest, SetReplacesInPlaceOrAppends) {
    TJsonValue object = ParseJson(R"({"a":1,"b":"x","c":null})");
    object.Set("b", TJsonValue::Integer(2));
    object.Set("d", TJsonValue::Boolean(true));
    EXPECT_EQ(WriteJson(object), R"({"a":1,"b":2,"c":null,"d":true})");
    ASSERT_NE(object.Find("d"), nullptr);
    EXPECT_TRUE(object.Find("d")->IsTrue());
    EXPECT_EQ(object.Find("e"), nullptr);
    EXPECT_EQ(ParseJson("[1]").Find("a"), nullptr);
}

// JSON.parse keeps the last member of a name given twice; so does Find, and Set changes that one.
TEST(JsonTest, OfAMemberGivenTwiceTheLastCounts) {
    TJsonValue object = ParseJson(R"({"a":1,"b":2,"a":3})");
    ASSERT_NE(object.Find("a"), nullptr);
    EXPECT_EQ(object.Find("a")->Int64(), 3);
    object.Set("a", TJsonValue::Integer(4));
    EXPECT_EQ(WriteJson(object), R"({"a":1,"b":2,"a":4})");
}

TEST(JsonTest, ValuesKnowWhereTheyStartAndErrorsNameTheLine) {
    const TJsonValue object = ParseJson("{\n  \"a\": [1,\n  \"x\"]}");
    EXPECT_EQ(object.Offset(), 0u);
    EXPECT_EQ(object.Find("a")->Offset(), 9u);
    EXPECT_EQ(object.Find("a")->Items()[1].Offset(), 15u);
    EXPECT_EQ(TJsonValue::String("made").Offset(), 0u);
    try {
        ParseJson("{\r\n\"a\":\r\n  tru}");
        ADD_FAILURE() << "accepted";
    } catch (const EJsonError& error) {
        EXPECT_EQ(error.Line, 3u);
        EXPECT_STREQ(error.what(), "unknown literal at line 3 (byte 11)");
    }
}

struct TBadJson {
    std::string Text;
    std::size_t Offset;
};

void PrintTo(const TBadJson& bad, std::ostream* os) {
    *os << bad.Text.substr(0, 40);
}

class JsonErrorTest : public ::testing::TestWithParam<TBadJson> {};

TEST_P(JsonErrorTest, RefusedWithTheOffsetWhereItStopsBeingJson) {
    try {
        ParseJson(GetParam().Text);
        ADD_FAILURE() << "accepted";
    } catch (const EJsonError& error) {
        EXPECT_EQ(error.Offset, GetParam().Offset) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, JsonErrorTest,
    ::testing::Values(TBadJson{"", 0}, TBadJson{"  ", 2}, TBadJson{"{", 1},
                      TBadJson{"{\"a\":1,}", 7}, TBadJson{"[1,]", 3}, TBadJson{"{\"a\" 1}", 5},
                      TBadJson{"{a:1}", 1}, TBadJson{"01", 1}, TBadJson{"1.", 2},
                      TBadJson{"1e+", 3}, TBadJson{"-", 0}, TBadJson{"+1", 0}, TBadJson{"\"abc", 4},
                      TBadJson{"\"\\x\"", 1}, TBadJson{"\"\\u12G4\"", 1}, TBadJson{"\"a\x01\"", 2},
                      TBadJson{"tru", 0}, TBadJson{"nul", 0}, TBadJson{"1 2", 2},
                      TBadJson{"[1][2]", 3}, TBadJson{"{\"a\":}", 5},
                      TBadJson{std::string(kMaxJsonDepth + 1, '['), kMaxJsonDepth}));

// Deep nesting is refused before it could exhaust the stack; up to the limit it is read.
TEST(JsonTest, NestingUpToTheLimitIsRead) {
    const std::string deep = std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']');
    EXPECT_EQ(WriteJson(ParseJson(deep)), deep);
}

} // namespace
