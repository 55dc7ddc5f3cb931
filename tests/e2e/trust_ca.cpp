// Adds a test CA to the trusted roots of the Wine prefix the tests run in,
// or takes it out again:  trust_ca add|remove ca.pem
// Only the tests' own prefix ever holds it; the program's users never meet it.
#include <windows.h>

#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "trust_ca: %s (error 0x%08lx)\n", what, GetLastError());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: trust_ca add|remove ca.pem\n");
        return 2;
    }
    const std::string action = argv[1];
    std::string path = argv[2];
    if (!path.empty() && path[0] == '/') {  // a Unix path: Wine's drive Z:
        for (char& c : path)
            if (c == '/') c = '\\';
        path = "Z:" + path;
    }
    std::ifstream in(path, std::ios::binary);
    const std::string pem((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (pem.empty()) return Fail("cannot read the certificate file");
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                              nullptr))
        return Fail("not a PEM certificate");
    std::string der(size, '\0');
    if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER,
                              reinterpret_cast<BYTE*>(&der[0]), &size, nullptr, nullptr))
        return Fail("not a PEM certificate");

    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0,
                                    CERT_SYSTEM_STORE_LOCAL_MACHINE, "ROOT");
    if (!root) return Fail("cannot open the ROOT store");
    int result = 0;
    if (action == "add") {
        if (!CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING,
                                              reinterpret_cast<const BYTE*>(der.data()), size,
                                              CERT_STORE_ADD_REPLACE_EXISTING, nullptr))
            result = Fail("cannot add the certificate");
    } else if (action == "remove") {
        PCCERT_CONTEXT wanted = CertCreateCertificateContext(
            X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), size);
        if (!wanted) {
            result = Fail("not a certificate");
        } else {
            PCCERT_CONTEXT found =
                CertFindCertificateInStore(root, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr);
            if (found && !CertDeleteCertificateFromStore(found))  // frees found
                result = Fail("cannot remove the certificate");
            CertFreeCertificateContext(wanted);
        }
    } else {
        std::fprintf(stderr, "usage: trust_ca add|remove ca.pem\n");
        result = 2;
    }
    CertCloseStore(root, 0);
    return result;
}
