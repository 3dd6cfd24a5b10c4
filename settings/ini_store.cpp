#include "settings/ini_store.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/program_dir.h"
#include "stream/replace_file.h"

namespace mora {
namespace {
// Tokens are read at most 99 characters at a time; a longer run of text makes several tokens.
constexpr size_t kMaxToken = 99;

std::optional<std::vector<std::string>> ReadTokens(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::string> tokens;
    std::string word;
    while (in >> word) {
        for (size_t i = 0; i < word.size(); i += kMaxToken)
            tokens.push_back(word.substr(i, kMaxToken));
    }
    return tokens;
}

bool StartsWith(const std::string& token, const std::string& prefix) {
    return token.compare(0, prefix.size(), prefix) == 0;
}

bool IsHeader(const std::string& token) {
    return !token.empty() && token[0] == '[';
}

// Index of the section header token, or tokens.size().
size_t FindSection(const std::vector<std::string>& tokens, const std::string& section) {
    const std::string header = "[" + section + "]";
    size_t i = 0;
    while (i < tokens.size() && tokens[i] != header) ++i;
    return i;
}

// From just after the header: the key's token, or the next header, or tokens.size().
size_t FindKey(const std::vector<std::string>& tokens, size_t header, const std::string& key) {
    size_t i = header + 1;
    while (i < tokens.size() && !IsHeader(tokens[i]) && !StartsWith(tokens[i], key)) ++i;
    return i;
}

void Put(std::string& out, const std::string& token) {
    out += IsHeader(token) ? "\r\n" + token + "\r\n" : token + "\r\n";
}

std::string KeyLine(const std::string& key, int value) {
    return key + "=" + std::to_string(value) + "\r\n";
}

bool WriteWhole(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}
}  // namespace

int IniReadInt(const std::string& section, const std::string& key, int def,
               const std::string& path) {
    auto tokens = ReadTokens(path);
    if (!tokens) return def;
    size_t header = FindSection(*tokens, section);
    if (header == tokens->size()) return def;
    size_t at = FindKey(*tokens, header, key);
    if (at == tokens->size() || IsHeader((*tokens)[at])) return def;
    const std::string& token = (*tokens)[at];
    auto eq = token.find('=');
    if (eq == std::string::npos) return def;
    return std::atoi(token.c_str() + eq + 1);
}

void IniWriteInt(const std::string& section, const std::string& key, int value,
                 const std::string& path) {
    auto tokens = ReadTokens(path);
    if (!tokens) {
        WriteWhole(path, "\r\n[" + section + "]\r\n" + KeyLine(key, value));
        return;
    }
    size_t header = FindSection(*tokens, section);
    if (header == tokens->size()) {
        // A new section goes at the end; the rest of the file stays byte for byte.
        std::FILE* f = std::fopen(path.c_str(), "ab");
        if (!f) return;
        std::string tail = "\r\n[" + section + "]\r\n" + KeyLine(key, value);
        std::fwrite(tail.data(), 1, tail.size(), f);
        std::fclose(f);
        return;
    }
    size_t at = FindKey(*tokens, header, key);
    std::string out;
    for (size_t i = 0; i < tokens->size(); ++i) {
        if (i == at) {
            out += KeyLine(key, value);
            if (IsHeader((*tokens)[i])) Put(out, (*tokens)[i]);  // the key was absent
        } else {
            Put(out, (*tokens)[i]);
        }
    }
    if (at == tokens->size()) out += KeyLine(key, value);
    // The normalised copy is written beside the file and then takes its place.
    ReplaceFileSafely(path, false, [&](JStream& stream) {
        stream.Write(out.data(), static_cast<uint32_t>(out.size()));
    });
}

}  // namespace mora
