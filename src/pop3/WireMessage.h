// One received e-mail and the receiver that fills it from a POP3 reply:
// header capture and unfolding, MIME parts, text lines and attachments kept
// in temporary files.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "pop3/Wire.h"

namespace vexil {

struct TMessagePart {
    std::vector<std::string> Text;
    std::string ContentTransfer;
    std::string ContentType;
};

// One named part of a message.  Its decoded content lives in a temporary file
// that belongs to the attachment: it is deleted with it, so clearing a message
// (or ending the program) leaves nothing behind in the temporary folder.
struct TAttachment {
    std::vector<std::string> Headers;  // the part's fields, Name=Value
    std::string FileName;
    std::string StoredPathName;  // temporary file with the decoded content

    TAttachment() = default;
    TAttachment(const TAttachment&) = delete;
    TAttachment& operator=(const TAttachment&) = delete;
    TAttachment(TAttachment&& other) noexcept;
    TAttachment& operator=(TAttachment&& other) noexcept;
    ~TAttachment();

    // Copies the stored file to target (a trailing separator removed),
    // replacing an existing file; false when the copy fails.
    bool SaveToFile(const std::string& target) const;
};

class TWireMessage {
public:
    TWireMessage() = default;
    TWireMessage(TWireMessage&&) = default;
    TWireMessage& operator=(TWireMessage&&) = default;
    virtual ~TWireMessage() = default;

    // Header fields as Name=Value lines, in arrival order.
    std::vector<std::string> Headers;
    std::vector<std::string> Too, CCList, BCCList, Newsgroups;
    std::vector<std::string> Text;
    std::vector<TMessagePart> MessageParts;
    std::vector<TAttachment> Attachments;
    std::string ContentType = "text/plain";
    bool ExtractAttachments = true;
    // Text parts in UTF-8: each decoded whole from its transfer encoding
    // (quoted-printable soft line breaks join lines) and converted from the
    // charset its Content-Type names (the system's code page when it names
    // none or one we do not know).  Off, text stays in the bytes it came in.
    bool UnicodeText = false;
    bool UseNowForDate = true;
    std::string DefaultDomain;
    int MsgNo = 0;

    // Empties the message; the files of its attachments are deleted.
    virtual void Clear();

    // The value of the first field of that name (letter case ignored); ""
    // when there is none.  Setting "" removes the field.
    std::string HeaderValue(const std::string& name) const;
    void SetHeaderValue(const std::string& name, const std::string& value);

    std::string From() const { return HeaderValue("From"); }
    std::string Organization() const { return HeaderValue("Organization"); }
    std::string References() const { return HeaderValue("References"); }
    std::string ReplyTo() const { return HeaderValue("Reply-To"); }
    std::string Subject() const { return HeaderValue("Subject"); }
    std::string MsgID() const { return HeaderValue("Message-ID"); }
    void SetSubject(const std::string& v) { SetHeaderValue("Subject", v); }

    // The Date field without seconds and zone; today's date (short format, from
    // Today) when there is none.
    std::string FullDate() const;
    std::function<std::string()> Today;  // the platform's short date of today
};

// Header block helpers.
void UnfoldHeader(std::vector<std::string>& lines);  // also turns "Name: v" into "Name=v"
void ParseAddressList(const std::string& value, std::vector<std::string>& list);
std::string DecodeHeader(const std::string& value);  // RFC 2047 encoded words
// The same in UTF-8, as the message window shows headers: each encoded word
// converted from its own charset (adjacent words joined first, the blanks
// between them dropped), plain text kept when it is UTF-8 and otherwise taken
// in the system's code page.
std::string DecodeHeaderUtf8(const std::string& value);
std::string Fetch(std::string& text, const std::string& delimiter);
std::string ExtractBetween(const std::string& text, const std::string& start,
                           const std::string& end, bool ignoreCase);

// Temporary files for attachments: the platform's temporary directory and its
// unique file name service (prefix "PBE").
std::string MakeTemporaryFile();

class TWireMessageClient : public TWireClient {
public:
    std::string XProgram;
    virtual void CaptureHeader(std::vector<std::string>& list, const std::string& terminator);
    virtual void ReceiveHeader(TWireMessage& msg, const std::string& terminator);
    virtual void ReceiveBody(TWireMessage& msg, int size);

    // True when the last header capture stopped at the line "." that ends the
    // reply (a header block cut short): nothing of that reply is left to read.
    bool HeaderEndedAtDot() const { return headerEndedAtDot_; }

protected:
    using TWireClient::TWireClient;

private:
    void ReceiveBodyLines(TWireMessage& msg, int size);
    void ReceiveSingleFile(TWireMessage& msg, const std::string& name);
    bool headerEndedAtDot_ = false;
};

}  // namespace vexil
