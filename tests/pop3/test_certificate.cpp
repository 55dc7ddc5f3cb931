// The judgement of a server's certificate from what the platform found out:
// which reason wins, and which names match which host.
#include "pop3/Certificate.h"

#include <gtest/gtest.h>

#include "pop3/Security.h"

namespace vexil {
namespace {

TCertificateFacts Good(std::vector<std::string> dns, std::vector<std::string> ips = {},
                       std::string cn = "") {
    TCertificateFacts f;
    f.ChainTrusted = true;
    f.ServerUsage = true;
    f.DnsNames = std::move(dns);
    f.IpAddresses = std::move(ips);
    f.CommonName = std::move(cn);
    return f;
}

TEST(Certificate, NamesMatchAsRfc6125Says) {
    const struct {
        const char* host;
        TCertificateFacts facts;
        bool match;
    } cases[] = {
        {"localhost", Good({"localhost"}), true},
        {"Mail.Example.ORG", Good({"mail.example.org"}), true},
        {"mail.example.org.", Good({"MAIL.example.org"}), true},
        {"mail.example.org", Good({"mail.example.org."}), true},
        {"mail.example.org", Good({"other.example.org", "mail.example.org"}), true},
        {"mail.example.org", Good({"example.org"}), false},
        {"mail.example.org", Good({"mail.example.org.evil.test"}), false},
        {"pop.mail.example.org", Good({"mail.example.org"}), false},
        // Wildcards: one whole leftmost label, never more or less.
        {"pop.example.org", Good({"*.example.org"}), true},
        {"example.org", Good({"*.example.org"}), false},
        {"a.b.example.org", Good({"*.example.org"}), false},
        {"pop.org", Good({"*.org"}), false},
        {"anything", Good({"*"}), false},
        {"pop.example.org", Good({"p*.example.org"}), false},
        {"pop.example.org", Good({"pop.*.org"}), false},
        {"pop.example.org", Good({"*.*.org"}), false},
        // Addresses match address entries only.
        {"127.0.0.1", Good({}, {"127.0.0.1"}), true},
        {"127.0.0.1", Good({"127.0.0.1"}), false},
        {"127.0.0.1", Good({}, {}, "127.0.0.1"), false},
        {"127.0.0.1", Good({"*.0.0.1"}), false},
        {"10.0.0.1", Good({}, {"127.0.0.1"}), false},
        {"localhost", Good({}, {"127.0.0.1"}), false},
        // The common name only where no subjectAltName is.
        {"mail.example.org", Good({}, {}, "mail.example.org"), true},
        {"mail.example.org", Good({"other.example.org"}, {}, "mail.example.org"), false},
        {"mail.example.org", Good({}, {"10.0.0.1"}, "mail.example.org"), false},
        {"mail.example.org", Good({}), false},
        {"", Good({""}), false},
        // A name that looks like an address but is not one is a name.
        {"127.0.0.01", Good({}, {"127.0.0.1"}), false},
        {"1.2.3", Good({"1.2.3"}), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        EXPECT_EQ(CertificateNameMatches(c.facts, c.host), c.match);
        EXPECT_EQ(JudgeCertificate(c.facts, c.host), c.match ? "" : kCertNameMismatch);
    }
}

TEST(Certificate, TrustThenDatesThenName) {
    const struct {
        const char* name;
        bool trusted, serverUsage;
        TCertificateDates dates;
        const char* dns;
        const char* reason;
    } cases[] = {
        {"good", true, true, TCertificateDates::Valid, "localhost", ""},
        {"untrusted", false, true, TCertificateDates::Valid, "localhost", kCertNotTrusted},
        {"not for servers", true, false, TCertificateDates::Valid, "localhost", kCertNotTrusted},
        {"untrusted and expired", false, true, TCertificateDates::Expired, "other", kCertNotTrusted},
        {"expired", true, true, TCertificateDates::Expired, "localhost", kCertExpired},
        {"expired, other name", true, true, TCertificateDates::Expired, "other", kCertExpired},
        {"not yet valid", true, true, TCertificateDates::NotYetValid, "localhost",
         kCertNotYetValid},
        {"other name", true, true, TCertificateDates::Valid, "other", kCertNameMismatch},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TCertificateFacts f = Good({c.dns});
        f.ChainTrusted = c.trusted;
        f.ServerUsage = c.serverUsage;
        f.Dates = c.dates;
        EXPECT_EQ(JudgeCertificate(f, "localhost"), c.reason);
    }
}

}  // namespace
}  // namespace vexil
