#pragma once
// Servers the user trusts by certificate fingerprint although no known authority vouches for
// them: "trusted-servers.txt" in the program folder, readable by its owner only, one
// "host:port fingerprint" line each. The fingerprint is the SHA-256 of the certificate as
// "AB:CD:..." (what `openssl x509 -fingerprint -sha256` prints).

#include <optional>
#include <string>

namespace mora {

inline constexpr const char* kTrustedServersFile = "trusted-servers.txt";

// "AB:CD:..." from a fingerprint given with or without colons, in either case; empty when the
// text is not 32 hexadecimal bytes.
std::string NormalizeFingerprint(const std::string& text);

// The fingerprint trusted for `server` ("host:port", "[v6]:port"), if any.
std::optional<std::string> TrustedFingerprint(const std::string& server);
// Trusts `fingerprint` for `server` from now on, replacing an earlier one. False when the file
// could not be written.
bool TrustFingerprint(const std::string& server, const std::string& fingerprint);

}  // namespace mora
