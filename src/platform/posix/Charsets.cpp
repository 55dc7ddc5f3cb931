// Charset conversion of the native build, through iconv.  The native twin of
// the Windows code page conversion: Windows-1252 stands for the system's code
// page.
#include <iconv.h>

#include <cerrno>

#include "base/Charsets.h"
#include "base/Text.h"

namespace vexil {

namespace {

const char kSystemCodePage[] = "WINDOWS-1252";
const char kReplacement[] = "\xEF\xBF\xBD";

// Converts with iconv, a byte that does not convert becoming U+FFFD; false
// when iconv does not know the charset.
bool Convert(const std::string& bytes, const char* from, const char* to, std::string& out,
             const char* replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.clear();
    char buf[4096];
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (true) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        const size_t r = iconv(cd, inLeft ? &in : nullptr, &inLeft, &o, &oLeft);
        out.append(buf, sizeof buf - oLeft);
        if (r != static_cast<size_t>(-1)) {
            if (inLeft == 0) break;
            continue;
        }
        if (errno == E2BIG) continue;
        // An invalid or cut-off sequence: one byte is replaced, the rest goes on.
        out += replacement;
        if (inLeft == 0) break;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return true;
}

}  // namespace

std::string ToUtf8(const std::string& bytes, const std::string& charset) {
    std::string out;
    const int cp = CodePageOf(charset);
    if (cp == 50220) return ToUtf8(Iso2022JpToEucJp(bytes), "euc-jp");
    const std::string name = cp == 0 ? std::string(kSystemCodePage) : UpperCase(Trim(charset));
    if (cp == 20127) {
        // US-ASCII: the 8-bit bytes a sender put there anyway are not text.
        for (const char c : bytes) out += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : kReplacement;
        return out;
    }
    if (Convert(bytes, name.c_str(), "UTF-8", out, kReplacement)) return out;
    Convert(bytes, kSystemCodePage, "UTF-8", out, kReplacement);
    return out;
}

std::string FromUtf8(const std::string& text) {
    std::string out;
    if (!Convert(text, "UTF-8", "WINDOWS-1252//TRANSLIT", out, "?")) out = text;
    return out;
}

}  // namespace vexil
