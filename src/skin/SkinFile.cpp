// Parsing and loading of a skin's skin.ini.  Every value is a separate lookup
// in the file, so the load is a plain sequence of lookups; its order matters
// because a bad value stops the load half-way and the fields already read stay.
#include "skin/SkinFile.h"

#include <utility>

#include "base/Text.h"
#include "config/IniFile.h"
#include "skin/Picture.h"

namespace vexil {

const char* const kMainBackgroundNotFound =
    "Main Background not found in Skin.ini!\rsee section [Background] in Skin.ini, line : Main=";

void TraiteInt(const std::string& value, std::int32_t& x, std::int32_t& y) {
    if (value.empty() || value == "none") {
        x = 0;
        y = 0;
        return;
    }
    const size_t comma = value.find(',');
    if (comma == std::string::npos) {
        x = StrToInt(value);
        return;
    }
    // x before y: single-integer keys pass one variable for both, and the
    // second number must be the one that stays.
    x = StrToInt(value.substr(0, comma));
    y = StrToInt(value.substr(comma + 1));
}

namespace {

// Takes the number before the first comma off text (the rest goes back into
// text).  Without a comma the number is missing: it reads as empty text, which
// StrToInt rejects with its usual message.
std::int32_t TakeColourPart(std::string& text) {
    const size_t comma = text.find(',');
    if (comma == std::string::npos) return StrToInt("");
    const std::int32_t n = StrToInt(Trim(text.substr(0, comma)));
    text = Trim(text.substr(comma + 1));
    return n;
}

bool IsMissing(const std::string& value) { return value.empty() || value == "none"; }

TImage32 LoadBackground(const std::string& path) {
    TPicture picture = LoadBitmapFile(path);
    if (picture.Empty()) throw EPictureError("Empty bitmap: " + path);
    return std::move(picture.Frames[0]);
}

// One skin.ini being read: every lookup goes to the same file.
class TSkinReader {
public:
    explicit TSkinReader(const std::string& skinDir)
        : dir_(skinDir), file_(skinDir + "skin.ini") {}

    std::string Value(const char* section, const char* key) {
        return FindInSkin(file_, section, key, false, nullptr);
    }
    std::string Path(const char* section, const char* key) { return dir_ + Value(section, key); }
    void Pair(const char* section, const char* key, std::int32_t& x, std::int32_t& y) {
        TraiteInt(Value(section, key), x, y);
    }
    void Integer(const char* section, const char* key, std::int32_t& n) {
        TraiteInt(Value(section, key), n, n);
    }
    void Button(const char* section, const char* normal, const char* select, const char* pos,
                TSkinButton& button) {
        button.Normal = Path(section, normal);
        button.Select = Path(section, select);
        Pair(section, pos, button.X, button.Y);
    }

private:
    std::string dir_, file_;
};

}  // namespace

std::uint32_t ParseSkinColor(const std::string& value) {
    std::string rest = Trim(value);
    const std::uint32_t red = static_cast<std::uint32_t>(TakeColourPart(rest)) & 0xFFu;
    const std::uint32_t green = static_cast<std::uint32_t>(TakeColourPart(rest)) & 0xFFu;
    const std::uint32_t blue = static_cast<std::uint32_t>(StrToInt(rest)) & 0xFFu;
    return red + green * 256u + blue * 65536u;
}

TFontStyle ParseFontStyle(const std::string& value) {
    const std::string lower = LowerCase(value);
    TFontStyle style;
    style.Bold = lower.find("bold") != std::string::npos;
    style.Italic = lower.find("italic") != std::string::npos;
    return style;
}

void LoadSkinValues(TSkin& skin, const std::string& skinDir, TImage32& background,
                    TImage32& msgBackground, bool& noMsgBackground) {
    TSkinReader ini(skinDir);

    // Without a readable skin.ini, or without its main background, nothing of
    // the window can be shown.  The lookup answers "" for an unreadable file.
    const std::string main = ini.Value("[background]", "main");
    if (main.empty()) throw ESkinError(kSkinPathNotFound);
    if (IsMissing(main)) throw ESkinError(kMainBackgroundNotFound);
    skin.MainPath = skinDir + main;
    background = LoadBackground(skin.MainPath);

    const std::string msg = ini.Value("[background]", "msgbkng");
    if (IsMissing(msg)) {
        skin.MsgPath = "none";
        noMsgBackground = true;
    } else {
        skin.MsgPath = skinDir + msg;
        msgBackground = LoadBackground(skin.MsgPath);
    }

    ini.Button("[connect]", "cnxbtnnormal", "cnxbtnselect", "position", skin.Connect);
    ini.Button("[disconnect]", "disbtnnormal", "disbtnselect", "position", skin.Disconnect);

    skin.OnlinePath = ini.Path("[online]", "onlinebmp");
    skin.OfflinePath = ini.Path("[online]", "notonlinebmp");
    ini.Pair("[online]", "position", skin.OnlineX, skin.OnlineY);

    ini.Button("[mailclient]", "runmailnormal", "runmailselect", "position", skin.Mail);
    ini.Button("[readmsg]", "readbtnnormal", "readbtnselect", "position", skin.Read);

    skin.GotMailPath = ini.Path("[youhavemail]", "gotmail");
    skin.NoMailPath = ini.Path("[youhavemail]", "nomail");
    ini.Pair("[youhavemail]", "position", skin.FlagX, skin.FlagY);

    skin.CountFontPath = ini.Path("[nbmsg]", "nbmsgbmp");
    ini.Pair("[nbmsg]", "size", skin.CountW, skin.CountH);
    ini.Pair("[nbmsg]", "position", skin.CountX, skin.CountY);

    skin.StatusFontPath = ini.Path("[status]", "fontbmp");
    ini.Pair("[status]", "size", skin.StatusW, skin.StatusH);
    ini.Pair("[status]", "position", skin.StatusX, skin.StatusY);
    ini.Integer("[status]", "maxchar", skin.MaxChar);
    if (skin.MaxChar == 0) skin.MaxChar = 128;

    const char* const memo = "[memo_msgwindow]";
    ini.Integer(memo, "memo_x", skin.MemoX);
    ini.Integer(memo, "memo_y", skin.MemoY);
    ini.Integer(memo, "memo_width", skin.MemoW);
    ini.Integer(memo, "memo_height", skin.MemoH);

    const std::string colour = ini.Value(memo, "fontcolor");
    skin.FontColor = IsMissing(colour) ? 0 : ParseSkinColor(colour);
    const std::string fontName = ini.Value(memo, "fontname");
    skin.FontName = IsMissing(fontName) ? "arial" : fontName;
    skin.FontStyle = ini.Value(memo, "fontstyle");
    const std::string fontSize = ini.Value(memo, "fontsize");
    skin.FontSize = IsMissing(fontSize) ? 7 : StrToInt(fontSize);

    ini.Button(memo, "prevbtnnormal", "prevbtnselect", "prevbtnpos", skin.Prev);
    ini.Button(memo, "nextbtnnormal", "nextbtnselect", "nextbtnpos", skin.Next);
    ini.Button(memo, "replybtnnormal", "replybtnselect", "replybtnpos", skin.Reply);
    ini.Button(memo, "deletebtnnormal", "deletebtnselect", "deletebtnpos", skin.Delete);
    ini.Button(memo, "closebtnnormal", "closebtnselect", "closebtnpos", skin.Close);
}

}  // namespace vexil
