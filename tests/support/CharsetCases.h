// Real bytes in each charset family and their text in UTF-8, shared by the
// native tests (iconv) and the Windows ones (the system's code pages).
#pragma once

#include <string>

namespace vexil::test {

struct TCharsetCase {
    const char* Charset;
    std::string Bytes, Utf8;
};

// "Привет", "日本", "中文", "한국" and a few single letters.
inline const TCharsetCase kCharsetCases[] = {
    {"UTF-8", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82",
     "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
    {"utf-8", "a\xFF" "b", "a\xEF\xBF\xBD" "b"},
    {"us-ascii", "plain", "plain"},
    {"ISO-8859-1", "caf\xE9", "caf\xC3\xA9"},
    {"iso-8859-2", "\xB1", "\xC4\x85"},
    {"iso-8859-5", "\xBF\xE0\xD8\xD2\xD5\xE2", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
    {"iso-8859-15", "\xA4", "\xE2\x82\xAC"},
    {"windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
    {"Windows-1252", "\x80", "\xE2\x82\xAC"},
    {"KOI8-R", "\xF0\xD2\xC9\xD7\xC5\xD4", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
    {"koi8-u", "\xA4", "\xD1\x94"},
    {"Shift_JIS", "\x93\xFA\x96\x7B", "\xE6\x97\xA5\xE6\x9C\xAC"},
    {"EUC-JP", "\xC6\xFC\xCB\xDC", "\xE6\x97\xA5\xE6\x9C\xAC"},
    {"ISO-2022-JP", "a\x1B$BF|K\\\x1B(Bb", "a\xE6\x97\xA5\xE6\x9C\xAC" "b"},
    {"GB2312", "\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},
    {"Big5", "\xA4\xA4\xA4\xE5", "\xE4\xB8\xAD\xE6\x96\x87"},
    {"EUC-KR", "\xC7\xD1\xB1\xB9", "\xED\x95\x9C\xEA\xB5\xAD"},
    // Unknown and missing charsets: the system's code page (Windows-1252 here).
    {"x-unknown", "caf\xE9", "caf\xC3\xA9"},
    {"", "caf\xE9", "caf\xC3\xA9"},
};

}  // namespace vexil::test
