// libFuzzer entry over the message receiver and its decoders.  The input is a
// RETR reply played from memory (the final "." added), received once in large
// reads and once a byte at a time; the two receptions must agree.  The
// decoders and header helpers also get the input directly.  The library may
// refuse any input with EWireException or the decoders' std::runtime_error;
// anything else (a crash, a sanitizer report, a hang, another exception, a
// broken invariant) is a finding.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "pop3/Decoders.h"
#include "pop3/MemoryTransport.h"
#include "pop3/MimeParams.h"
#include "pop3/WireMessage.h"

namespace {

using namespace vexil;

class TFuzzClient : public TWireMessageClient {
public:
    TFuzzClient(const std::string& reply, int chunk)
        : TWireMessageClient(std::make_unique<TMemoryTransport>(reply, chunk)) {
        Host = "localhost";
        Port = 110;
        Connect();
    }
};

struct TOutcome {
    std::vector<std::string> Headers, Text, Names, Bytes, Status;
    std::string Error;
};

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TOutcome Receive(const std::string& reply, int chunk, bool extract) {
    TOutcome out;
    TWireMessage msg;
    msg.ExtractAttachments = extract;
    try {
        TFuzzClient client(reply, chunk);
        client.OnStatus = [&out](TWireSocket&, const std::string& text) { out.Status.push_back(text); };
        client.ReceiveHeader(msg, "");
        if (!client.HeaderEndedAtDot()) client.ReceiveBody(msg, static_cast<int>(reply.size()));
    } catch (const EWireException& e) {
        out.Error = e.what();
    } catch (const std::runtime_error& e) {
        out.Error = std::string("runtime: ") + e.what();
    }
    out.Headers = msg.Headers;
    out.Text = msg.Text;
    for (const TAttachment& a : msg.Attachments) {
        if (a.FileName.empty()) std::abort();  // only named parts are stored
        out.Names.push_back(a.FileName);
        out.Bytes.push_back(FileBytes(a.StoredPathName));
        std::remove(a.StoredPathName.c_str());
    }
    if (!extract && !msg.Attachments.empty()) std::abort();
    return out;
}

bool Same(const TOutcome& a, const TOutcome& b) {
    return a.Headers == b.Headers && a.Text == b.Text && a.Names == b.Names && a.Bytes == b.Bytes &&
           a.Status == b.Status && a.Error == b.Error;
}

void Decoders(const std::string& text) {
    const TWireDecoder decoder;
    if (decoder.DecodeLine(text).size() > text.size() / 4 * 3) std::abort();
    if (QPDecode(text).size() > text.size()) std::abort();
    if (Base64DecodeText(text).size() > text.size() / 4 * 3) std::abort();
    try {
        if (UUDecodeLine(text).size() > 63) std::abort();
    } catch (const std::runtime_error&) {
    }
    try {
        if (DecodeHeader(text).size() > text.size()) std::abort();
    } catch (const std::runtime_error&) {
    }
    std::vector<std::string> list;
    ParseAddressList(text, list);
    for (const std::string& item : list)
        if (item.empty()) std::abort();
    std::string boundary;
    MultipartBoundary(text, boundary);
    PartFileName({"Content-Disposition=" + text, "Content-Type=" + text});
    ExtractBetween(text, "=?", "?=", true);
    std::string rest = text;
    Fetch(rest, ";");
    if (rest.size() > text.size()) std::abort();

    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    lines.push_back(text.substr(start));
    UnfoldHeader(lines);
}

}  // namespace

namespace {
char gTempDir[64];
void RemoveTempDir() { rmdir(gTempDir); }  // every run deletes its own files
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Attachments land in a directory of our own, in memory where possible.
    for (const char* pattern : {"/dev/shm/vexil-fuzz-XXXXXX", "/tmp/vexil-fuzz-XXXXXX"}) {
        std::snprintf(gTempDir, sizeof gTempDir, "%s", pattern);
        if (mkdtemp(gTempDir)) {
            setenv("TMPDIR", gTempDir, 1);
            std::atexit(RemoveTempDir);
            break;
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The whole input is the message, so that real messages seed the run;
    // its length picks the rare reception without attachments.
    const bool extract = size % 5 != 0;
    const std::string body(reinterpret_cast<const char*>(data), size);
    const std::string reply = body + "\r\n.\r\n";

    const TOutcome whole = Receive(reply, 4096, extract);
    const TOutcome trickled = Receive(reply, 1, extract);
    if (!Same(whole, trickled)) std::abort();

    Decoders(body);
    return 0;
}
