#include "net/smtp_auth.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <cstring>

#include "net/email_base64.h"

namespace mora {

std::string CramMd5Response(const std::string& user, const std::string& password,
                            const std::string& challenge) {
    std::string decoded = Base64Decode(challenge);
    // The challenge is text: it ends at the first zero byte, if any.
    decoded.resize(std::strlen(decoded.c_str()));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    // HMAC replaces a key longer than the block size by its MD5, as RFC 2104 asks.
    if (!HMAC(EVP_md5(), password.data(), static_cast<int>(password.size()),
              reinterpret_cast<const unsigned char*>(decoded.data()), decoded.size(), digest,
              &length)) {
        length = 0;
    }
    static const char kHex[] = "0123456789abcdef";
    std::string text = user + ' ';
    for (unsigned i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 15];
    }
    return Base64Encode(text);
}

}  // namespace mora
