// Whether a server's certificate may be used: what the platform found out
// about it, judged in one place so that the rules read (and are tested) the
// same everywhere.
#pragma once

#include <string>
#include <vector>

namespace vexil {

enum class TCertificateDates { Valid, Expired, NotYetValid };

struct TCertificateFacts {
    // The chain leads to a root the system trusts, every signature holds and
    // nothing in it is revoked or otherwise broken (dates and usage apart).
    bool ChainTrusted = false;
    // The certificate may serve a TLS server (its extended key usage allows
    // it, or it has none).
    bool ServerUsage = false;
    TCertificateDates Dates = TCertificateDates::Valid;  // of any certificate of the chain
    std::vector<std::string> DnsNames;     // subjectAltName dNSName entries
    std::vector<std::string> IpAddresses;  // subjectAltName iPAddress entries, dotted IPv4
    std::string CommonName;                // the subject's CN
};

// "" when the certificate may be used to talk to host, else the reason as the
// status line shows it.  Trust comes first (an untrusted certificate's other
// claims mean nothing), then the dates, then the name.
std::string JudgeCertificate(const TCertificateFacts& facts, const std::string& host);

// RFC 6125: an IPv4 address only matches an iPAddress entry; a name matches
// a dNSName entry exactly (any case, a final dot ignored) or by a wildcard
// that stands for the whole leftmost label ("*.example.org", at least two
// labels after it).  The common name stands in for the dNSNames only on a
// certificate without subjectAltName entries.
bool CertificateNameMatches(const TCertificateFacts& facts, const std::string& host);

}  // namespace vexil
