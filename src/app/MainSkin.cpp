// A skin loaded for the main window, apart from the skin on view.
#include "app/MainSkin.h"

#include <exception>

namespace vexil {

const char* const kInvalidSkinFile = "INVALID FILE in SKIN.INI !\rCheck your bitmaps files in Skin.ini";
const char* const kInvalidGotMail = "Invalid file for section [youhavemail]\rOnline= ... in Skin.ini";
const char* const kInvalidOnline = "Invalid file for section [Online]\rOnline= ... in Skin.ini";
const char* const kInvalidOffline = "Invalid file for section [Online]\rNotOnline= ... in Skin.ini";

namespace {

// A picture that must load, or the skin is refused with message.
TPicture Required(const std::function<TPicture(const std::string&)>& loadPicture,
                  const std::string& path, const char* message) {
    try {
        return loadPicture(path);
    } catch (const std::exception&) {
        throw ESkinError(message);
    }
}

}  // namespace

TLoadedSkin LoadMainSkin(const std::string& skinDir, const TSkin& previous,
                         const TImage32& previousMsgBackground, TSkinCheck check,
                         const std::function<TPicture(const std::string&)>& loadPicture) {
    TLoadedSkin skin;
    skin.Values = previous;
    skin.MsgBackground = previousMsgBackground;
    LoadSkinValues(skin.Values, skinDir, skin.Background, skin.MsgBackground,
                   skin.NoMsgBackground);

    const TSkin& v = skin.Values;
    const TSkinButton* buttons[4] = {&v.Connect, &v.Read, &v.Disconnect, &v.Mail};
    for (int i = 0; i < 4; ++i) {
        skin.ButtonOff[i] = Required(loadPicture, buttons[i]->Normal, kInvalidSkinFile);
        skin.ButtonOn[i] = Required(loadPicture, buttons[i]->Select, kInvalidSkinFile);
    }
    skin.NoMail = Required(loadPicture, v.NoMailPath, kInvalidSkinFile);
    if (check == TSkinCheck::Everything) {
        Required(loadPicture, v.GotMailPath, kInvalidGotMail);
        Required(loadPicture, v.OnlinePath, kInvalidOnline);
        Required(loadPicture, v.OfflinePath, kInvalidOffline);
        // The fonts are read as the status display reads them; their errors
        // are the picture decoder's own.
        LoadBitmapFile(v.StatusFontPath);
        LoadBitmapFile(v.CountFontPath);
    }
    return skin;
}

}  // namespace vexil
