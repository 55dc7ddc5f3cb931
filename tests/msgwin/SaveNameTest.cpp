// The name proposed for an attachment, from the hostile names mail can carry.
#include "msgwin/SaveName.h"

#include <gtest/gtest.h>

namespace vexil {
namespace {

TEST(SafeAttachmentName, HostileNames) {
    const std::pair<std::string, std::string> cases[] = {
        {"report.pdf", "report.pdf"},
        {"..\\..\\Start Menu\\Programs\\Startup\\x.exe", "x.exe"},
        {"../../etc/passwd", "passwd"},
        {"C:evil.exe", "evil.exe"},
        {"\\\\server\\share\\", "attachment"},
        {"a*b?c\"d<e>f|g.txt", "abcdefg.txt"},
        {"tab\there\r\n.txt", "tabhere.txt"},
        {"invoice.pdf.   ...", "invoice.pdf"},
        {"...", "attachment"},
        {"", "attachment"},
        {"CON", "_CON"},
        {"nul.txt", "_nul.txt"},
        {"Com1.log", "_Com1.log"},
        {"lpt9", "_lpt9"},
        {"COM10.txt", "COM10.txt"},
        {"console.txt", "console.txt"},
        // Direction marks would show "invoice<RLO>fdp.exe" as "invoiceexe.pdf".
        {"invoice\xE2\x80\xAE" "fdp.exe", "invoicefdp.exe"},
        {"\xE2\x81\xA6" "a\xE2\x80\x8F.txt\xE2\x81\xA9", "a.txt"},
        {"c1\xC2\x85name.txt", "c1name.txt"},
        {"\xD0\xBE\xD1\x82\xD1\x87\xD1\x91\xD1\x82.docx", "\xD0\xBE\xD1\x82\xD1\x87\xD1\x91\xD1\x82.docx"},
    };
    for (const auto& [name, proposed] : cases) EXPECT_EQ(SafeAttachmentName(name), proposed) << name;
}

TEST(SafeAttachmentName, LongNamesKeepTheirExtensionAndWholeCharacters) {
    const std::string longName = std::string(300, 'a') + ".exe";
    EXPECT_EQ(SafeAttachmentName(longName), std::string(196, 'a') + ".exe");

    // 250 two-byte characters: cut after 200 characters, never inside one.
    std::string cyrillic;
    for (int i = 0; i < 250; ++i) cyrillic += "\xD0\xB6";
    const std::string proposed = SafeAttachmentName(cyrillic);
    EXPECT_EQ(proposed.size(), 400u);
    EXPECT_EQ(proposed, cyrillic.substr(0, 400));
}

}  // namespace
}  // namespace vexil
