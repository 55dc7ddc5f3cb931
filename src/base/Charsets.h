// Text in the charsets mail declares, turned into UTF-8.  Mail text is shown
// in its own script: each text part and each encoded word is converted from
// the charset it names; the rest of the program's text stays 8-bit.
#pragma once

#include <string>

namespace vexil {

// The Windows code page of a MIME charset name (letter case ignored), 0 for a
// charset this table does not know.
int CodePageOf(const std::string& charset);

// True when text is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(const std::string& text);

// ISO-2022-JP text as EUC-JP, which holds the same characters: systems that
// have no converter for the former all have one for the latter.
std::string Iso2022JpToEucJp(const std::string& bytes);

// bytes, in charset, as UTF-8.  An unknown or empty charset is the system's
// code page.  Bytes that have no character there become U+FFFD; it never
// fails.  The platform converts (Windows' code pages, or iconv natively).
std::string ToUtf8(const std::string& bytes, const std::string& charset);

// 8-bit text of no declared charset (a raw header) as UTF-8: kept when it is
// valid UTF-8 (what mailers send today), else read in the system's code page.
std::string RawToUtf8(const std::string& text);

// UTF-8 in the system's code page, for what the 8-bit parts of the program
// take (characters it lacks become '?').
std::string FromUtf8(const std::string& text);

}  // namespace vexil
