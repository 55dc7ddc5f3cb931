// Content transfer decoders: tables of encoded input and expected bytes.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "pop3/Decoders.h"

namespace vexil {
namespace {

using namespace std::string_literals;

struct TCase {
    std::string In, Out;
};

TEST(DecoderBase64, DecodeUnitGivesOneToThreeBytesByPadding) {
    const TWireDecoder decoder;
    const TCase cases[] = {
        {"TWFu", "Man"},
        {"TWE=", "Ma"},
        {"TQ==", "M"},
        {"////", "\xFF\xFF\xFF"s},
        {"!!!!", "\0\0\0"s},  // outside the alphabet: zero bits, no error
        {"TQ=u", "M"},        // a third "=" wins over the fourth character
    };
    for (const TCase& c : cases) EXPECT_EQ(decoder.DecodeUnit(c.In), c.Out) << c.In;
}

TEST(DecoderBase64, DecodeUnitRefusesOtherLengths) {
    const TWireDecoder decoder;
    for (const std::string unit : {"", "TWF", "TWFuT"}) {
        try {
            decoder.DecodeUnit(unit);
            ADD_FAILURE() << "no error for \"" << unit << "\"";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "DecodeUnit length error.");
        }
    }
}

TEST(DecoderBase64, DecodeLineWorksGroupByGroup) {
    const TWireDecoder decoder;
    const TCase cases[] = {
        {"", ""},
        {"TWFuTWFu", "ManMan"},
        {"TWFuTW", "Man"},    // a partial last group is lost
        {"TWFuTWF", "Man"},
        {"TWE=TWFu", "MaMan"},  // two encoded lines run together
        {"TQ==TQ==", "MM"},
        {"Zm9v\tYmFy", "foo\x01\x89\x85"s},  // the tab counts as a zero sextet
    };
    for (const TCase& c : cases) EXPECT_EQ(decoder.DecodeLine(c.In), c.Out) << c.In;
}

TEST(DecoderBase64, DecodeLineDecodesLongLinesWhole) {
    // Some mailers write an attachment as one enormous line.
    std::string encoded, expected;
    for (int i = 0; i < 2000; ++i) {
        encoded += "AAEC";
        expected += "\x00\x01\x02"s;
    }
    EXPECT_EQ(TWireDecoder().DecodeLine(encoded), expected);
}

TEST(DecoderBase64, EncodedWordText) {
    const TCase cases[] = {
        {"TWFu", "Man"},
        {"TWE=", "Ma"},
        {"TQ==", "M"},
        {"=AAA", ""},  // a group starting with "=" yields nothing
        {"TWFuTQ==", "ManM"},
        {"TWFuTQ", "Man"},
        {"w6k=", "\xC3\xA9"},
    };
    for (const TCase& c : cases) EXPECT_EQ(Base64DecodeText(c.In), c.Out) << c.In;
}

TEST(DecoderQuotedPrintable, Table) {
    const TCase cases[] = {
        {"plain text", "plain text"},
        {"caf=E9", "caf\xE9"},
        {"caf=e9", "caf=e9"},          // small letters are not hex digits here
        {"=C3=A9t=C3=A9", "\xC3\xA9t\xC3\xA9"},
        {"a=3D=3Db", "a==b"},
        {"=3D41", "A"},                // the decoded "=" is scanned again...
        {"x=3D", "x"},                 // ...and dropped when it ends the line
        {"soft break=", "soft break"},  // a last "=" goes
        {"a=\r\nb", "ab"},
        {"a=\n\rb", "ab"},
        {"a=\rxb", "axb"},
        {"a=\nxb", "axb"},
        {"a=ZZb", "a=ZZb"},            // not an escape: stays, scan goes on
        {"a=Z=41", "a=ZA"},
        {"ab=4", "ab=4"},              // one character after "=": stays
        {"=3D=", "=="},
        {"=", ""},
        {"=20", " "},
        {"100% =\x80\x81", "100% =\x80\x81"},
    };
    for (const TCase& c : cases) EXPECT_EQ(QPDecode(c.In), c.Out) << c.In;
}

TEST(DecoderUuencode, CharValues) {
    EXPECT_EQ(UUDecodeChar('`'), 0);
    EXPECT_EQ(UUDecodeChar(' '), 0);
    EXPECT_EQ(UUDecodeChar('!'), 1);
    EXPECT_EQ(UUDecodeChar('M'), 45);
    EXPECT_EQ(UUDecodeChar('_'), 63);
    for (const char bad : {'a', '~', '\x1F', '\x80', '\0'}) {
        try {
            UUDecodeChar(bad);
            ADD_FAILURE() << "no error for " << static_cast<int>(bad);
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "UUCODE: Message format error");
        }
    }
}

TEST(DecoderUuencode, Lines) {
    std::string all45;
    for (int i = 0; i < 45; ++i) all45 += static_cast<char>(i);
    const std::string line45 = "M  $\" P0%!@<(\"0H+# T.#Q 1$A,4%187&!D:&QP='A\\@(2(C)\"4F)R@I*BLL";
    const TCase cases[] = {
        {"", ""},
        {"#86)C", "abc"},
        {"#86)CM86)C", "abc"},  // the count says 3, whatever follows
        {"`", ""},
        {"$86)C", "abc"},       // says 4 but the line only holds 3
        {line45, all45},
        {line45 + "trailing garbage", all45},  // only 60 characters are read when the count is 45
    };
    for (const TCase& c : cases) EXPECT_EQ(UUDecodeLine(c.In), c.Out) << c.In;
    EXPECT_THROW(UUDecodeLine("#86)c"), std::runtime_error);
    EXPECT_THROW(UUDecodeLine("a86)C"), std::runtime_error);
}

}  // namespace
}  // namespace vexil
