// TLS on the system's SChannel, over another transport, and what the system
// tells about a server's certificate.
#pragma once

#include <memory>

#include "pop3/Certificate.h"
#include "pop3/Transport.h"

struct _CERT_CONTEXT;

namespace vexil {

// inner carries the bytes (plain TCP); the result is plain until StartTls.
std::unique_ptr<ITransport> CreateTlsTransport(std::unique_ptr<ITransport> inner);

// The chain to the system's trusted roots for server use, the dates of the
// chain's certificates and the names the certificate holds.
TCertificateFacts CertificateFactsOf(const _CERT_CONTEXT* certificate);

}  // namespace vexil
