// The message receiver: reads a POP3 reply's header block and body into a
// TWireMessage.  Multipart bodies nest (a boundary per level, a part ending at
// its own boundary or at any enclosing one), text parts become lines, named
// parts become temporary files.  The reply's final "." ends everything, so a
// truncated or malformed message never makes the receiver wait for more.
#include <cmath>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "base/Text.h"
#include "pop3/MimeBase64.h"
#include "pop3/MimeParams.h"
#include "pop3/WireMessage.h"

namespace vexil {

namespace {

// Deeper multiparts are read and dropped whole: a hostile message must not
// make every line pay for thousands of boundary comparisons.
constexpr std::size_t kMaxNesting = 64;
// Decoded attachment bytes go to the file in blocks of this size.
constexpr std::size_t kWriteBlock = 256 * 1024;

bool IsMediaType(const std::string& contentType, const char* media) {
    return SameText(Trim(contentType.substr(0, contentType.find('/'))), media);
}

// Where a run of lines stopped: at the reply's ".", or at the boundary or
// closing line of one open multipart (Level counts from the outermost).
struct TStop {
    bool Dot = true;
    bool Closing = false;
    std::size_t Level = 0;
};

// One ReceiveBody run over a multipart body.
class TMultipartReader {
public:
    TMultipartReader(TWireMessageClient& client, TWireMessage& msg, int size)
        : client_(client), msg_(msg), size_(size) {}

    void Run(const std::string& boundary) {
        Open(boundary);
        TStop stop = Skip();  // the preamble
        while (!stop.Dot) {
            if (stop.Closing) {
                Close(stop.Level);
                stop = Skip();  // that multipart's epilogue
            } else {
                Close(stop.Level + 1);
                stop = ReadPart();
            }
        }
    }

private:
    void Open(const std::string& boundary) {
        boundaries_.push_back(boundary);
        Rebuild();
    }
    void Close(std::size_t keep) {
        boundaries_.resize(keep);
        Rebuild();
    }
    // "." first, so that Capture undoes dot-stuffing; then the boundary and
    // closing lines, innermost first.
    void Rebuild() {
        terminators_.assign(1, ".");
        for (std::size_t i = boundaries_.size(); i-- > 0;) {
            terminators_.push_back("--" + boundaries_[i]);
            terminators_.push_back("--" + boundaries_[i] + "--");
        }
    }
    TStop StopAt(int index) const {
        TStop stop;
        if (index <= 1) return stop;
        const std::size_t fromInner = static_cast<std::size_t>(index - 2) / 2;
        stop.Dot = false;
        stop.Closing = (index - 2) % 2 == 1;
        stop.Level = boundaries_.size() - 1 - fromInner;
        return stop;
    }
    // The boundary or closing line a line equals, as a Capture index (0: none).
    int Match(const std::string& line) const {
        if (line.size() < 2 || line[0] != '-' || line[1] != '-') return 0;
        for (std::size_t i = 1; i < terminators_.size(); ++i)
            if (line == terminators_[i]) return static_cast<int>(i) + 1;
        return 0;
    }

    TStop Skip() { return StopAt(client_.Capture(nullptr, terminators_)); }

    TStop ReadPart() {
        // The part's header block; an empty one is passed over and the next
        // block read instead.  A block cut short by a boundary or the final
        // "." leaves a part without body: nothing to keep.
        std::vector<std::string> headerTerminators = terminators_;
        headerTerminators.push_back("");
        const int blankLine = static_cast<int>(headerTerminators.size());
        std::vector<std::string> fields;
        for (;;) {
            fields.clear();
            const int index = client_.Capture(&fields, headerTerminators);
            if (index != blankLine) return StopAt(index);
            if (!fields.empty()) break;
        }
        UnfoldHeader(fields);

        const std::string type = FieldValue(fields, "Content-Type");
        const std::string transfer = FieldValue(fields, "Content-Transfer-Encoding");
        if (IsMediaType(type, "multipart")) {
            std::string inner;
            if (boundaries_.size() < kMaxNesting && MultipartBoundary(type, inner)) Open(inner);
            return Skip();  // up to the first inner boundary
        }
        if (IsMediaType(type, "text")) {
            TMessagePart part;
            part.ContentType = type;
            part.ContentTransfer = transfer;
            const int index = transfer == "quoted-printable"
                                  ? client_.CaptureDecoded(&part.Text, terminators_, transfer)
                                  : client_.Capture(&part.Text, terminators_);
            msg_.Text.insert(msg_.Text.end(), part.Text.begin(), part.Text.end());
            msg_.MessageParts.push_back(std::move(part));
            return StopAt(index);
        }
        const std::string name = PartFileName(fields);
        if (name.empty() || !msg_.ExtractAttachments) return Skip();

        TAttachment attachment;
        attachment.Headers = fields;
        attachment.FileName = name;
        attachment.StoredPathName = MakeTemporaryFile();
        msg_.Attachments.push_back(attachment);
        const std::string& path = msg_.Attachments.back().StoredPathName;

        std::unique_ptr<char[]> streamBuffer(new char[1 << 16]);
        std::ofstream file;
        file.rdbuf()->pubsetbuf(streamBuffer.get(), 1 << 16);
        file.open(path, std::ios::binary | std::ios::trunc);
        if (!file) throw std::runtime_error("Cannot create file " + path);
        const TStop stop = SameText(transfer, "base64") ? ReadBase64(file)
                                                           : StopAt(client_.Capture(file, terminators_));
        file.close();
        return stop;
    }

    // Line by line as it arrives: each line decoded whole, the percentage of
    // the message shown as it changes.  An empty line ends the data; what
    // follows it up to the next boundary is dropped.
    TStop ReadBase64(std::ofstream& file) {
        std::string block;
        block.reserve(kWriteBlock + 1024);
        long long encoded = 0;
        long long shown = -1;
        for (;;) {
            std::string line = client_.ReadLn();
            int index = 1;
            if (line != ".") {
                if (line.size() >= 2 && line[0] == '.' && line[1] == '.') line.erase(0, 1);
                index = Match(line);
            }
            if (index != 0 || line.empty()) {
                file.write(block.data(), static_cast<std::streamsize>(block.size()));
                return index != 0 ? StopAt(index) : Skip();
            }
            AppendBase64Line(line.data(), line.size(), block);
            if (block.size() >= kWriteBlock) {
                file.write(block.data(), static_cast<std::streamsize>(block.size()));
                block.clear();
            }
            encoded += static_cast<long long>(line.size());
            if (size_ > 0) {
                const long long percent = static_cast<long long>(std::nearbyint(100.0 * encoded / size_));
                if (percent != shown) {
                    shown = percent;
                    client_.DoStatus(std::to_string(percent) + "% of " + std::to_string(size_ / 1024) + "k");
                }
            }
        }
    }

    TWireMessageClient& client_;
    TWireMessage& msg_;
    const int size_;
    std::vector<std::string> boundaries_;  // open multiparts, outermost first
    std::vector<std::string> terminators_;
};

}  // namespace

void TWireMessageClient::CaptureHeader(std::vector<std::string>& list, const std::string& terminator) {
    // The final "." also ends the block: a reply whose header is cut short
    // must not leave us waiting for an empty line that never comes.
    list.clear();
    headerEndedAtDot_ = Capture(&list, {".", terminator}) == 1;
    UnfoldHeader(list);
}

void TWireMessageClient::ReceiveHeader(TWireMessage& msg, const std::string& terminator) {
    msg.Clear();
    CaptureHeader(msg.Headers, terminator);
    ParseAddressList(msg.HeaderValue("To"), msg.Too);
    ParseAddressList(msg.HeaderValue("Cc"), msg.CCList);
    ParseAddressList(msg.HeaderValue("Newsgroups"), msg.Newsgroups);
    const std::string title = msg.HeaderValue("Title");
    if (!title.empty()) {
        msg.SetSubject(title);
        msg.SetHeaderValue("Title", "");
    }
}

void TWireMessageClient::ReceiveBody(TWireMessage& msg, int size) {
    OnCaptureLine = nullptr;
    const std::string type = msg.HeaderValue("Content-Type");
    if (!IsMediaType(type, "multipart")) {
        TMessagePart part;
        part.ContentType = type;
        part.ContentTransfer = msg.HeaderValue("Content-Transfer-Encoding");
        if (!headerEndedAtDot_) {
            if (part.ContentTransfer == "quoted-printable")
                CaptureDecoded(&part.Text, {"."}, part.ContentTransfer);
            else
                Capture(&part.Text, {"."});
        }
        msg.Text = part.Text;
        msg.MessageParts.push_back(std::move(part));
        return;
    }
    std::string boundary;
    if (!MultipartBoundary(type, boundary)) throw EWireException("Boundary error");
    if (headerEndedAtDot_) return;
    TMultipartReader(*this, msg, size).Run(boundary);
}

}  // namespace vexil
