// Content transfer decoders of received mail: base64, quoted-printable and
// uuencode, one line (or one encoded word) at a time.
#pragma once

#include <string>

namespace vexil {

class TWireCoder {
public:
    virtual ~TWireCoder() = default;
};

class TWireDecoder : public TWireCoder {
public:
    // Exactly four characters to one to three bytes; another length raises
    // std::runtime_error "DecodeUnit length error.".
    std::string DecodeUnit(const std::string& unit) const;
    // One base64 line, decoded whole whatever its length; characters left after
    // the last group of four are ignored.
    std::string DecodeLine(const std::string& line) const;
};

std::string QPDecode(const std::string& line);
std::string Base64DecodeText(const std::string& text);
int UUDecodeChar(char c);  // raises std::runtime_error "UUCODE: Message format error"
std::string UUDecodeLine(const std::string& line);

}  // namespace vexil
