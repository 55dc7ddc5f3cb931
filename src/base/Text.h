// Text helpers shared by every part of the program: trimming, ASCII case
// folding and comparison, and decimal integers with the program's error text.
// Settings, skins and mail all come as 8-bit text, so nothing here knows a
// character set beyond ASCII.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexil {

// A value that is not a number where one is expected.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses a signed 32-bit decimal integer: leading blanks are skipped, then an
// optional sign and at least one digit; anything else, a trailing blank
// included, or a value out of range raises EConvertError
// "'<text>' is not a valid integer value".
std::int32_t StrToInt(const std::string& text);

// Trims characters of code 32 or less (blanks and control characters) from
// both ends.
std::string Trim(const std::string& text);

// ASCII-only case folding.
std::string LowerCase(std::string text);
std::string UpperCase(std::string text);

// Equal without regard to ASCII case.
bool SameText(const std::string& a, const std::string& b);

// The lines of a text: CR, LF and CR LF each end a line; a line end at the
// very end starts no further, empty line.
std::vector<std::string> SplitLines(const std::string& text);

// The text without its control characters (codes below 32): what a
// one-line field may put into a settings file.
std::string OneLine(const std::string& text);

// A line of UTF-8 text to show as one line: control characters dropped
// (codes below 32, DEL, and U+0080..U+009F), tabs made blanks.  A header
// field shown this way cannot start a line of its own.
std::string ShownLine(const std::string& utf8);

// The UTF-8 text without the marks that change the direction text is shown
// in (U+061C, U+200E, U+200F, U+202A..U+202E, U+2066..U+2069): a name
// "invoice<U+202E>fdp.exe" then shows as the program it is.
std::string WithoutBidiControls(const std::string& utf8);

bool StartsWith(const std::string& text, const std::string& prefix);
bool EndsWith(const std::string& text, const std::string& suffix);

}  // namespace vexil
