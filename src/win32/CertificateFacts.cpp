// What the system's certificate store says about a server's certificate:
// the chain to a trusted root for server use, the dates, and the names it
// holds.  The verdict is JudgeCertificate's.
//
// Neither the chain's status nor the SSL policy is enough on its own under
// Wine: a certificate from a CA that no store holds gives a partial chain
// that the policy still passes, so both are asked and either one's doubt
// counts.
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
#include <windows.h>

#include <wincrypt.h>

#include <string>

#include "win32/TlsTransport.h"

namespace vexil {

namespace {

// A chain context, freed on every path.
class TChain {
public:
    explicit TChain(PCCERT_CONTEXT certificate) {
        LPSTR usages[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
        CERT_CHAIN_PARA para;
        ZeroMemory(&para, sizeof para);
        para.cbSize = sizeof para;
        para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
        para.RequestedUsage.Usage.cUsageIdentifier = 1;
        para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
        // A server that leaves out its intermediates makes Windows fetch
        // them; the check must not wait on that for long.
        para.dwUrlRetrievalTimeout = 5000;
        // The server's intermediates come in the certificate's own store.
        if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &para,
                                     0, nullptr, &chain_))
            chain_ = nullptr;
    }
    ~TChain() {
        if (chain_) CertFreeCertificateChain(chain_);
    }
    TChain(const TChain&) = delete;
    TChain& operator=(const TChain&) = delete;
    PCCERT_CHAIN_CONTEXT Get() const { return chain_; }

private:
    PCCERT_CHAIN_CONTEXT chain_ = nullptr;
};

constexpr DWORD kTimeErrors =
    CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_IS_NOT_TIME_NESTED | CERT_TRUST_CTL_IS_NOT_TIME_VALID;
constexpr DWORD kUsageErrors = CERT_TRUST_IS_NOT_VALID_FOR_USAGE | CERT_TRUST_CTL_IS_NOT_VALID_FOR_USAGE;
// Revocation is not asked for; should a system report it unknown, that is
// no doubt about the chain.
constexpr DWORD kRevocationUnknown =
    CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;

// The SSL policy's verdict on the chain; no server name is given, the name
// is left to our own check.
DWORD PolicyError(PCCERT_CHAIN_CONTEXT chain) {
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl;
    ZeroMemory(&ssl, sizeof ssl);
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    CERT_CHAIN_POLICY_PARA para;
    ZeroMemory(&para, sizeof para);
    para.cbSize = sizeof para;
    para.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status;
    ZeroMemory(&status, sizeof status);
    status.cbSize = sizeof status;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &para, &status))
        return static_cast<DWORD>(CERT_E_UNTRUSTEDROOT);
    return static_cast<DWORD>(status.dwError);
}

// Whether the certificate's extended key usage lets it serve a TLS server:
// no such extension, server authentication, or any purpose.
bool AllowsServerUse(PCCERT_CONTEXT certificate) {
    DWORD size = 0;
    if (!CertGetEnhancedKeyUsage(certificate, CERT_FIND_EXT_ONLY_ENHKEY_USAGE_FLAG, nullptr, &size))
        return GetLastError() == static_cast<DWORD>(CRYPT_E_NOT_FOUND);
    std::string storage(size, '\0');
    auto* usage = reinterpret_cast<PCERT_ENHKEY_USAGE>(&storage[0]);
    if (!CertGetEnhancedKeyUsage(certificate, CERT_FIND_EXT_ONLY_ENHKEY_USAGE_FLAG, usage, &size))
        return GetLastError() == static_cast<DWORD>(CRYPT_E_NOT_FOUND);
    if (usage->cUsageIdentifier == 0) return true;
    for (DWORD i = 0; i < usage->cUsageIdentifier; ++i) {
        const std::string oid = usage->rgpszUsageIdentifier[i];
        if (oid == szOID_PKIX_KP_SERVER_AUTH || oid == "2.5.29.37.0") return true;
    }
    return false;
}

// A DNS name as 8-bit text; one with other than ASCII characters (which a
// DNS name in a certificate must not have) becomes one that matches nothing.
std::string AsciiName(const wchar_t* name) {
    std::string out;
    for (; name && *name; ++name) {
        if (*name < 0x21 || *name > 0x7E) return "\x01";
        out += static_cast<char>(*name);
    }
    return out;
}

void ReadAltNames(PCCERT_CONTEXT certificate, TCertificateFacts& facts) {
    const CERT_INFO* info = certificate->pCertInfo;
    PCERT_EXTENSION extension =
        CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
    if (!extension) return;
    CERT_ALT_NAME_INFO* names = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, X509_ALTERNATE_NAME,
                             extension->Value.pbData, extension->Value.cbData,
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &names, &size)) {
        // A name extension that cannot be read names nothing, and the
        // common name must not stand in for it.
        facts.DnsNames.push_back("\x01");
        return;
    }
    for (DWORD i = 0; i < names->cAltEntry; ++i) {
        const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
        if (entry.dwAltNameChoice == CERT_ALT_NAME_DNS_NAME) {
            facts.DnsNames.push_back(AsciiName(entry.pwszDNSName));
        } else if (entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS) {
            const CRYPT_DATA_BLOB& ip = entry.IPAddress;
            if (ip.cbData == 4)
                facts.IpAddresses.push_back(std::to_string(ip.pbData[0]) + "." +
                                            std::to_string(ip.pbData[1]) + "." +
                                            std::to_string(ip.pbData[2]) + "." +
                                            std::to_string(ip.pbData[3]));
            else
                facts.IpAddresses.push_back("\x01");  // IPv6: never ours
        }
    }
    LocalFree(names);
}

std::string CommonName(PCCERT_CONTEXT certificate) {
    char name[256] = "";
    CertGetNameStringA(certificate, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(szOID_COMMON_NAME),
                       name, sizeof name);
    return name;
}

}  // namespace

TCertificateFacts CertificateFactsOf(const _CERT_CONTEXT* certificate) {
    TCertificateFacts facts;
    const TChain chain(certificate);
    if (chain.Get()) {
        const DWORD errors = chain.Get()->TrustStatus.dwErrorStatus;
        const DWORD policy = PolicyError(chain.Get());
        facts.ChainTrusted = (errors & ~(kTimeErrors | kUsageErrors | kRevocationUnknown)) == 0 &&
                             (policy == 0 || policy == static_cast<DWORD>(CERT_E_EXPIRED) ||
                              policy == static_cast<DWORD>(CERT_E_WRONG_USAGE) ||
                              policy == static_cast<DWORD>(CERT_E_CN_NO_MATCH));
        facts.ServerUsage = (errors & kUsageErrors) == 0 &&
                            policy != static_cast<DWORD>(CERT_E_WRONG_USAGE) &&
                            AllowsServerUse(certificate);
        if ((errors & kTimeErrors) != 0 || policy == static_cast<DWORD>(CERT_E_EXPIRED))
            facts.Dates = TCertificateDates::Expired;
    }
    // The server's own certificate: which way its dates are wrong.
    const LONG when = CertVerifyTimeValidity(nullptr, certificate->pCertInfo);
    if (when < 0)
        facts.Dates = TCertificateDates::NotYetValid;
    else if (when > 0)
        facts.Dates = TCertificateDates::Expired;
    ReadAltNames(certificate, facts);
    facts.CommonName = CommonName(certificate);
    return facts;
}

}  // namespace vexil
