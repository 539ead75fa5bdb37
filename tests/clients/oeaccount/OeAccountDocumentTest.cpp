#include "OeAccountTestSupport.h"

#include "clients/oeaccount/OeAccountDocument.h"

#include <gtest/gtest.h>

using namespace oeaccount_test;

namespace {

const std::string Body = "<MessageAccount>\n"
                         "\t<SMTP_Display_Name type=\"SZ\">Anna Müller</SMTP_Display_Name>\n"
                         "\t<POP3_Port type=\"DWORD\">000003e3</POP3_Port>\n"
                         "</MessageAccount>\n";

std::string Utf16Be(const std::string& text) {
    const std::u16string units = platform::Utf8ToUtf16(text);
    std::string bytes = "\xFE\xFF";
    for (char16_t unit : units) {
        bytes += static_cast<char>(unit >> 8);
        bytes += static_cast<char>(unit & 0xFF);
    }
    return bytes;
}

std::string Latin1(const std::string& utf8) {
    std::string bytes;
    for (char32_t c : platform::Utf8ToUtf16(utf8)) {
        bytes += static_cast<char>(c);
    }
    return bytes;
}

TOeAccountDocument ParseText(const std::string& text) {
    std::string error;
    auto document = TOeAccountDocument::Parse(ClientFile(text), &error);
    EXPECT_TRUE(document.has_value()) << error;
    return document ? std::move(*document) : TOeAccountDocument();
}

TOeAccountDocument WithRoot(const std::string& content) {
    return ParseText("<?xml version=\"1.0\" encoding=\"utf-16\" ?>\n<MessageAccount>" + content +
                     "</MessageAccount>\n");
}

struct TEncodingCase {
    const char* Name;
    std::string Bytes;
};

void PrintTo(const TEncodingCase& encoding, std::ostream* out) {
    *out << encoding.Name;
}

class OeAccountEncodingTest : public ::testing::TestWithParam<TEncodingCase> {};

TEST_P(OeAccountEncodingTest, ReadsTheSameValuesWhateverTheEncoding) {
    std::string error;
    const auto document = TOeAccountDocument::Parse(GetParam().Bytes, &error);
    ASSERT_TRUE(document.has_value()) << error;
    EXPECT_EQ(ReadStringValue(*document, "SMTP_Display_Name", ""), "Anna Müller");
    EXPECT_EQ(ReadDwordValue(*document, "POP3_Port", 110), 995u);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, OeAccountEncodingTest,
    ::testing::Values(
        TEncodingCase{"Utf16LeBomCrlf",
                      ClientFile("<?xml version=\"1.0\" encoding=\"utf-16\" ?>\n" + Body)},
        TEncodingCase{"Utf16BeBom", Utf16Be("<?xml version=\"1.0\" encoding=\"utf-16\"?>" + Body)},
        TEncodingCase{"Utf8DeclaredUtf16", "<?xml version=\"1.0\" encoding=\"utf-16\"?>" + Body},
        TEncodingCase{"Utf8Bom", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + Body},
        TEncodingCase{"Utf8NoDeclaration", Body},
        TEncodingCase{"Windows1252",
                      "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>" + Latin1(Body)},
        TEncodingCase{"Latin1", "<?xml version='1.0' encoding='ISO-8859-1'?>" + Latin1(Body)}),
    [](const auto& info) { return std::string(info.param.Name); });

// What is no well-formed document is refused with the line of the fault, in every encoding; control
// characters are no XML, raw or as references.
TEST(OeAccountDocumentTest, RefusesWhatIsNoWellFormedDocumentAndSaysWhere) {
    const std::string mismatch = "<?xml version=\"1.0\" encoding=\"utf-16\" ?>\n<MessageAccount>\n"
                                 "\t<POP3_Server type=\"SZ\">x</POP3_Sever>\n</MessageAccount>\n";
    const std::string tags = "line 3: Start-end tags mismatch";
    const std::string control = "line 2: Character not allowed in XML";
    const struct {
        std::string Bytes;
        std::string Error; // empty: any error that starts with its line
    } rows[] = {
        {"", ""},
        {ClientFile(""), ""},
        {ClientFile("<?xml version=\"1.0\" encoding=\"utf-16\" ?>\n"), ""},
        {ClientFile("<MessageAccount><POP3_Server type=\"SZ\">x</MessageAccount>"), ""},
        {ClientFile("<MessageAccount><POP3_Server type=\"SZ\">x</POP3_Server>"), ""},
        {std::string("\xFF\xFE<\0M\0", 6), ""},
        {std::string("\x00\x01\x02 garbage", 11), ""},
        {ClientFile(mismatch), tags},
        {mismatch, tags},
        {Utf16Be(mismatch), tags},
        {ClientFile("<MessageAccount>\n<A type=\"SZ\">a\x01b</A></MessageAccount>"), control},
        {ClientFile("<MessageAccount>\n<A type=\"SZ\">a&#1;b</A></MessageAccount>"), control},
        {ClientFile("<MessageAccount>\n<A type=\"S\x04Z\">ab</A></MessageAccount>"), control},
        {ClientFile("<MessageAccount>\n<B/>\x02<A type=\"SZ\">ab</A></MessageAccount>"), control},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.Bytes));
        std::string error;
        EXPECT_FALSE(TOeAccountDocument::Parse(row.Bytes, &error).has_value());
        EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
        if (!row.Error.empty()) {
            EXPECT_EQ(error, row.Error);
        }
    }
    EXPECT_TRUE(TOeAccountDocument::Parse("<M><A type=\"SZ\">tab\there&#9;&#10;</A></M>"));
}

TEST(OeAccountDocumentTest, ReadsOnlyTheFirstDirectChildOfThatExactName) {
    const TOeAccountDocument document =
        WithRoot("<Group><POP3_Server type=\"SZ\">nested</POP3_Server></Group>"
                 "<pop3_server type=\"SZ\">lower</pop3_server>"
                 "<POP3_Server type=\"SZ\">first</POP3_Server><POP3_Server "
                 "type=\"SZ\">second</POP3_Server>");
    EXPECT_EQ(ReadStringValue(document, "POP3_Server", "-"), "first");
    EXPECT_TRUE(document.HasValue("POP3_Server"));
    EXPECT_FALSE(document.HasValue("Group2"));
    EXPECT_EQ(ReadStringValue(document, "IMAP_Server", "-"), "-");
}

TEST(OeAccountDocumentTest, TypeDecidesWhetherAValueIsReadAndIgnoresCase) {
    const TOeAccountDocument document =
        WithRoot("<A type=\"dword\">1f</A><B type=\"Sz\">text</B><C type=\"binary\">0aFF</C>"
                 "<D>untyped</D><E type=\"SZ\">000003E3</E><F type=\"DWORD\">00000001</F>");
    EXPECT_EQ(ReadDwordValue(document, "A", 7), 31u);
    EXPECT_EQ(ReadStringValue(document, "B", "-"), "text");
    EXPECT_EQ(ReadBinaryValue(document, "C", "-"), "0aFF");
    EXPECT_EQ(ReadStringValue(document, "D", "-"), "-");
    EXPECT_EQ(ReadDwordValue(document, "E", 110), 110u); // an SZ port reads as the default
    EXPECT_EQ(ReadStringValue(document, "F", "-"), "-");
    EXPECT_EQ(ReadBinaryValue(document, "B", "-"), "-");
}

TEST(OeAccountDocumentTest, DwordTextsTheClientsWriteAndTextsThatAreNone) {
    const struct {
        const char* Text;
        std::uint32_t Expected;
    } rows[] = {
        {"000003E3", 995},
        {"3e1", 993},
        {"0", 0},
        {" 3E3\t", 995},
        {"FFFFFFFF", 0xFFFFFFFF},
        {"0000000000000001", 1},
        {"", 42},
        {"0x3E3", 42},
        {"-1", 42},
        {"100000000", 42},
        {"3E3 1", 42},
        {"zz", 42},
        {"+1", 42},
    };
    for (const auto& row : rows) {
        const TOeAccountDocument document =
            WithRoot(std::string("<V type=\"DWORD\">") + row.Text + "</V>");
        EXPECT_EQ(ReadDwordValue(document, "V", 42), row.Expected) << '"' << row.Text << '"';
    }
}

TEST(OeAccountDocumentTest, TextKeepsEscapesBlanksAndPiecesSplitByComments) {
    const TOeAccountDocument document =
        WithRoot("<A type=\"SZ\">Example &amp; Co &lt;1&gt;</A><B type=\"SZ\"> </B>"
                 "<C type=\"SZ\">one<!-- note -->two</C><D type=\"SZ\"><![CDATA[<raw>]]></D>"
                 "<E type=\"BINARY\">ABC</E><F type=\"SZ\"></F>");
    EXPECT_EQ(ReadStringValue(document, "A", ""), "Example & Co <1>");
    EXPECT_EQ(ReadStringValue(document, "B", ""), " ");
    EXPECT_EQ(ReadStringValue(document, "C", ""), "onetwo");
    EXPECT_EQ(ReadStringValue(document, "D", ""), "<raw>");
    EXPECT_EQ(ReadBinaryValue(document, "E", ""), "ABC"); // as it stands, odd or not
    EXPECT_EQ(ReadStringValue(document, "F", "-"), "");
}

TEST(OeAccountDocumentTest, DwordTextIsAlwaysEightUpperCaseDigits) {
    EXPECT_EQ(DwordText(995), "000003E3");
    EXPECT_EQ(DwordText(0), "00000000");
    EXPECT_EQ(DwordText(0xFFFFFFFF), "FFFFFFFF");
    EXPECT_EQ(DwordText(0xABCDEF01), "ABCDEF01");
}

TEST(OeAccountDocumentTest, WritersReplaceInPlaceAppendAtTheEndAndSkipEmptyStrings) {
    TOeAccountDocument document =
        WithRoot("<Connection_Type type=\"SZ\">old<!-- x --></Connection_Type><Other>keep</Other>");
    WriteDwordValue(document, "Connection_Type", 2);
    WriteStringValue(document, "Account_Name", "Quenlix");
    WriteStringValue(document, "SMTP_Reply_To_Email_Address", "");
    WriteBinaryValue(document, "POP3_Password2", "");
    WriteBinaryValue(document, "Salted", "0AFF");

    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n<MessageAccount>"
        "<Connection_Type type=\"DWORD\">00000002</Connection_Type><Other>keep</Other>"
        "<Account_Name type=\"SZ\">Quenlix</Account_Name>"
        "<POP3_Password2 type=\"BINARY\"/>"
        "<Salted type=\"BINARY\">0AFF</Salted></MessageAccount>\r\n";
    EXPECT_EQ(FileText(document.Save()), expected);
    EXPECT_FALSE(document.HasValue("SMTP_Reply_To_Email_Address"));
}

TEST(OeAccountDocumentTest, SavesANewDocumentAsTheClientsReadIt) {
    TOeAccountDocument document;
    WriteStringValue(document, "Account_Name", "a\"b' <c> & d\x01\x1F\te");
    WriteStringValue(document, "SMTP_Display_Name", "Ünïcødé 😀");

    const std::string bytes = document.Save();
    ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(FileText(bytes), "<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n<MessageAccount>"
                               "<Account_Name type=\"SZ\">a\"b' &lt;c&gt; &amp; d\te</Account_Name>"
                               "<SMTP_Display_Name type=\"SZ\">Ünïcødé 😀</SMTP_Display_Name>"
                               "</MessageAccount>\r\n");

    const auto again = TOeAccountDocument::Parse(bytes);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(ReadStringValue(*again, "Account_Name", ""), "a\"b' <c> & d\te");
    EXPECT_EQ(ReadStringValue(*again, "SMTP_Display_Name", ""), "Ünïcødé 😀");
}

TEST(OeAccountDocumentTest, ParsedDocumentSavesItsRootWithoutItsOwnDeclaration) {
    const TOeAccountDocument document =
        ParseText("<?xml version=\"1.0\" encoding=\"utf-16\" ?>\n<!-- c -->\n<MessageAccount>\n"
                  "\t<A type=\"SZ\">x</A>\n</MessageAccount>\n");
    EXPECT_EQ(FileText(document.Save()),
              "<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n"
              "<MessageAccount><A type=\"SZ\">x</A></MessageAccount>\r\n");
}

} // namespace
