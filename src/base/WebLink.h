// The one check every link the program opens from outside text goes
// through (skin files, news items): only absolute web addresses, which the
// shell hands to the browser, never a path or a program name.
#pragma once

#include <string>

namespace vexil {

// True for an absolute "http://" or "https://" URL (any case) with a host:
// a DNS name, IPv4 address or bracketed IPv6 address, an optional numeric
// port, then a path, query or fragment.  No blank, control character,
// quote or backslash anywhere; no user name before the host ("a@b" hides
// where a link goes).
bool IsWebUrl(const std::string& text);

}  // namespace vexil
