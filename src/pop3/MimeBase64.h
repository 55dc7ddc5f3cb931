// The base64 line decoder without a string per call: the message receiver
// decodes attachments straight into its write buffer.
#pragma once

#include <cstddef>
#include <string>

namespace vexil {

// Appends the bytes of one base64 line (the rules of TWireDecoder::DecodeLine:
// groups of four, padding honoured per group, a partial last group ignored).
void AppendBase64Line(const char* line, std::size_t length, std::string& out);

}  // namespace vexil
