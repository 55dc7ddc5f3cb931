// The charset names of mail and their code pages.
#include "base/Charsets.h"

#include <cstdint>

#include "base/Text.h"

namespace vexil {

int CodePageOf(const std::string& charset) {
    const std::string c = LowerCase(Trim(charset));
    struct TName {
        const char* Name;
        int CodePage;
    };
    static const TName kNames[] = {
        {"utf-8", 65001}, {"utf8", 65001}, {"us-ascii", 20127}, {"ascii", 20127},
        {"iso-8859-1", 28591}, {"latin1", 28591}, {"iso-8859-2", 28592}, {"iso-8859-3", 28593},
        {"iso-8859-4", 28594}, {"iso-8859-5", 28595}, {"iso-8859-6", 28596},
        {"iso-8859-7", 28597}, {"iso-8859-8", 28598}, {"iso-8859-8-i", 38598},
        {"iso-8859-9", 28599}, {"iso-8859-10", 28600}, {"iso-8859-11", 874},
        {"iso-8859-13", 28603}, {"iso-8859-14", 28604}, {"iso-8859-15", 28605},
        {"iso-8859-16", 28606}, {"windows-874", 874}, {"tis-620", 874},
        {"windows-1250", 1250}, {"windows-1251", 1251}, {"windows-1252", 1252},
        {"windows-1253", 1253}, {"windows-1254", 1254}, {"windows-1255", 1255},
        {"windows-1256", 1256}, {"windows-1257", 1257}, {"windows-1258", 1258},
        {"cp1250", 1250}, {"cp1251", 1251}, {"cp1252", 1252}, {"koi8-r", 20866},
        {"koi8-u", 21866}, {"ibm866", 866}, {"cp866", 866}, {"shift_jis", 932},
        {"shift-jis", 932}, {"sjis", 932}, {"x-sjis", 932}, {"windows-31j", 932},
        {"euc-jp", 20932}, {"iso-2022-jp", 50220}, {"gb2312", 936}, {"gbk", 936},
        {"x-gbk", 936}, {"gb18030", 54936}, {"big5", 950}, {"big5-hkscs", 950},
        {"euc-kr", 949}, {"ks_c_5601-1987", 949}, {"iso-2022-kr", 50225},
    };
    for (const TName& n : kNames)
        if (c == n.Name) return n.CodePage;
    return 0;
}

std::string RawToUtf8(const std::string& text) { return IsValidUtf8(text) ? text : ToUtf8(text, ""); }

bool IsValidUtf8(const std::string& text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    for (size_t i = 0; i < n;) {
        const unsigned c = s[i];
        size_t len = 0;
        std::uint32_t cp = 0, min = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2, cp = c & 0x1F, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3, cp = c & 0x0F, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4, cp = c & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (i + len > n) return false;
        for (size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += len;
    }
    return true;
}

std::string Iso2022JpToEucJp(const std::string& bytes) {
    enum class TSet { Ascii, Jis0208, Kana, Jis0212 };
    TSet set = TSet::Ascii;
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == 0x1B) {
            const std::string esc = bytes.substr(i + 1, 3);
            if (esc.compare(0, 2, "(B") == 0 || esc.compare(0, 2, "(J") == 0) {
                set = TSet::Ascii, i += 2;
            } else if (esc.compare(0, 2, "$@") == 0 || esc.compare(0, 2, "$B") == 0) {
                set = TSet::Jis0208, i += 2;
            } else if (esc.compare(0, 2, "(I") == 0) {
                set = TSet::Kana, i += 2;
            } else if (esc == "$(D") {
                set = TSet::Jis0212, i += 3;
            }
            continue;  // an escape we do not know is dropped
        }
        if (c == '\r' || c == '\n') set = TSet::Ascii;  // each line starts in ASCII
        if (set == TSet::Ascii || c < 0x21 || c > 0x7E) {
            out += static_cast<char>(c);
        } else if (set == TSet::Kana) {
            out += '\x8E';
            out += static_cast<char>(c | 0x80);
        } else if (i + 1 < bytes.size()) {
            if (set == TSet::Jis0212) out += '\x8F';
            out += static_cast<char>(c | 0x80);
            out += static_cast<char>(static_cast<unsigned char>(bytes[++i]) | 0x80);
        }
    }
    return out;
}

}  // namespace vexil
