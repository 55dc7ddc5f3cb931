// A skin loaded for the main window: every value of its skin.ini, its two
// backgrounds and the pictures of the window's buttons, loaded apart from the
// skin on view so that a skin that fails to load leaves that one untouched.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "skin/Image.h"
#include "skin/Picture.h"
#include "skin/SkinFile.h"

namespace vexil {

struct TLoadedSkin {
    TSkin Values;
    TImage32 Background, MsgBackground;
    bool NoMsgBackground = false;
    // Normal and select pictures of Connect, RefreshBtn, Disconnect and MAIL.
    std::array<TPicture, 4> ButtonOff, ButtonOn;
    TPicture NoMail;  // what the mail picture shows first
};

// How deeply a skin is checked before it is used.
enum class TSkinCheck {
    // What the window needs to appear: values, backgrounds, button pictures
    // and the no-mail picture.  The other pictures are loaded when first
    // shown, and fail then.
    Start,
    // Every picture and both fonts as well, for a skin that replaces one on
    // view: it must not fail later, when the window depends on it.
    Everything,
};

// Loads the skin of skinDir (ending with a separator) over a copy of the
// values of the skin on view (numbers a skin leaves out keep theirs, and so
// does the message background of a skin without one).  Raises ESkinError
// with the user's message for a skin that has no readable skin.ini, no main
// background or a button picture that cannot be loaded, and the message of a
// state picture that cannot be loaded; EPictureError or EConvertError for a
// background, font or number that is broken.
TLoadedSkin LoadMainSkin(const std::string& skinDir, const TSkin& previous,
                         const TImage32& previousMsgBackground, TSkinCheck check,
                         const std::function<TPicture(const std::string&)>& loadPicture);

// The messages of the pictures that cannot be loaded.
extern const char* const kInvalidSkinFile;
extern const char* const kInvalidGotMail;
extern const char* const kInvalidOnline;
extern const char* const kInvalidOffline;

}  // namespace vexil
