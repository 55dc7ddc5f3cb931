// skin.ini values: the number-pair, colour and font style parsers, and the
// skin load over real files in a temporary directory.
#include "skin/SkinFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <utility>
#include <string>
#include <vector>

#include "base/Text.h"
#include "config/IniFile.h"
#include "skin/Picture.h"
#include "support/FakeMessages.h"
#include "support/TempDir.h"

namespace vexil {
namespace {

using test::TFakeMessages;
using test::TTempDir;
using test::WriteFileBytes;

// ---- TraiteInt ----

struct TraiteIntCase {
    const char* Value;
    bool Throws;
    std::int32_t X, Y;  // expected, starting from x = 9, y = 9
};

class TraiteIntTable : public ::testing::TestWithParam<TraiteIntCase> {};

TEST_P(TraiteIntTable, ParsesOrRejects) {
    const TraiteIntCase& c = GetParam();
    std::int32_t x = 9, y = 9;
    if (c.Throws) {
        EXPECT_THROW(TraiteInt(c.Value, x, y), EConvertError);
        return;
    }
    TraiteInt(c.Value, x, y);
    EXPECT_EQ(x, c.X);
    EXPECT_EQ(y, c.Y);
}

INSTANTIATE_TEST_SUITE_P(TraiteInt, TraiteIntTable, ::testing::Values(
    TraiteIntCase{"none", false, 0, 0},
    TraiteIntCase{"", false, 0, 0},
    TraiteIntCase{"10,20", false, 10, 20},
    TraiteIntCase{"5, 5", false, 5, 5},           // blanks after the comma are leading blanks
    TraiteIntCase{"  -3,+4", false, -3, 4},
    TraiteIntCase{"7", false, 7, 9},              // a single number leaves y alone
    TraiteIntCase{"NONE", true, 0, 0},            // "none" is case-sensitive
    TraiteIntCase{"5 ,5", true, 0, 0},            // a blank before the comma
    TraiteIntCase{"5,5 ", true, 0, 0},            // a trailing blank
    TraiteIntCase{"7 ", true, 0, 0},
    TraiteIntCase{"1,2,3", true, 0, 0},           // y is all the rest
    TraiteIntCase{",5", true, 0, 0},
    TraiteIntCase{"size.bmp", true, 0, 0},
    TraiteIntCase{"99999999999,1", true, 0, 0}));

TEST(TraiteIntAliased, SameVariableKeepsTheSecondNumber) {
    std::int32_t n = 0;
    TraiteInt("3,4", n, n);
    EXPECT_EQ(n, 4);
    TraiteInt("none", n, n);
    EXPECT_EQ(n, 0);
}

TEST(TraiteIntAliased, XIsSetBeforeAMalformedY) {
    std::int32_t x = 9, y = 9;
    EXPECT_THROW(TraiteInt("1,x", x, y), EConvertError);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 9);
}

// ---- colours and font styles ----

struct ColorCase {
    const char* Value;
    std::optional<std::uint32_t> Colour;  // nullopt: EConvertError
};

class ColorTable : public ::testing::TestWithParam<ColorCase> {};

TEST_P(ColorTable, ParsesOrRejects) {
    const ColorCase& c = GetParam();
    if (!c.Colour) {
        EXPECT_THROW(ParseSkinColor(c.Value), EConvertError);
        return;
    }
    EXPECT_EQ(ParseSkinColor(c.Value), *c.Colour);
}

INSTANTIATE_TEST_SUITE_P(Color, ColorTable, ::testing::Values(
    ColorCase{"255,0,0", 0x0000FFu},
    ColorCase{"0,255,0", 0x00FF00u},
    ColorCase{"0,0,255", 0xFF0000u},
    ColorCase{" 1 , 2 , 3 ", 0x030201u},
    ColorCase{"300,0,0", 44u},                   // low 8 bits only
    ColorCase{"0,256,-1", 0xFF0000u},
    ColorCase{"255,0", std::nullopt},            // fewer than three numbers
    ColorCase{"255", std::nullopt},
    ColorCase{"", std::nullopt},
    ColorCase{"1,2,3,4", std::nullopt},
    ColorCase{"red,0,0", std::nullopt},
    ColorCase{"1,,3", std::nullopt}));

TEST(SkinFontStyle, BoldAndItalicAnywhereInAnyCase) {
    struct Case { const char* Value; bool Bold, Italic; };
    for (const Case& c : {Case{"Bold,Italic", true, true}, Case{"bold italic", true, true},
                          Case{"BOLD", true, false}, Case{"xItalicx", false, true},
                          Case{"underline", false, false}, Case{"none", false, false},
                          Case{"", false, false}}) {
        const TFontStyle style = ParseFontStyle(c.Value);
        EXPECT_EQ(style.Bold, c.Bold) << c.Value;
        EXPECT_EQ(style.Italic, c.Italic) << c.Value;
    }
}

// ---- the skin load ----

// A 24-bit bottom-up BMP of the picture.
std::string BmpBytes(const TImage32& image) {
    const int w = image.Width(), h = image.Height();
    const int stride = (w * 3 + 3) / 4 * 4;
    const std::uint32_t dataSize = static_cast<std::uint32_t>(stride * h);
    std::string b;
    auto u16 = [&](unsigned v) { b += char(v & 0xFF); b += char((v >> 8) & 0xFF); };
    auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    b += "BM";
    u32(54 + dataSize); u32(0); u32(54);
    u32(40); u32(w); u32(h); u16(1); u16(24); u32(0); u32(dataSize); u32(2835); u32(2835);
    u32(0); u32(0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const TColor32 c = image.Pixel(x, y);
            b += char(c & 0xFF); b += char((c >> 8) & 0xFF); b += char((c >> 16) & 0xFF);
        }
        b.append(stride - w * 3, '\0');
    }
    return b;
}

TImage32 Gradient(int w, int h, unsigned blue) {
    TImage32 image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.SetPixel(x, y, Rgb(x * 20, y * 30, blue));
    return image;
}

// skin.ini lines joined with CR LF, the files' own line ends.
std::string Ini(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

const std::vector<std::string> kFullSkin = {
    "; a complete skin",
    "[Background]",
    "main=back.bmp",
    "msgbkng = msg.bmp",
    "[connect]",
    "cnxbtnnormal=c_n.bmp",
    "cnxbtnselect=c_s.gif",
    "position=1,2",
    "[disconnect]",
    "disbtnnormal=d_n.bmp",
    "disbtnselect=d_s.bmp",
    "position=3,4",
    "[online]",
    "onlinebmp=on.bmp",
    "notonlinebmp=off.bmp",
    "position=5,6",
    "[mailclient]",
    "runmailnormal=m_n.bmp",
    "runmailselect=m_s.bmp",
    "position=7,8",
    "[readmsg]",
    "readbtnnormal=r_n.bmp",
    "readbtnselect=r_s.bmp",
    "position=9,10",
    "[youhavemail]",
    "gotmail=got.bmp",
    "nomail=nomail.bmp",
    "position=11,12",
    "[nbmsg]",
    "nbmsgbmp=digits.bmp",
    "size=8,13",
    "position=14,15",
    "[status]",
    "fontbmp=font.bmp",
    "size=6,9",
    "position=16,17",
    "maxchar=40",
    "[memo_msgwindow]",
    "memo_x=1,20",  // single-integer keys keep the second number
    "memo_y=21",
    "memo_width=300",
    "memo_height=200",
    "fontcolor=10,20,30",
    "fontname=Tahoma",
    "fontstyle=Bold",
    "fontsize=9",
    "prevbtnnormal=p_n.bmp",
    "prevbtnselect=p_s.bmp",
    "prevbtnpos=30,31",
    "nextbtnnormal=n_n.bmp",
    "nextbtnselect=n_s.bmp",
    "nextbtnpos=32,33",
    "replybtnnormal=rp_n.bmp",
    "replybtnselect=rp_s.bmp",
    "replybtnpos=34,35",
    "deletebtnnormal=dl_n.bmp",
    "deletebtnselect=dl_s.bmp",
    "deletebtnpos=36,37",
    "closebtnnormal=cl_n.bmp",
    "closebtnselect=cl_s.bmp",
    "closebtnpos=38,39",
};

// kFullSkin with whole lines replaced (by no line, one or several).
using TEdits = std::vector<std::pair<std::string, std::vector<std::string>>>;
std::vector<std::string> Edited(const TEdits& edits) {
    std::vector<std::string> lines;
    size_t used = 0;
    for (const std::string& line : kFullSkin) {
        bool replaced = false;
        for (const auto& [old, with] : edits) {
            if (line != old) continue;
            lines.insert(lines.end(), with.begin(), with.end());
            replaced = true;
            ++used;
        }
        if (!replaced) lines.push_back(line);
    }
    if (used != edits.size()) throw std::logic_error("an edit matches no line of kFullSkin");
    return lines;
}

class SkinLoad : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileBytes(dir.File("back.bmp"), BmpBytes(kBack));
        WriteFileBytes(dir.File("msg.bmp"), BmpBytes(kMsg));
    }
    void WriteSkin(const std::vector<std::string>& lines) {
        WriteFileBytes(dir.File("skin.ini"), Ini(lines));
    }
    void Load() { LoadSkinValues(skin, dir.Path(), background, msgBackground, noMsg); }
    // The message of the ESkinError that Load raises ("" when it raises none).
    std::string LoadError() {
        try {
            Load();
        } catch (const ESkinError& e) {
            return e.what();
        }
        return std::string();
    }
    std::string P(const std::string& name) const { return dir.Path() + name; }

    const TImage32 kBack = Gradient(5, 3, 0x40);
    const TImage32 kMsg = Gradient(3, 4, 0x80);
    TTempDir dir;
    TSkin skin;
    TImage32 background, msgBackground;
    bool noMsg = false;
};

TEST_F(SkinLoad, ReadsEveryValueOfACompleteSkin) {
    WriteSkin(kFullSkin);
    Load();

    EXPECT_EQ(skin.MainPath, P("back.bmp"));
    EXPECT_EQ(skin.MsgPath, P("msg.bmp"));
    EXPECT_EQ(background, kBack);
    EXPECT_EQ(msgBackground, kMsg);
    EXPECT_FALSE(noMsg);

    struct Btn { const TSkinButton& B; const char *N, *S; int X, Y; };
    for (const Btn& b : {Btn{skin.Connect, "c_n.bmp", "c_s.gif", 1, 2},
                         Btn{skin.Disconnect, "d_n.bmp", "d_s.bmp", 3, 4},
                         Btn{skin.Mail, "m_n.bmp", "m_s.bmp", 7, 8},
                         Btn{skin.Read, "r_n.bmp", "r_s.bmp", 9, 10},
                         Btn{skin.Prev, "p_n.bmp", "p_s.bmp", 30, 31},
                         Btn{skin.Next, "n_n.bmp", "n_s.bmp", 32, 33},
                         Btn{skin.Reply, "rp_n.bmp", "rp_s.bmp", 34, 35},
                         Btn{skin.Delete, "dl_n.bmp", "dl_s.bmp", 36, 37},
                         Btn{skin.Close, "cl_n.bmp", "cl_s.bmp", 38, 39}}) {
        EXPECT_EQ(b.B.Normal, P(b.N));
        EXPECT_EQ(b.B.Select, P(b.S));
        EXPECT_EQ(b.B.X, b.X) << b.N;
        EXPECT_EQ(b.B.Y, b.Y) << b.N;
    }
    EXPECT_EQ(skin.OnlinePath, P("on.bmp"));
    EXPECT_EQ(skin.OfflinePath, P("off.bmp"));
    EXPECT_EQ(std::make_pair(skin.OnlineX, skin.OnlineY), std::make_pair(5, 6));
    EXPECT_EQ(skin.GotMailPath, P("got.bmp"));
    EXPECT_EQ(skin.NoMailPath, P("nomail.bmp"));
    EXPECT_EQ(std::make_pair(skin.FlagX, skin.FlagY), std::make_pair(11, 12));
    EXPECT_EQ(skin.CountFontPath, P("digits.bmp"));
    EXPECT_EQ(std::vector<int>({skin.CountW, skin.CountH, skin.CountX, skin.CountY}),
              std::vector<int>({8, 13, 14, 15}));
    EXPECT_EQ(skin.StatusFontPath, P("font.bmp"));
    EXPECT_EQ(std::vector<int>({skin.StatusW, skin.StatusH, skin.StatusX, skin.StatusY,
                                skin.MaxChar}),
              std::vector<int>({6, 9, 16, 17, 40}));
    EXPECT_EQ(std::vector<int>({skin.MemoX, skin.MemoY, skin.MemoW, skin.MemoH}),
              std::vector<int>({20, 21, 300, 200}));
    EXPECT_EQ(skin.FontColor, 10u + 20u * 256 + 30u * 65536);
    EXPECT_EQ(skin.FontName, "Tahoma");
    EXPECT_EQ(skin.FontStyle, "Bold");
    EXPECT_EQ(skin.FontSize, 9);
}

TEST_F(SkinLoad, MissingValuesTakeTheirFallbacks) {
    WriteSkin(Edited({{"maxchar=40", {}}, {"fontcolor=10,20,30", {}}, {"fontname=Tahoma", {}},
                      {"fontstyle=Bold", {}}, {"fontsize=9", {}}, {"msgbkng = msg.bmp", {}},
                      {"cnxbtnselect=c_s.gif", {}}}));
    skin.FontColor = 0x123456;
    msgBackground = Gradient(2, 2, 0xEE);  // the previous skin's
    const TImage32 previous = msgBackground;
    Load();

    EXPECT_EQ(skin.MaxChar, 128);
    EXPECT_EQ(skin.FontColor, 0u);
    EXPECT_EQ(skin.FontName, "arial");
    EXPECT_EQ(skin.FontStyle, "none");
    EXPECT_EQ(skin.FontSize, 7);
    EXPECT_TRUE(noMsg);
    EXPECT_EQ(skin.MsgPath, "none");  // bare, unlike every other file field
    EXPECT_EQ(msgBackground, previous);
    EXPECT_EQ(skin.Connect.Select, P("none"));
}

TEST_F(SkinLoad, ZeroOrEmptyValuesCountAsMissing) {
    WriteSkin(Edited({{"maxchar=40", {"maxchar=0"}}, {"fontname=Tahoma", {"fontname="}},
                      {"fontsize=9", {"fontsize=none"}}, {"msgbkng = msg.bmp", {"msgbkng="}}}));
    Load();
    EXPECT_EQ(skin.MaxChar, 128);
    EXPECT_EQ(skin.FontName, "arial");
    EXPECT_EQ(skin.FontSize, 7);
    EXPECT_TRUE(noMsg);
}

TEST_F(SkinLoad, LoadingASkinWithMsgbkngDoesNotClearTheFlag) {
    WriteSkin(kFullSkin);
    noMsg = true;  // left from an earlier skin; the caller clears it
    Load();
    EXPECT_TRUE(noMsg);
    EXPECT_EQ(msgBackground, kMsg);
}

TEST_F(SkinLoad, KeyMissingFromItsSectionComesFromALaterOne) {
    WriteSkin(Edited({{"position=1,2", {}}}));
    Load();
    EXPECT_EQ(skin.Connect.X, 3);  // [disconnect]'s position
    EXPECT_EQ(skin.Connect.Y, 4);
}

TEST_F(SkinLoad, SingleNumberPositionKeepsThePreviousY) {
    WriteSkin(Edited({{"position=1,2", {"position=7"}}}));
    skin.Connect.Y = 55;
    Load();
    EXPECT_EQ(skin.Connect.X, 7);
    EXPECT_EQ(skin.Connect.Y, 55);
}

TEST_F(SkinLoad, MissingMainBackgroundIsRefusedWithItsMessage) {
    WriteSkin(Edited({{"[Background]", {}}, {"main=back.bmp", {}}}));
    skin.FontName = "old";
    EXPECT_EQ(LoadError(),
              "Main Background not found in Skin.ini!\rsee section [Background] in Skin.ini, "
              "line : Main=");
    EXPECT_TRUE(background.Empty());
    EXPECT_EQ(skin.FontName, "old");
}

TEST_F(SkinLoad, EmptyMainIsAMissingMain) {
    WriteSkin(Edited({{"main=back.bmp", {"main="}}}));
    EXPECT_EQ(LoadError(), kMainBackgroundNotFound);
}

TEST_F(SkinLoad, UnreadableSkinIniIsRefusedWithTheSkinPathMessage) {
    // no skin.ini written
    EXPECT_EQ(LoadError(),
              "SKIN PATH not found !\rCheck/create the VEXIL.INI line : current_skin = your "
              "skin dir.");
}

TEST_F(SkinLoad, UnloadableBackgroundEscapesAfterItsPathIsSet) {
    WriteFileBytes(dir.File("back.bmp"), "not a bitmap");
    WriteSkin(kFullSkin);
    skin.MsgPath = "old";
    EXPECT_THROW(Load(), EPictureError);
    EXPECT_EQ(skin.MainPath, P("back.bmp"));
    EXPECT_EQ(skin.MsgPath, "old");
}

TEST_F(SkinLoad, UnloadableMessageBackgroundEscapes) {
    WriteSkin(Edited({{"msgbkng = msg.bmp", {"msgbkng = nothere.bmp"}}}));
    skin.Connect.Normal = "old";
    EXPECT_THROW(Load(), EPictureError);
    EXPECT_EQ(skin.MsgPath, P("nothere.bmp"));
    EXPECT_EQ(skin.Connect.Normal, "old");
}

// A malformed number ends the load at its key: what came before holds the new
// values, what comes after the old ones.
struct MalformedCase {
    const char* Name;
    TEdits Edits;
};

class SkinLoadMalformed : public SkinLoad,
                          public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(SkinLoadMalformed, StopsAtTheBadKey) {
    WriteSkin(Edited(GetParam().Edits));
    skin.Connect.Normal = "old";
    skin.Close.X = 99;
    EXPECT_THROW(Load(), EConvertError);
    EXPECT_EQ(background, kBack);
    EXPECT_EQ(skin.Connect.Normal, P("c_n.bmp"));
    EXPECT_EQ(skin.Close.X, 99);
}

INSTANTIATE_TEST_SUITE_P(SkinLoad, SkinLoadMalformed, ::testing::Values(
    MalformedCase{"BlankBeforeComma", {{"position=5,6", {"position=5 ,6"}}}},
    // A fontbmp line naming size.bmp is taken as the size line.
    MalformedCase{"FontFileAsSize", {{"fontbmp=font.bmp", {"fontbmp=size.bmp"}}}},
    MalformedCase{"MaxCharText", {{"maxchar=40", {"maxchar=forty"}}}},
    MalformedCase{"TwoNumberColour", {{"fontcolor=10,20,30", {"fontcolor=255,0"}}}},
    MalformedCase{"FontSizeWithComma", {{"fontsize=9", {"fontsize=8,9"}}}},
    MalformedCase{"ButtonPosition", {{"closebtnpos=38,39", {"closebtnpos=1;2"}}}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SkinLoad, MalformedNumberLeavesLaterFieldsAsTheyWere) {
    WriteSkin(Edited({{"position=5,6", {"position=5 ,6"}}}));  // [online]
    skin.OnlineX = 42;
    skin.Mail.Normal = skin.FontName = "old";
    EXPECT_THROW(Load(), EConvertError);
    EXPECT_EQ(skin.Disconnect.X, 3);
    EXPECT_EQ(skin.OfflinePath, P("off.bmp"));  // read just before the bad position
    EXPECT_EQ(skin.OnlineX, 42);
    EXPECT_EQ(skin.Mail.Normal, "old");
    EXPECT_EQ(skin.FontName, "old");
}

}  // namespace
}  // namespace vexil
