// TLS for the Windows program, on the system's own TLS (SChannel through
// SSPI), laid over the TCP transport.  The connection starts plain; StartTls
// runs the handshake over it (right after the connect for POP3S, after "STLS"
// otherwise), checks the server's certificate in our own code, and from then
// on every Send and Receive goes through the secure channel.  Every wait,
// the TCP transport's and that of the certificate check off the thread, is
// in slices, with the owner's idle hook, and never longer in all than the
// caller's time-out.
#define SECURITY_WIN32
#include <winsock2.h>
#include <windows.h>

#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>

#include "pop3/Certificate.h"
#include "pop3/OffThread.h"
#include "win32/TlsTransport.h"

namespace vexil {

namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                ISC_REQ_CONFIDENTIALITY | ISC_REQ_EXTENDED_ERROR |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;

// The most a server may send before the handshake has made progress, and
// the most encrypted bytes held for one record (16 KB of data and its
// overhead; a larger one is not TLS).
constexpr size_t kMaxHandshakeBytes = 256 * 1024;
constexpr size_t kMaxRecordBytes = 18 * 1024 + 2048;
// Passes of the handshake before it counts as going round in circles.
constexpr int kMaxHandshakePasses = 64;

// Whether bytes at a record's start can begin a TLS record: a content type
// of 20 to 23 and a protocol major version of 3.  Nothing more is read of
// them; it only keeps a peer that talks anything but TLS (a plain greeting,
// noise) from being taken for a long record still on its way, which some
// SChannels wait for until the time-out.
bool CanStartRecord(const std::string& bytes) {
    if (bytes.empty()) return true;
    const auto type = static_cast<unsigned char>(bytes[0]);
    if (type < 20 || type > 23) return false;
    return bytes.size() < 2 || static_cast<unsigned char>(bytes[1]) == 3;
}

// The caller's wait with what is left of one deadline as its time-out.
TWaitControl Remaining(const TWaitControl& wait, Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) throw EWireSocketError(kWsaTimedOut);
    TWaitControl part = wait;
    part.TimeoutMs = static_cast<int>(left);
    return part;
}

Clock::time_point DeadlineOf(const TWaitControl& wait) {
    return Clock::now() + std::chrono::milliseconds(std::max(wait.TimeoutMs, 0));
}

// An output token that SSPI allocated, freed on every path.
class TToken {
public:
    TToken() {
        buffer_.cbBuffer = 0;
        buffer_.BufferType = SECBUFFER_TOKEN;
        buffer_.pvBuffer = nullptr;
        desc_.ulVersion = SECBUFFER_VERSION;
        desc_.cBuffers = 1;
        desc_.pBuffers = &buffer_;
    }
    ~TToken() {
        if (buffer_.pvBuffer) FreeContextBuffer(buffer_.pvBuffer);
    }
    TToken(const TToken&) = delete;
    TToken& operator=(const TToken&) = delete;
    SecBufferDesc* Desc() { return &desc_; }
    const char* Data() const { return static_cast<const char*>(buffer_.pvBuffer); }
    int Size() const { return buffer_.pvBuffer ? static_cast<int>(buffer_.cbBuffer) : 0; }

private:
    SecBuffer buffer_;
    SecBufferDesc desc_;
};

class TTlsTransport : public ITransport {
public:
    explicit TTlsTransport(std::unique_ptr<ITransport> inner) : inner_(std::move(inner)) {}
    ~TTlsTransport() override { Reset(); }

    std::uint32_t Resolve(const std::string& host, const TWaitControl& wait) override {
        return inner_->Resolve(host, wait);
    }

    void Connect(std::uint32_t address, int port, bool noDelay, const TWaitControl& wait) override {
        Reset();
        inner_->Connect(address, port, noDelay, wait);
    }

    int Send(const char* data, int size, const TWaitControl& wait) override {
        if (ended_) throw EWireSocketError(kWsaShutdown);
        if (!secure_) return inner_->Send(data, size, wait);
        const auto deadline = DeadlineOf(wait);
        const int chunk = std::min<int>(size, static_cast<int>(sizes_.cbMaximumMessage));
        record_.assign(sizes_.cbHeader + chunk + sizes_.cbTrailer, '\0');
        std::memcpy(&record_[sizes_.cbHeader], data, static_cast<size_t>(chunk));
        SecBuffer buffers[4] = {
            {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, &record_[0]},
            {static_cast<unsigned long>(chunk), SECBUFFER_DATA, &record_[sizes_.cbHeader]},
            {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, &record_[sizes_.cbHeader + chunk]},
            {0, SECBUFFER_EMPTY, nullptr},
        };
        SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
        if (EncryptMessage(&context_, 0, &desc, 0) != SEC_E_OK) Fail(kTlsBroken);
        const int total =
            static_cast<int>(buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
        // A record goes whole or not at all: half a record is no use to anyone.
        if (!SendAll(record_.data(), total, wait, deadline)) return 0;
        return chunk;
    }

    int Receive(char* data, int size, const TWaitControl& wait) override {
        if (ended_) throw EWireSocketError(kWsaShutdown);
        if (!secure_) return inner_->Receive(data, size, wait);
        const auto deadline = DeadlineOf(wait);
        for (;;) {
            if (plainPos_ < plain_.size()) {
                const size_t n = std::min(plain_.size() - plainPos_, static_cast<size_t>(std::max(size, 0)));
                std::memcpy(data, plain_.data() + plainPos_, n);
                plainPos_ += n;
                return static_cast<int>(n);
            }
            if (closeNotified_) return 0;
            if (!CanStartRecord(incoming_)) Fail(kTlsBroken);
            if (!incoming_.empty() && Decrypt(wait, deadline)) continue;
            // A whole record is not in yet.
            if (incoming_.size() >= kMaxRecordBytes) Fail(kTlsBroken);
            if (!ReceiveMore(wait, deadline)) return 0;  // closed without close_notify
        }
    }

    void Close() override {
        inner_->Close();
        Reset();
    }

    bool IsOpen() const override { return inner_->IsOpen(); }
    bool Secure() const override { return secure_; }

    void StartTls(const std::string& host, const TWaitControl& wait) override {
        try {
            if (!inner_->IsOpen()) throw EWireSocketError(kWsaNotConnected);
            if (secure_ || haveContext_) throw ETlsError(kTlsHandshakeFailed);
            const auto deadline = DeadlineOf(wait);
            host_ = host;
            AcquireCredentials();
            FirstStep(host, wait, deadline);
            Handshake(host, wait, deadline, true);
            if (QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK)
                throw ETlsError(kTlsHandshakeFailed);
            CheckVersion();
            CheckCertificate(host, wait, deadline);
            secure_ = true;
        } catch (...) {
            Close();
            throw;
        }
    }

    void EndTls(const TWaitControl& wait) override {
        if (!secure_ || ended_) return;
        ended_ = true;  // whatever happens now, nothing more goes over this channel
        DWORD type = SCHANNEL_SHUTDOWN;
        SecBuffer buffer = {sizeof type, SECBUFFER_TOKEN, &type};
        SecBufferDesc desc = {SECBUFFER_VERSION, 1, &buffer};
        if (ApplyControlToken(&context_, &desc) != SEC_E_OK) return;
        TToken out;
        DWORD flags = 0;
        TimeStamp expiry;
        const SECURITY_STATUS status = InitializeSecurityContextA(
            &credentials_, &context_, nullptr, kContextFlags, 0, 0, nullptr, 0, nullptr,
            out.Desc(), &flags, &expiry);
        if ((status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED) && out.Size() > 0)
            SendAll(out.Data(), out.Size(), wait, DeadlineOf(wait));
    }

private:
    [[noreturn]] static void Fail(const char* reason) { throw ETlsError(reason); }

    void Reset() {
        if (haveContext_) DeleteSecurityContext(&context_);
        if (haveCredentials_) FreeCredentialsHandle(&credentials_);
        haveContext_ = haveCredentials_ = false;
        secure_ = ended_ = closeNotified_ = false;
        incoming_.clear();
        plain_.clear();
        plainPos_ = 0;
    }

    void AcquireCredentials() {
        SCHANNEL_CRED cred;
        std::memset(&cred, 0, sizeof cred);
        cred.dwVersion = SCHANNEL_CRED_VERSION;
        // The certificate is checked by CheckCertificate, the same way on
        // every system (Wine's SChannel checks nothing), so the system's own
        // check would only hide the reason behind a failed handshake.
        cred.dwFlags = SCH_CRED_NO_DEFAULT_CREDS | SCH_CRED_MANUAL_CRED_VALIDATION;
        // TLS 1.2 or later only (RFC 8996 retired the versions before).  A
        // system that does not know TLS 1.3 is asked for TLS 1.2 alone.
        TimeStamp expiry;
        char package[] = UNISP_NAME_A;
        for (const DWORD protocols : {DWORD(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT),
                                      DWORD(SP_PROT_TLS1_2_CLIENT)}) {
            cred.grbitEnabledProtocols = protocols;
            if (AcquireCredentialsHandleA(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &cred,
                                          nullptr, nullptr, &credentials_, &expiry) == SEC_E_OK) {
                haveCredentials_ = true;
                return;
            }
        }
        Fail(kTlsNotAvailable);
    }

    // The ClientHello.
    void FirstStep(const std::string& host, const TWaitControl& wait, Clock::time_point deadline) {
        TToken out;
        DWORD flags = 0;
        TimeStamp expiry;
        std::string target = host;  // the name sent for SNI
        const SECURITY_STATUS status = InitializeSecurityContextA(
            &credentials_, nullptr, &target[0], kContextFlags, 0, 0, nullptr, 0, &context_,
            out.Desc(), &flags, &expiry);
        if (status != SEC_I_CONTINUE_NEEDED) Fail(kTlsHandshakeFailed);
        haveContext_ = true;
        if (!SendAll(out.Data(), out.Size(), wait, deadline)) Fail(kTlsHandshakeFailed);
        incoming_.clear();
    }

    // The rest of the handshake, from what is in incoming_ and what comes
    // (readFirst: nothing is worth a try before the server's answer).  Bytes
    // left over after it are the first records of the session.
    void Handshake(const std::string& host, const TWaitControl& wait, Clock::time_point deadline,
                   bool readFirst) {
        std::string target = host;
        bool needMore = readFirst && incoming_.empty();
        for (int pass = 0; pass < kMaxHandshakePasses; ++pass) {
            if (needMore) {
                if (incoming_.size() >= kMaxHandshakeBytes) Fail(kTlsHandshakeFailed);
                if (!ReceiveMore(wait, deadline)) Fail(kTlsHandshakeFailed);
            }
            if (!CanStartRecord(incoming_)) Fail(kTlsHandshakeFailed);
            SecBuffer in[2] = {
                {static_cast<unsigned long>(incoming_.size()), SECBUFFER_TOKEN, &incoming_[0]},
                {0, SECBUFFER_EMPTY, nullptr},
            };
            SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, in};
            TToken out;
            DWORD flags = 0;
            TimeStamp expiry;
            const SECURITY_STATUS status = InitializeSecurityContextA(
                &credentials_, &context_, &target[0], kContextFlags, 0, 0, &inDesc, 0, nullptr,
                out.Desc(), &flags, &expiry);
            if (status == SEC_E_INCOMPLETE_MESSAGE) {
                needMore = true;
                continue;
            }
            // A token goes out also with a failure: the alert that tells the
            // server why.
            if (out.Size() > 0 && !SendAll(out.Data(), out.Size(), wait, deadline) &&
                status != SEC_E_OK)
                Fail(kTlsHandshakeFailed);
            if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED &&
                status != SEC_I_INCOMPLETE_CREDENTIALS)
                Fail(kTlsHandshakeFailed);
            if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
                // The server asks for a client certificate; we have none to
                // give, and go on without.
                needMore = false;
                continue;
            }
            KeepExtra(in[1]);
            if (status == SEC_E_OK) return;
            needMore = incoming_.empty();
        }
        Fail(kTlsHandshakeFailed);
    }

    // What the last call left unread stays at the front of incoming_.
    void KeepExtra(const SecBuffer& extra) {
        if (extra.BufferType == SECBUFFER_EXTRA && extra.cbBuffer > 0 &&
            extra.cbBuffer <= incoming_.size())
            incoming_.erase(0, incoming_.size() - extra.cbBuffer);
        else
            incoming_.clear();
    }

    // Decrypts the record at the front of incoming_.  True when it made
    // progress (data, or the peer's close_notify), false when the record is
    // not complete yet.
    bool Decrypt(const TWaitControl& wait, Clock::time_point deadline) {
        SecBuffer buffers[4] = {
            {static_cast<unsigned long>(incoming_.size()), SECBUFFER_DATA, &incoming_[0]},
            {0, SECBUFFER_EMPTY, nullptr},
            {0, SECBUFFER_EMPTY, nullptr},
            {0, SECBUFFER_EMPTY, nullptr},
        };
        SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
        const SECURITY_STATUS status = DecryptMessage(&context_, &desc, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) return false;
        if (status == SEC_I_CONTEXT_EXPIRED) {
            closeNotified_ = true;
            incoming_.clear();
            return true;
        }
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE) Fail(kTlsBroken);
        // The buffers point into incoming_ (decrypted in place): copy out
        // before it changes.
        std::string extra;
        plain_.clear();
        plainPos_ = 0;
        for (const SecBuffer& b : buffers) {
            if (b.BufferType == SECBUFFER_DATA && b.pvBuffer)
                plain_.assign(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
            else if (b.BufferType == SECBUFFER_EXTRA && b.pvBuffer)
                extra.assign(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
        }
        incoming_.swap(extra);
        // Handshake messages after the handshake (TLS 1.3 session tickets,
        // a renegotiation) go back to the handshake, for the same host; a
        // certificate the server shows then is checked as the first was.
        if (status == SEC_I_RENEGOTIATE) {
            Handshake(host_, wait, deadline, false);
            CheckVersion();
            CheckCertificate(host_, wait, deadline);
        }
        return true;
    }

    // Appends what the server sends next to incoming_; false when it closed.
    bool ReceiveMore(const TWaitControl& wait, Clock::time_point deadline) {
        char block[16384];
        const int n = inner_->Receive(block, sizeof block, Remaining(wait, deadline));
        if (n <= 0) return false;
        incoming_.append(block, static_cast<size_t>(n));
        return true;
    }

    // Sends all of data; false when the peer closed first.
    bool SendAll(const char* data, int size, const TWaitControl& wait, Clock::time_point deadline) {
        int sent = 0;
        while (sent < size) {
            const int n = inner_->Send(data + sent, size - sent, Remaining(wait, deadline));
            if (n <= 0) return false;
            sent += n;
        }
        return true;
    }

    // What was negotiated, whatever the system was asked for: TLS 1.2 or later.
    void CheckVersion() {
        SecPkgContext_ConnectionInfo info = {};
        if (QueryContextAttributesA(&context_, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK)
            Fail(kTlsHandshakeFailed);
        if ((info.dwProtocol & (SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT)) == 0)
            Fail(kTlsTooOld);
    }

    // The chain check runs off the thread: the first one of a process loads
    // the system's root store, a good part of a second in which the windows
    // would otherwise stand still, and one that fetches a missing
    // intermediate may take longer.  It waits as the socket's waits do, and
    // ends as they do when the owner closes the connection meanwhile.
    void CheckCertificate(const std::string& host, const TWaitControl& wait,
                          Clock::time_point deadline) {
        PCCERT_CONTEXT certificate = nullptr;
        if (QueryContextAttributesA(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) !=
                SEC_E_OK ||
            !certificate)
            Fail(kCertNotTrusted);
        // The reference SChannel gave us becomes the check's own, freed by
        // its worker: the worker may outlive this call, and the connection.
        std::shared_ptr<const CERT_CONTEXT> held(
            certificate, [](PCCERT_CONTEXT c) { CertFreeCertificateContext(c); });
        TWaitControl check = Remaining(wait, deadline);
        check.Abandoned = [this, &wait] {
            return (wait.Abandoned && wait.Abandoned()) || !inner_->IsOpen();
        };
        const TCertificateFacts facts = RunOffThread(
            [held = std::move(held)] { return CertificateFactsOf(held.get()); }, check);
        const std::string reason = JudgeCertificate(facts, host);
        if (!reason.empty()) throw ETlsError(reason);
    }

    std::unique_ptr<ITransport> inner_;
    std::string host_;  // the server's name, for the certificate and SNI
    CredHandle credentials_;
    CtxtHandle context_;
    bool haveCredentials_ = false;
    bool haveContext_ = false;
    bool secure_ = false;
    bool ended_ = false;          // close_notify sent
    bool closeNotified_ = false;  // close_notify received
    SecPkgContext_StreamSizes sizes_ = {};
    std::string incoming_;  // encrypted bytes not yet decrypted
    std::string plain_;     // decrypted bytes not yet handed out
    size_t plainPos_ = 0;
    std::string record_;    // the record being sent
};

}  // namespace

std::unique_ptr<ITransport> CreateTlsTransport(std::unique_ptr<ITransport> inner) {
    return std::make_unique<TTlsTransport>(std::move(inner));
}

}  // namespace vexil
