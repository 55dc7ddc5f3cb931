// The message receiver: reads a POP3 reply's header block and body into a
// TWireMessage.  Multipart bodies nest (a boundary per level, a part ending at
// its own boundary or at any enclosing one), text parts become lines, named
// parts become temporary files.  The reply's final "." ends everything, so a
// truncated or malformed message never makes the receiver wait for more.
#include <cmath>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <unordered_map>

#include "base/Charsets.h"
#include "base/FileNames.h"
#include "base/Text.h"
#include "pop3/Decoders.h"
#include "pop3/MimeBase64.h"
#include "pop3/MimeParams.h"
#include "pop3/WireMessage.h"

namespace vexil {

namespace {

// Deeper multiparts are read and dropped whole: a hostile message must not
// make every line pay for thousands of open boundaries.
constexpr std::size_t kMaxNesting = 64;
// Named parts kept as files per message; the others are dropped like unnamed
// ones.  Real mail carries a handful: tens of thousands of tiny named parts
// only serve to fill the temporary folder.
constexpr std::size_t kMaxNamedParts = 500;
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

// The numbers the terminator test gives: the reply's ".", the empty line that
// ends a part's header, and for the multipart at level L its boundary line
// (kFirstBoundary + 2L) and its closing line (one more).
constexpr int kDot = 1;
constexpr int kFirstBoundary = 2;
constexpr int kBlankLine = kFirstBoundary + 2 * static_cast<int>(kMaxNesting) + 2;

// The lines of a text part as received, decoded whole: base64 always (a
// text part in base64 is text, not lines of code), and in Unicode the
// quoted-printable soft line breaks joined and the charset converted.
std::vector<std::string> DecodeTextPart(const std::vector<std::string>& raw,
                                        const std::string& contentType,
                                        const std::string& transfer, bool unicode) {
    std::string text;
    if (SameText(Trim(transfer), "base64")) {
        for (const std::string& line : raw) AppendBase64Line(line.data(), line.size(), text);
    } else if (unicode && SameText(Trim(transfer), "quoted-printable")) {
        for (std::string line : raw) {
            while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
            if (!line.empty() && line.back() == '=') {
                line.pop_back();
                text += QPDecode(line);
            } else {
                text += QPDecode(line);
                text += '\n';
            }
        }
    } else {
        for (const std::string& line : raw) {
            text += line;
            text += '\n';
        }
    }
    if (unicode) text = ToUtf8(text, MimeParameter(contentType, "charset"));
    return SplitLines(text);
}

// Whether a text part is received raw and decoded whole afterwards.
bool DecodedWhole(const std::string& transfer, bool unicode) {
    return unicode || SameText(Trim(transfer), "base64");
}

[[noreturn]] void FileWriteFailed(const std::string& path) {
    throw std::runtime_error("Cannot write file " + path);
}

// A part the sender marked as a file to keep ("attachment" disposition).
bool MarkedAttachment(const std::vector<std::string>& fields) {
    const std::string disposition = FieldValue(fields, "Content-Disposition");
    return SameText(Trim(disposition.substr(0, disposition.find(';'))), "attachment");
}

// Writes the lines of a non-base64 attachment to its file as they arrive:
// quoted-printable decoded (soft line breaks joining), anything else as
// received.  The line break before the next boundary belongs to the
// boundary, so the file ends with the last line's own bytes.
class TLineWriter {
public:
    TLineWriter(std::ostream& file, const std::string& transfer)
        : file_(file), qp_(SameText(Trim(transfer), "quoted-printable")) {}

    void Line(std::string line) {
        if (pendingBreak_) file_.write("\r\n", 2);
        pendingBreak_ = true;
        if (qp_) {
            while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
            if (!line.empty() && line.back() == '=') {
                line.pop_back();
                pendingBreak_ = false;
            }
            line = QPDecode(line);
        }
        file_.write(line.data(), static_cast<std::streamsize>(line.size()));
    }

private:
    std::ostream& file_;
    const bool qp_;
    bool pendingBreak_ = false;
};

// The client's line hook for the length of one capture.
class TCaptureLines {
public:
    TCaptureLines(TWireMessageClient& client, std::function<void(const std::string&)> hook)
        : client_(client) {
        client_.OnCaptureLine = std::move(hook);
    }
    ~TCaptureLines() { client_.OnCaptureLine = nullptr; }
    TCaptureLines(const TCaptureLines&) = delete;
    TCaptureLines& operator=(const TCaptureLines&) = delete;

private:
    TWireMessageClient& client_;
};

// A new attachment of msg with its temporary file; the stream writes to it.
TAttachment& NewAttachment(TWireMessage& msg, const std::vector<std::string>& fields,
                           const std::string& name) {
    TAttachment attachment;
    attachment.Headers = fields;
    attachment.FileName = name;
    attachment.StoredPathName = MakeTemporaryFile();
    msg.Attachments.push_back(std::move(attachment));
    return msg.Attachments.back();
}

void CloseChecked(std::ofstream& file, const std::string& path) {
    // A full disk shows at a write or only at the close: check both, so that
    // a file cut short never passes for the attachment.
    if (!file) FileWriteFailed(path);
    file.close();
    if (file.fail()) FileWriteFailed(path);
}

// One ReceiveBody run over a multipart body.  The open boundaries are kept in
// a table from line to level, changed only as multiparts open and close, so a
// line costs one look-up however deep the nesting and however many parts.
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
        const int level = static_cast<int>(boundaries_.size());
        const std::string line = "--" + boundary;
        boundaries_.push_back(line);
        // A boundary that an outer multipart uses too belongs to the inner one
        // while it is open.
        levels_[line].push_back(level);
    }
    // Closes the multiparts from level `keep` inwards.
    void Close(std::size_t keep) {
        while (boundaries_.size() > keep) {
            auto at = levels_.find(boundaries_.back());
            at->second.pop_back();
            if (at->second.empty()) levels_.erase(at);
            boundaries_.pop_back();
        }
    }

    // The boundary or closing line a line equals, as a terminator number (0: none).
    // A line may be one multipart's boundary line and another's closing line
    // at once ("--x--" with boundaries "x--" and "x"): the inner one wins.
    int Match(const std::string& line) const {
        if (line.size() < 2 || line[0] != '-' || line[1] != '-') return 0;
        int boundary = -1, closing = -1;
        auto at = levels_.find(line);
        if (at != levels_.end()) boundary = at->second.back();
        if (line.size() >= 4 && line.compare(line.size() - 2, 2, "--") == 0) {
            at = levels_.find(line.substr(0, line.size() - 2));
            if (at != levels_.end()) closing = at->second.back();
        }
        if (boundary < 0 && closing < 0) return 0;
        return boundary > closing ? kFirstBoundary + 2 * boundary
                                  : kFirstBoundary + 2 * closing + 1;
    }
    int Terminator(const std::string& line) const { return line == "." ? kDot : Match(line); }

    TStop StopAt(int which) const {
        TStop stop;
        if (which <= kDot) return stop;
        stop.Dot = false;
        stop.Closing = (which - kFirstBoundary) % 2 == 1;
        stop.Level = static_cast<std::size_t>(which - kFirstBoundary) / 2;
        return stop;
    }

    TTerminatorTest Terminators() const {
        return [this](const std::string& line) { return Terminator(line); };
    }

    TStop Skip() { return StopAt(client_.Capture(nullptr, Terminators(), true)); }

    TStop ReadPart() {
        // The part's header block; an empty one is passed over and the next
        // block read instead.  A block cut short by a boundary or the final
        // "." leaves a part without body: nothing to keep.
        const TTerminatorTest headerEnd = [this](const std::string& line) {
            return line.empty() ? kBlankLine : Terminator(line);
        };
        std::vector<std::string> fields;
        for (;;) {
            fields.clear();
            const int which = client_.Capture(&fields, headerEnd, true);
            if (which != kBlankLine) return StopAt(which);
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
        const bool marked = MarkedAttachment(fields);
        if (IsMediaType(type, "text") && !marked) {
            TMessagePart part;
            part.ContentType = type;
            part.ContentTransfer = transfer;
            int which = 0;
            if (DecodedWhole(transfer, msg_.UnicodeText)) {
                std::vector<std::string> raw;
                which = client_.Capture(&raw, Terminators(), true);
                part.Text = DecodeTextPart(raw, type, transfer, msg_.UnicodeText);
            } else {
                which = transfer == "quoted-printable"
                            ? client_.CaptureDecoded(&part.Text, Terminators(), true, transfer)
                            : client_.Capture(&part.Text, Terminators(), true);
            }
            msg_.Text.insert(msg_.Text.end(), part.Text.begin(), part.Text.end());
            msg_.MessageParts.push_back(std::move(part));
            return StopAt(which);
        }
        // A file the sender attached is kept even without a name.
        std::string name = msg_.UnicodeText ? PartFileNameUtf8(fields) : PartFileName(fields);
        if (name.empty() && marked) name = "attachment";
        if (name.empty() || !msg_.ExtractAttachments || msg_.Attachments.size() >= kMaxNamedParts)
            return Skip();

        const std::string path = NewAttachment(msg_, fields, name).StoredPathName;

        std::unique_ptr<char[]> streamBuffer(new char[1 << 16]);
        std::ofstream file;
        file.rdbuf()->pubsetbuf(streamBuffer.get(), 1 << 16);
        file.open(FilePath(path), std::ios::binary | std::ios::trunc);
        if (!file) throw std::runtime_error("Cannot create file " + path);
        TStop stop;
        if (SameText(Trim(transfer), "base64")) {
            stop = ReadBase64(file, path);
        } else {
            TLineWriter writer(file, transfer);
            const TCaptureLines lines(client_, [&writer](const std::string& l) { writer.Line(l); });
            stop = StopAt(client_.Capture(nullptr, Terminators(), true));
        }
        CloseChecked(file, path);
        return stop;
    }

    // Line by line as it arrives: each line decoded whole, the percentage of
    // the message shown as it changes.  An empty line ends the data; what
    // follows it up to the next boundary is dropped.
    TStop ReadBase64(std::ofstream& file, const std::string& path) {
        std::string block;
        block.reserve(kWriteBlock + 1024);
        long long encoded = 0;
        long long shown = -1;
        const auto flush = [&] {
            if (!file.write(block.data(), static_cast<std::streamsize>(block.size())))
                FileWriteFailed(path);
            block.clear();
        };
        for (;;) {
            std::string line = client_.ReadLn();
            int which = kDot;
            if (line != ".") {
                if (line.size() >= 2 && line[0] == '.' && line[1] == '.') line.erase(0, 1);
                which = Match(line);
            }
            if (which != 0 || line.empty()) {
                flush();
                return which != 0 ? StopAt(which) : Skip();
            }
            AppendBase64Line(line.data(), line.size(), block);
            if (block.size() >= kWriteBlock) flush();
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
    std::vector<std::string> boundaries_;  // boundary lines of the open multiparts, outermost first
    std::unordered_map<std::string, std::vector<int>> levels_;  // boundary line -> its levels
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
    try {
        ReceiveBodyLines(msg, size);
    } catch (...) {
        // Whatever went wrong, the next command must read its own reply.
        SkipToReplyEnd();
        throw;
    }
}

void TWireMessageClient::ReceiveBodyLines(TWireMessage& msg, int size) {
    OnCaptureLine = nullptr;
    const std::string type = msg.HeaderValue("Content-Type");
    const std::string name =
        msg.UnicodeText ? PartFileNameUtf8(msg.Headers) : PartFileName(msg.Headers);
    const bool file = !Trim(type).empty() && !IsMediaType(type, "text") &&
                      !IsMediaType(type, "multipart");
    if ((file || (MarkedAttachment(msg.Headers) && !name.empty())) && msg.ExtractAttachments &&
        !headerEndedAtDot_) {
        ReceiveSingleFile(msg, name.empty() ? "attachment" : name);
        return;
    }
    if (!IsMediaType(type, "multipart")) {
        TMessagePart part;
        part.ContentType = type;
        part.ContentTransfer = msg.HeaderValue("Content-Transfer-Encoding");
        if (!headerEndedAtDot_) {
            if (DecodedWhole(part.ContentTransfer, msg.UnicodeText)) {
                std::vector<std::string> raw;
                Capture(&raw, {"."});
                part.Text = DecodeTextPart(raw, type, part.ContentTransfer, msg.UnicodeText);
            } else if (part.ContentTransfer == "quoted-printable") {
                CaptureDecoded(&part.Text, {"."}, part.ContentTransfer);
            } else {
                Capture(&part.Text, {"."});
            }
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

// A message that is one file (what scanners and phones send): its body is
// the attachment, decoded by the message's transfer encoding.
void TWireMessageClient::ReceiveSingleFile(TWireMessage& msg, const std::string& name) {
    const std::string path = NewAttachment(msg, msg.Headers, name).StoredPathName;
    const std::string transfer = msg.HeaderValue("Content-Transfer-Encoding");
    std::unique_ptr<char[]> streamBuffer(new char[1 << 16]);
    std::ofstream file;
    file.rdbuf()->pubsetbuf(streamBuffer.get(), 1 << 16);
    file.open(FilePath(path), std::ios::binary | std::ios::trunc);
    if (!file) throw std::runtime_error("Cannot create file " + path);
    if (SameText(Trim(transfer), "base64")) {
        std::string block;
        const TCaptureLines lines(*this, [&](const std::string& l) {
            AppendBase64Line(l.data(), l.size(), block);
            if (block.size() >= kWriteBlock) {
                if (!file.write(block.data(), static_cast<std::streamsize>(block.size())))
                    FileWriteFailed(path);
                block.clear();
            }
        });
        Capture(nullptr, {"."});
        file.write(block.data(), static_cast<std::streamsize>(block.size()));
    } else {
        TLineWriter writer(file, transfer);
        const TCaptureLines lines(*this, [&writer](const std::string& l) { writer.Line(l); });
        Capture(nullptr, {"."});
    }
    CloseChecked(file, path);
}

}  // namespace vexil
