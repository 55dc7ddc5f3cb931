// The main window's state on view: the status line (STATBMP) and the message
// count (NBMSGBMP) drawn with the skin's bitmap fonts, the mail picture (FLAG)
// and the online picture (Online), and the status text.  It draws into the
// controls and asks the window to repaint what changed; what to show is the
// main window's business (TVexil).
#pragma once

#include <functional>
#include <string>

#include "app/BitmapText.h"
#include "app/ImageControl.h"
#include "skin/Picture.h"
#include "skin/SkinFile.h"

namespace vexil {

class TStatusDisplay {
public:
    // Repaints part of the window; loads a picture file (by extension);
    // switches the animation timer on or off.
    using TInvalidate = std::function<void(const TRect&)>;
    using TPictureLoader = std::function<TPicture(const std::string&)>;
    using TAnimationSwitch = std::function<void(bool)>;
    TStatusDisplay(TInvalidate invalidate, TPictureLoader loadPicture, TAnimationSwitch animate);

    TImageControl STATBMP, NBMSGBMP, FLAG, Online;

    // The skin whose fonts, background and positions the display uses from
    // now on.  Both stay owned by the caller.
    void UseSkin(const TSkin& skin, const TImage32& background);

    // The text of the status line: what the hint shows and what a click on
    // the mail picture puts back on view.
    const std::string& StatusText() const { return statusText_; }
    void SetStatusText(const std::string& text) { statusText_ = text; }
    // StatusText := text, then drawn.
    void ShowStatus(const std::string& text);

    // Draws text on STATBMP or NBMSGBMP with that font, shifted left by
    // offset pixels; sets the status line's hint to the status text.  An
    // unreadable font file raises EPictureError.
    void DrawBitmapText(TImageControl& target, const std::string& text, int offset,
                        const std::string& fontFile, int charHeight, int charWidth);
    // The same with the skin's status or count font.
    void DrawStatus(const std::string& text);
    // A line of news on the status line, shifted left by offset pixels.  It
    // shows with ShowNews: the ticks of one wake of the ticker draw, and the
    // screen is updated once.
    void DrawNews(const std::string& text, int offset);
    // Shows what DrawNews drew since the last time, through ShowNow when set
    // (a tick of the ticker does not wait for a paint), else repainted like
    // everything else.
    void ShowNews();
    TInvalidate ShowNow;
    void DrawCount(const std::string& digits);
    // The line last drawn on the status line has scrolled out of sight.
    bool LineScrolledOut() const { return lineScrolledOut_; }

    // Loads the mail picture (gotmail or nomail) into FLAG, unless it shows
    // already and no reload is asked for (new mail plays an animated picture
    // from its start again); raises what the picture loader raises.
    void ShowMailPicture(bool mail, bool reload = false);
    // The no-mail picture, decoded already (a skin just loaded).
    void ShowNoMailPicture(const TPicture& picture);
    // Loads the online or offline picture into Online; raises likewise.
    void ShowOnlinePicture(bool online);

    // Moves animated pictures on; true while one still moves.
    void AnimationTick(int elapsedMs);
    bool AnimationRunning() const { return FLAG.Animated() || Online.Animated(); }

    // Paints the four controls onto the window's surface, in their order.
    void Paint(TImage32& surface) const;
    // The hint of the control under the point ("" for none).
    std::string HintAt(int x, int y) const;

private:
    void ShowStateImage(TImageControl& image, const TPicture& picture);
    // DrawBitmapText, repainting through repaint.
    void DrawTextWith(TImageControl& target, const std::string& text, int offset,
                  const std::string& fontFile, int charHeight, int charWidth,
                  const TInvalidate& repaint);
    void Repaint(const TRect& before, const TRect& after);

    TInvalidate invalidate_;
    TPictureLoader loadPicture_;
    TAnimationSwitch animate_;
    const TSkin* skin_ = nullptr;
    const TImage32* background_ = nullptr;
    std::string statusText_;
    TBitmapFontCache fonts_;
    TBitmapTextResult statusPicture_, countPicture_;
    bool lineScrolledOut_ = false;
    TRect newsArea_;  // drawn by DrawNews, not shown yet
    enum class TFlag { Unknown, NoMail, Mail } flag_ = TFlag::Unknown;
};

}  // namespace vexil
