// Parameters of MIME header values (Content-Type, Content-Disposition): the
// boundary of a multipart body and the file name of a part, in the forms real
// mailers write them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vexil {

// The index of the first field of that name in a list of Name=Value lines
// (letter case ignored); npos when there is none.
std::size_t FieldIndex(const std::vector<std::string>& fields, const std::string& name);
// The value of that field; "" when there is none.
std::string FieldValue(const std::vector<std::string>& fields, const std::string& name);

// The longest boundary taken: the longest line mail may carry (998
// characters).  Real boundaries are short (70 at most by the MIME rules).
constexpr std::size_t kMaxBoundaryLength = 998;

// The boundary of a multipart Content-Type value: the text after the first
// "boundary=" (any case), up to its closing quote when quoted, else up to ";",
// trimmed.  False when the value has no "boundary=", or one longer than
// kMaxBoundaryLength (which counts as none).
bool MultipartBoundary(const std::string& contentType, std::string& boundary);

// A parameter of a header value, in any of the forms mail carries: quoted,
// bare (ending at ";"), RFC 2231 extended (name*=charset'lang'%XX...) and
// RFC 2231 continuations (name*0*=...; name*1=...).  The charset is dropped:
// the bytes are kept as they are.  "" when absent.
std::string MimeParameter(const std::string& value, const std::string& attribute);

// The file name of a part: filename="..." of its Content-Disposition as
// written, else the filename parameter in another form, else the name
// parameter of its Content-Type.  "" when the part has none.
std::string PartFileName(const std::vector<std::string>& fields);
// The same name in UTF-8: from the charset an RFC 2231 name declares, encoded
// words inside the quotes decoded, other 8-bit names in the part's charset
// (kept when UTF-8 already, else the system's code page when none is named).
std::string PartFileNameUtf8(const std::vector<std::string>& fields);

}  // namespace vexil
