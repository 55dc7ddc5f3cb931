// The judgement of a server's certificate.
#include "pop3/Certificate.h"

#include <cstdlib>

#include "base/Text.h"
#include "pop3/Security.h"

namespace vexil {

namespace {

// Lower case, without one final dot.
std::string Canonical(const std::string& name) {
    std::string out = LowerCase(name);
    if (!out.empty() && out.back() == '.') out.pop_back();
    return out;
}

// Four decimal parts of 0 to 255, nothing else (no octal, no short forms).
bool IsIPv4(const std::string& host) {
    int parts = 0;
    size_t pos = 0;
    while (pos <= host.size()) {
        size_t end = host.find('.', pos);
        if (end == std::string::npos) end = host.size();
        const std::string part = host.substr(pos, end - pos);
        if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos)
            return false;
        if (part.size() > 1 && part[0] == '0') return false;
        if (std::atoi(part.c_str()) > 255) return false;
        ++parts;
        pos = end + 1;
        if (end == host.size()) break;
    }
    return parts == 4;
}

bool DnsNameMatches(const std::string& pattern, const std::string& host) {
    const std::string p = Canonical(pattern);
    if (p.empty() || host.empty()) return false;
    if (p.find('*') == std::string::npos) return p == host;
    // Only "*." + at least two labels, standing for one whole label.
    if (p.compare(0, 2, "*.") != 0 || p.find('*', 1) != std::string::npos) return false;
    const std::string rest = p.substr(1);  // ".example.org"
    if (rest.find('.', 1) == std::string::npos) return false;
    const size_t firstDot = host.find('.');
    if (firstDot == std::string::npos || firstDot == 0) return false;
    return host.compare(firstDot, std::string::npos, rest) == 0;
}

}  // namespace

bool CertificateNameMatches(const TCertificateFacts& facts, const std::string& host) {
    const std::string h = Canonical(Trim(host));
    if (IsIPv4(h)) {
        for (const std::string& ip : facts.IpAddresses)
            if (ip == h) return true;
        return false;
    }
    for (const std::string& name : facts.DnsNames)
        if (DnsNameMatches(name, h)) return true;
    if (facts.DnsNames.empty() && facts.IpAddresses.empty())
        return DnsNameMatches(facts.CommonName, h);
    return false;
}

std::string JudgeCertificate(const TCertificateFacts& facts, const std::string& host) {
    if (!facts.ChainTrusted || !facts.ServerUsage) return kCertNotTrusted;
    if (facts.Dates == TCertificateDates::Expired) return kCertExpired;
    if (facts.Dates == TCertificateDates::NotYetValid) return kCertNotYetValid;
    if (!CertificateNameMatches(facts, host)) return kCertNameMismatch;
    return std::string();
}

}  // namespace vexil
