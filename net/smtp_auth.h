#pragma once
// The CRAM-MD5 answer to a server's challenge (RFC 2195): base64 of "user hexdigest", where the
// digest is HMAC-MD5 of the decoded challenge keyed with the password.

#include <string>

namespace mora {

// `challenge` is the base64 text the server sent after "334 ".
std::string CramMd5Response(const std::string& user, const std::string& password,
                            const std::string& challenge);

}  // namespace mora
