// The image button: its pointer and press states, the events they raise, and
// what Paint leaves on the parent's surface, compared pixel by pixel with a
// surface composed by hand.
#include "skin/ImgBtn.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexil {
namespace {

const TColor32 kGround = Rgb(9, 9, 9);
const TColor32 kOff = Rgb(200, 0, 0);
const TColor32 kOn = Rgb(0, 200, 0);
const TColor32 kWhite = Rgb(255, 255, 255);
const TColor32 kBlack = Rgb(0, 0, 0);

// Text is 6 pixels a character wide and 10 high; drawing is only recorded, so
// it never shows up in the surface comparisons.
class TRecordingText : public ITextPainter {
public:
    struct TCall {
        int X, Y;
        std::string Text;
        bool Opaque;
        TColor32 Background;
    };
    std::vector<TCall> Calls;

    void TextExtent(const std::string& text, int& w, int& h) override {
        w = 6 * static_cast<int>(text.size());
        h = 10;
    }
    void DrawText(TImage32&, int x, int y, const std::string& text, bool opaque,
                  TColor32 background) override {
        Calls.push_back(TCall{x, y, text, opaque, background});
    }
};

// PicOff: 10x8 red with a magenta corner and one pixel a step from magenta.
TImage32 OffPicture() {
    TImage32 p(10, 8, kOff);
    p.FillRect(TRect{0, 0, 3, 2}, kMagenta);
    p.SetPixel(5, 5, Rgb(255, 0, 254));
    return p;
}
TImage32 OnPicture() {
    TImage32 p(12, 9, kOn);
    p.SetPixel(11, 8, kMagenta);
    return p;
}

class ImgBtnTest : public ::testing::Test {
protected:
    void SetUp() override {
        btn.Text = &text;
        btn.OnRepaint = [this](const TRect& area) {
            ++repaints;
            repainted.push_back(area);
        };
        btn.OnClick = [this] { ++clicks; };
        btn.OnMouseEnter = [this] { ++enters; };
        btn.OnMouseLeave = [this] { ++leaves; };
        btn.OnMouseDown = [this](TMouseButton b, TShiftState s, int x, int y) {
            downs.push_back({static_cast<int>(b), static_cast<int>(s), x, y});
        };
    }
    void WithPictures() {
        btn.SetPicOff(OffPicture());
        btn.SetPicOn(OnPicture());
        repaints = 0;
    }
    TImage32 Ground() const { return TImage32(80, 70, kGround); }
    void Paint(TImage32& surface) { btn.Paint(surface); }

    TImgBtn btn;
    TRecordingText text;
    int repaints = 0, clicks = 0, enters = 0, leaves = 0;
    std::vector<TRect> repainted;
    std::vector<std::vector<int>> downs;
};

// ---- states and events ----

TEST_F(ImgBtnTest, PressMoveOutAndReleaseRaisesNoClick) {
    btn.MouseEnter();
    EXPECT_TRUE(btn.PointerOver());
    EXPECT_EQ(repaints, 1);
    EXPECT_EQ(enters, 1);

    btn.MouseDown(TMouseButton::Left, ssLeft, 4, 5);
    EXPECT_TRUE(btn.Pressed());
    EXPECT_EQ(repaints, 2);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0], (std::vector<int>{int(TMouseButton::Left), int(ssLeft), 4, 5}));

    btn.MouseLeave();
    EXPECT_FALSE(btn.PointerOver());
    EXPECT_FALSE(btn.Pressed());  // comes back raised at once
    EXPECT_EQ(repaints, 3);
    EXPECT_EQ(leaves, 1);

    btn.MouseUp(TMouseButton::Left, 0, 25, 5);
    EXPECT_FALSE(btn.Pressed());
    EXPECT_EQ(clicks, 0);
}

TEST_F(ImgBtnTest, ReleaseInsideTheButtonClicks) {
    struct Release { int X, Y; bool Clicks; };
    for (const Release r : {Release{0, 0, true}, Release{19, 19, true}, Release{20, 5, false},
                            Release{5, 20, false}, Release{-1, 5, false}}) {
        clicks = 0;
        btn.MouseEnter();
        btn.MouseDown(TMouseButton::Left, ssLeft, 10, 10);
        btn.MouseUp(TMouseButton::Left, 0, r.X, r.Y);
        EXPECT_FALSE(btn.Pressed());
        EXPECT_EQ(clicks, r.Clicks ? 1 : 0) << r.X << ',' << r.Y;
    }
}

TEST_F(ImgBtnTest, ClickNeedsTheLeftButtonPressedOnTheButton) {
    btn.MouseEnter();
    btn.MouseUp(TMouseButton::Left, 0, 5, 5);  // pressed elsewhere
    EXPECT_EQ(clicks, 0);

    repaints = 0;
    btn.MouseDown(TMouseButton::Right, ssRight, 5, 5);
    EXPECT_FALSE(btn.Pressed());
    EXPECT_EQ(repaints, 0);
    EXPECT_EQ(downs.size(), 1u);  // still reported
    btn.MouseUp(TMouseButton::Right, 0, 5, 5);
    EXPECT_EQ(clicks, 0);

    // The press survives a trip outside and back.
    btn.MouseDown(TMouseButton::Left, ssLeft, 5, 5);
    btn.MouseLeave();
    btn.MouseEnter();
    btn.MouseUp(TMouseButton::Left, 0, 5, 5);
    EXPECT_EQ(clicks, 1);
    btn.MouseUp(TMouseButton::Left, 0, 5, 5);  // no second click from one press
    EXPECT_EQ(clicks, 1);
}

TEST_F(ImgBtnTest, RepaintsOnNewPicturesAndOnlyOnANewCheckedValue) {
    btn.SetPicOff(OffPicture());
    btn.SetPicOn(OnPicture());
    EXPECT_EQ(repaints, 2);
    btn.SetChecked(false);
    EXPECT_EQ(repaints, 2);
    btn.SetChecked(true);
    EXPECT_TRUE(btn.Checked());
    EXPECT_EQ(repaints, 3);
    btn.SetChecked(true);
    EXPECT_EQ(repaints, 3);
}

// A double click comes as press, release, press, release: the second press
// looks pressed but does not click again.
TEST_F(ImgBtnTest, DoubleClickIsOneClick) {
    btn.MouseEnter();
    btn.MouseDown(TMouseButton::Left, ssLeft, 5, 5);
    btn.MouseUp(TMouseButton::Left, 0, 5, 5);
    btn.MouseDown(TMouseButton::Left, ssLeft | ssDouble, 5, 5);
    EXPECT_TRUE(btn.Pressed());
    btn.MouseUp(TMouseButton::Left, 0, 5, 5);
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_EQ(downs[1][1], int(ssLeft | ssDouble));  // the handler still sees it as such
    btn.MouseDown(TMouseButton::Left, ssLeft, 5, 5);  // a new click after it counts again
    btn.MouseUp(TMouseButton::Left, 0, 5, 5);
    EXPECT_EQ(clicks, 2);
}

// Pictures of different sizes: the button takes its size when what it shows
// changes, and the repaint covers both the old and the new rectangle, so the
// larger picture is never cut and the smaller one leaves nothing behind.
TEST_F(ImgBtnTest, SizeFollowsThePictureOnViewAndRepaintsBothRectangles) {
    btn.Left = 30;
    btn.Top = 40;
    btn.SetPicOff(OffPicture());  // 10 x 8
    btn.SetPicOn(OnPicture());    // 12 x 9
    EXPECT_EQ(btn.BoundsRect(), (TRect{30, 40, 40, 48}));
    repainted.clear();
    btn.MouseEnter();
    EXPECT_EQ(btn.BoundsRect(), (TRect{30, 40, 42, 49}));
    ASSERT_EQ(repainted.size(), 1u);
    EXPECT_EQ(repainted[0], (TRect{30, 40, 42, 49}));
    TImage32 surface = Ground(), expected = Ground();
    Paint(surface);
    expected.DrawKeyed(OnPicture(), 30, 40, kMagenta);
    EXPECT_EQ(surface, expected);  // whole at the first paint

    repainted.clear();
    btn.MouseLeave();
    EXPECT_EQ(btn.BoundsRect(), (TRect{30, 40, 40, 48}));
    ASSERT_EQ(repainted.size(), 1u);
    EXPECT_EQ(repainted[0], (TRect{30, 40, 42, 49}));  // the larger one goes too
}

// ---- painting ----

TEST_F(ImgBtnTest, EmptyPicOffPaintsNothing) {
    btn.SetPicOn(OnPicture());
    btn.SetCaption("ab");
    btn.SetFrame(true);
    btn.MouseEnter();
    TImage32 surface = Ground();
    Paint(surface);
    EXPECT_EQ(surface, Ground());
    EXPECT_TRUE(text.Calls.empty());
    EXPECT_EQ(btn.Width, 20);  // not autosized either
}

TEST_F(ImgBtnTest, DrawsPicOffOrPicOnWithMagentaLeftOut) {
    WithPictures();
    btn.Left = 7;
    btn.Top = 5;
    TImage32 surface = Ground();
    Paint(surface);
    TImage32 expected = Ground();
    expected.FillRect(TRect{7, 5, 17, 13}, kOff);
    expected.FillRect(TRect{7, 5, 10, 7}, kGround);   // the magenta corner
    expected.SetPixel(12, 10, Rgb(255, 0, 254));      // drawn: not exactly magenta
    EXPECT_EQ(surface, expected);

    btn.MouseEnter();
    surface = Ground();
    Paint(surface);
    expected = Ground();
    expected.FillRect(TRect{7, 5, 19, 14}, kOn);
    expected.SetPixel(18, 13, kGround);
    EXPECT_EQ(surface, expected);
}

TEST_F(ImgBtnTest, PointerOverWithEmptyPicOnDrawsPicOff) {
    btn.SetPicOff(OffPicture());
    btn.Left = 20;
    btn.Top = 3;
    btn.MouseEnter();
    TImage32 surface = Ground(), expected = Ground();
    Paint(surface);
    expected.DrawKeyed(OffPicture(), 20 - 5, 3, kMagenta);  // centred on the empty PicOn's width 0
    EXPECT_EQ(surface, expected);
    EXPECT_EQ(btn.Width, 0);
    EXPECT_EQ(btn.Height, 0);
}

TEST_F(ImgBtnTest, TransparentPixelsOfADecodedPictureAreLeftOut) {
    TPicture picture;
    picture.Frames.push_back(TImage32(4, 2, kOn));
    picture.Frames[0].SetPixel(1, 1, 0x00123456u);  // alpha 0
    btn.SetPicOff(picture);
    TImage32 surface = Ground();
    Paint(surface);
    EXPECT_EQ(surface.Pixel(0, 0), kOn);
    EXPECT_EQ(surface.Pixel(1, 1), kGround);
}

TEST_F(ImgBtnTest, InvisibleButtonPaintsNothing) {
    WithPictures();
    btn.Visible = false;
    TImage32 surface = Ground();
    Paint(surface);
    EXPECT_EQ(surface, Ground());
}

struct SizeCase {
    bool Frame;
    const char* Caption;
    bool Over, EmptyPicOn;
    int W, H;
};

class ImgBtnAutosize : public ImgBtnTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(ImgBtnAutosize, SizesToTheCurrentPicture) {
    const SizeCase& c = GetParam();
    btn.SetPicOff(OffPicture());              // 10 x 8
    if (!c.EmptyPicOn) btn.SetPicOn(OnPicture());  // 12 x 9
    btn.SetFrame(c.Frame);
    btn.SetCaption(c.Caption);                // "ab" is 12 x 10
    if (c.Over) btn.MouseEnter();
    TImage32 surface = Ground();
    Paint(surface);
    EXPECT_EQ(btn.Width, c.W);
    EXPECT_EQ(btn.Height, c.H);
}

INSTANTIATE_TEST_SUITE_P(ImgBtn, ImgBtnAutosize, ::testing::Values(
    SizeCase{false, "", false, false, 10, 8},
    SizeCase{false, "", true, false, 12, 9},
    SizeCase{true, "", false, false, 12, 10},
    SizeCase{true, "", true, false, 14, 11},
    SizeCase{false, "ab", false, false, 42, 38},
    SizeCase{true, "ab", false, false, 44, 40},
    SizeCase{true, "", true, true, 2, 2}));

TEST_F(ImgBtnTest, WithoutAutosizeThePictureIsCentredRoundingTowardZero) {
    btn.SetAutosize(false);
    btn.SetPicOff(OffPicture());
    btn.Left = 20;
    btn.Top = 3;
    struct Case { int Width, X; };
    for (const Case c : {Case{30, 10}, Case{15, 2}, Case{10, 0}, Case{5, -2}}) {
        btn.Width = c.Width;
        TImage32 surface = Ground(), expected = Ground();
        Paint(surface);
        expected.DrawKeyed(OffPicture(), 20 + c.X, 3, kMagenta);
        EXPECT_EQ(surface, expected) << "width " << c.Width;
        EXPECT_EQ(btn.Width, c.Width);
        EXPECT_EQ(btn.Height, 20);
    }
}

TEST_F(ImgBtnTest, FrameIsRaisedWhileOverAndSunkWhilePressed) {
    WithPictures();
    btn.SetFrame(true);
    btn.FrameColor = Rgb(1, 2, 3);
    btn.Left = 4;
    btn.Top = 6;

    TImage32 surface = Ground();
    Paint(surface);  // pointer outside: no frame, picture at 1,1
    TImage32 expected = Ground();
    expected.DrawKeyed(OffPicture(), 4 + 1 + 1, 6 + 1, kMagenta);
    EXPECT_EQ(surface, expected);

    auto framed = [&](TColor32 topLeft, TColor32 bottomRight) {
        // 14 x 11: PicOn plus the frame's 2.
        TImage32 e = Ground();
        e.FillRect(TRect{4, 6, 18, 17}, Rgb(1, 2, 3));
        e.FillRect(TRect{4, 6, 18, 7}, topLeft);
        e.FillRect(TRect{4, 6, 5, 17}, topLeft);
        e.FillRect(TRect{17, 6, 18, 17}, bottomRight);
        e.FillRect(TRect{4, 16, 18, 17}, bottomRight);
        e.DrawKeyed(OnPicture(), 4 + 1 + 1, 6 + 1, kMagenta);
        return e;
    };
    btn.MouseEnter();
    surface = Ground();
    Paint(surface);
    EXPECT_EQ(surface, framed(kWhite, kBlack));

    btn.MouseDown(TMouseButton::Left, ssLeft, 1, 1);
    surface = Ground();
    Paint(surface);
    EXPECT_EQ(surface, framed(kBlack, kWhite));
}

TEST_F(ImgBtnTest, CaptionUnderThePictureShowsTheCheckState) {
    WithPictures();
    btn.SetFrame(true);
    btn.SetCaption("abc");  // 18 x 10
    btn.CheckButton = true;
    btn.Left = 2;
    btn.Top = 1;
    TImage32 surface = Ground();
    Paint(surface);
    // 10 + 2 + 18 + 20 = 50 wide, 8 + 2 + 10 + 20 = 40 high; picture at 1 + 20, 4.
    ASSERT_EQ(btn.Width, 50);
    TImage32 expected = Ground();
    expected.DrawKeyed(OffPicture(), 2 + 1 + 20, 1 + 4, kMagenta);
    EXPECT_EQ(surface, expected);
    ASSERT_EQ(text.Calls.size(), 1u);
    EXPECT_EQ(text.Calls[0].X, 2 + 16);
    EXPECT_EQ(text.Calls[0].Y, 1 + 40 - 10 - 6);
    EXPECT_EQ(text.Calls[0].Text, "abc");
    EXPECT_FALSE(text.Calls[0].Opaque);

    btn.CheckColor = Rgb(7, 7, 7);
    btn.SetChecked(true);
    Paint(surface);
    ASSERT_EQ(text.Calls.size(), 2u);
    EXPECT_TRUE(text.Calls[1].Opaque);
    EXPECT_EQ(text.Calls[1].Background, Rgb(7, 7, 7));

    btn.CheckButton = false;  // checked alone does not show
    Paint(surface);
    EXPECT_FALSE(text.Calls[2].Opaque);
}

TEST_F(ImgBtnTest, AutosizedCaptionWithoutFrameOffsetsThePicture) {
    WithPictures();
    btn.SetCaption("ab");  // increments 32 x 30 double as the picture's offset
    TImage32 surface = Ground(), expected = Ground();
    Paint(surface);
    expected.DrawKeyed(OffPicture(), 32 + 16, 30, kMagenta);
    EXPECT_EQ(surface, expected);
}

}  // namespace
}  // namespace vexil
