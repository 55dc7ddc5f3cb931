// The values of a skin's skin.ini: the parsers of its value syntax (number
// pairs, colours, font styles), the record that holds a loaded skin, and the
// load of that record and of the two background bitmaps.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "skin/Image.h"

namespace vexil {

// A skin that cannot be used at all, with the message the user sees: a skin
// folder without a readable skin.ini, a skin without a main background, a
// picture of the window's controls that cannot be loaded.
class ESkinError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses a Position or Size value.  "none" or "" gives 0,0; "x,y" sets both;
// a single number sets x and leaves y alone.  The loader passes one variable
// as both x and y for single-integer keys, so "3,4" there yields 4.
// Raises EConvertError on a malformed number ("5 ,5" is one: only leading
// blanks are allowed).
void TraiteInt(const std::string& value, std::int32_t& x, std::int32_t& y);

// Parses "r,g,b" (blanks around each number allowed) into
// red + green*256 + blue*65536, keeping the low 8 bits of each number.
// Fewer than three numbers raise EConvertError.
std::uint32_t ParseSkinColor(const std::string& value);

struct TFontStyle {
    bool Bold = false, Italic = false;
};
// "bold" and "italic" anywhere in the text, in any case; anything else is regular.
TFontStyle ParseFontStyle(const std::string& value);

struct TSkinButton {
    std::string Normal, Select;  // PicOff and PicOn of the button, full paths
    std::int32_t X = 0, Y = 0;
};

// Everything read from skin.ini.  File fields hold skin directory + value,
// even when the value is "none"; only MsgPath holds the bare "none" when the
// skin has no message background.  Numbers keep their last value between
// loads (a position without a comma changes only x).
struct TSkin {
    std::string MainPath, MsgPath;
    TSkinButton Connect, Disconnect, Mail, Read;  // [connect] [disconnect] [mailclient] [readmsg]
    std::string OnlinePath, OfflinePath;
    std::int32_t OnlineX = 0, OnlineY = 0;
    std::string GotMailPath, NoMailPath;
    std::int32_t FlagX = 0, FlagY = 0;
    std::string CountFontPath;
    std::int32_t CountW = 0, CountH = 0, CountX = 0, CountY = 0;
    std::string StatusFontPath;
    std::int32_t StatusW = 0, StatusH = 0, StatusX = 0, StatusY = 0, MaxChar = 0;
    std::int32_t MemoX = 0, MemoY = 0, MemoW = 0, MemoH = 0;
    std::uint32_t FontColor = 0;
    std::string FontName, FontStyle;  // FontStyle is kept as written; see ParseFontStyle
    std::int32_t FontSize = 0;
    TSkinButton Prev, Next, Reply, Delete, Close;  // the message window's buttons
};

// Reads every value of skinDir + "skin.ini" into skin, field by field in the
// file's documented order, and loads the main background into background and
// msgbkng into msgBackground.  skinDir ends with the path delimiter.
//
// An unreadable skin.ini raises ESkinError with the skin path message
// (kSkinPathNotFound), a missing main background ESkinError with its own
// message; nothing is changed then.  Without msgbkng, noMsgBackground is set and
// msgBackground keeps what it held; the flag is never cleared here (the
// caller clears it before a fresh start).  A malformed number (EConvertError)
// or an unloadable background (EPictureError) escapes to the caller: the
// fields read before it hold the new skin's values, the later ones the old.
void LoadSkinValues(TSkin& skin, const std::string& skinDir, TImage32& background,
                    TImage32& msgBackground, bool& noMsgBackground);

// The fatal message of a skin without a main background.
extern const char* const kMainBackgroundNotFound;

}  // namespace vexil
