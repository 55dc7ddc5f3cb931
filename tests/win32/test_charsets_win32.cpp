// Mail charsets to UTF-8 through the system's code pages, with the same
// bytes as the native test.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/Charsets.h"
#include "support/CharsetCases.h"

namespace vexil {
namespace {

TEST(CharsetsWin32, EachFamilyToUtf8) {
    for (const test::TCharsetCase& c : test::kCharsetCases)
        EXPECT_EQ(ToUtf8(c.Bytes, c.Charset), c.Utf8) << c.Charset;
    EXPECT_EQ(FromUtf8("caf\xC3\xA9"), "caf\xE9");
}

}  // namespace
}  // namespace vexil
