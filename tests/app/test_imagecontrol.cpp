// State pictures of the main window: which pixels are transparent, and how
// animated pictures move on.
#include <gtest/gtest.h>

#include "app/ImageControl.h"

namespace vexil {
namespace {

TPicture OneFrame(TPictureFormat format, TImage32 frame, bool mono = false) {
    TPicture p;
    p.Format = format;
    p.Monochrome = mono;
    p.Frames.push_back(std::move(frame));
    p.DelaysMs.push_back(0);
    return p;
}

TEST(ImageControlState, BottomLeftColourIsTransparentInBitmaps) {
    TImage32 img(3, 2, Rgb(1, 2, 3));
    img.SetPixel(0, 1, Rgb(9, 9, 9));  // bottom-left
    img.SetPixel(2, 0, Rgb(9, 9, 9));
    img.SetPixel(1, 0, Rgb(9, 9, 10));  // one component off: stays
    const TImage32 out = StatePictureFrame(OneFrame(TPictureFormat::Bmp, img));
    EXPECT_FALSE(IsOpaque(out.Pixel(0, 1)));
    EXPECT_FALSE(IsOpaque(out.Pixel(2, 0)));
    EXPECT_TRUE(IsOpaque(out.Pixel(1, 0)));
    EXPECT_TRUE(IsOpaque(out.Pixel(0, 0)));

    // A 1-bit bitmap drops white, whatever its corner holds.
    TImage32 mono(2, 1, Rgb(255, 255, 255));
    mono.SetPixel(0, 0, Rgb(0, 0, 0));
    const TImage32 m = StatePictureFrame(OneFrame(TPictureFormat::Bmp, mono, true));
    EXPECT_TRUE(IsOpaque(m.Pixel(0, 0)));
    EXPECT_FALSE(IsOpaque(m.Pixel(1, 0)));

    // GIF pictures keep their own transparency, even where the corner colour repeats.
    TImage32 gif(2, 1, Rgb(5, 5, 5));
    gif.SetPixel(1, 0, RgbOf(Rgb(7, 7, 7)));  // alpha 0
    const TImage32 g = StatePictureFrame(OneFrame(TPictureFormat::Gif, gif));
    EXPECT_TRUE(IsOpaque(g.Pixel(0, 0)));
    EXPECT_FALSE(IsOpaque(g.Pixel(1, 0)));

    // Drawn onto a surface, transparent pixels leave it as it was.
    TImageControl c;
    c.Transparency = TImageTransparency::State;
    c.SetPicture(out);
    TImage32 surface(3, 2, Rgb(100, 100, 100));
    c.Paint(surface);
    EXPECT_EQ(surface.Pixel(0, 1), Rgb(100, 100, 100));
    EXPECT_EQ(surface.Pixel(0, 0), Rgb(1, 2, 3));
}

TEST(ImageControlAnimation, FramesFollowTheirDelays) {
    std::vector<TImage32> frames = {TImage32(2, 2, Rgb(1, 0, 0)), TImage32(2, 2, Rgb(2, 0, 0)),
                                    TImage32(2, 2, Rgb(3, 0, 0))};
    TImageControl c;
    c.SetFrames(frames, {50, 0, 200});  // 0 shows for 100 ms
    ASSERT_TRUE(c.Animated());
    EXPECT_EQ(c.Width, 2);
    struct Step {
        int elapsed;
        bool changed;
        unsigned red;
    };
    const Step steps[] = {{40, false, 1}, {20, true, 2}, {90, true, 3},
                          {190, false, 3}, {20, true, 1}, {400, true, 2}};  // 10 + 400 runs past a whole cycle
    for (const Step& s : steps) {
        EXPECT_EQ(c.Animate(s.elapsed), s.changed) << s.elapsed;
        EXPECT_EQ(c.Picture().Pixel(0, 0), Rgb(s.red, 0, 0)) << s.elapsed;
    }
    c.SetPicture(frames[1]);
    EXPECT_FALSE(c.Animated());
    EXPECT_FALSE(c.Animate(1000));

    // Two rounds, then the picture rests on its last frame.
    c.SetFrames(frames, {100, 100, 100}, 2);
    EXPECT_TRUE(c.Animate(550));
    EXPECT_TRUE(c.Animated());
    EXPECT_EQ(c.Picture().Pixel(0, 0), Rgb(3, 0, 0));
    EXPECT_FALSE(c.Animate(60));  // past the end of the second round
    EXPECT_FALSE(c.Animated());
    EXPECT_FALSE(c.Animate(1000));
    EXPECT_EQ(c.Picture().Pixel(0, 0), Rgb(3, 0, 0));
}

}  // namespace
}  // namespace vexil
