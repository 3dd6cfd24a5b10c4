#pragma once
// The FTP benchmarks' own upload: `size` bytes from memory in pieces of `pieceSize`, as the
// publishing writers deliver them. False when the transfer failed.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/ftp_stream.h"
#include "settings/settings.h"

namespace mora::bench {

inline bool UploadFromMemory(const Settings& settings, InternetState& internet,
                             const std::vector<char>& pattern, size_t size, uint32_t pieceSize) {
    JStreamFTP stream(settings, internet);
    stream.ConnectWithSettings();
    stream.OpenFile("ours.bin", false);
    for (size_t at = 0; at < size && stream.IsWritable(); at += pieceSize) {
        stream.Write(pattern.data() + at % pattern.size(), pieceSize);
    }
    stream.CloseFile();
    return stream.IsGood();
}

}  // namespace mora::bench
