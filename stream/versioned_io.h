#pragma once
// One walk over a versioned binary record serves both directions: the reader reads a field only
// when the file's version passes its gate, the writer writes every field. A record's field list
// is written once as a template over the Io type, so reading and writing cannot drift apart.
//
//   template <class Io> void Fields(Io& io, Record& r) {
//       io.Int(r.a);                  // always present
//       if (io.Pass(3)) io.Str(r.b);  // present in files of version 4 and later
//   }

#include <cstdint>
#include <string>

#include "stream/binary_io.h"

namespace mora {

struct FieldReader {
    static constexpr bool kReading = true;
    JStream& stream;
    uint32_t version;

    // A gate k lets the field through when the file's version is greater than k.
    bool Pass(uint32_t gate) const { return version > gate; }
    template <typename T>
    void Int(T& value) {
        ReadLE(stream, value);
    }
    void Str(std::string& text) { ReadStr(stream, text); }
    void Reserved(uint32_t bytes) {
        uint8_t skip[16];
        while (bytes > 0) {
            uint32_t n = bytes < sizeof skip ? bytes : sizeof skip;
            ReadBytes(stream, skip, n);
            bytes -= n;
        }
    }
    void ReservedStr() {
        std::string ignored;
        ReadStr(stream, ignored);
    }
};

struct FieldWriter {
    static constexpr bool kReading = false;
    JStream& stream;
    uint32_t version = 0;  // unused: the writer writes the newest version

    bool Pass(uint32_t) const { return true; }
    template <typename T>
    void Int(T& value) {
        WriteLE(stream, value);
    }
    void Str(std::string& text) { WriteStr(stream, text); }
    void Reserved(uint32_t bytes) {
        const uint8_t zeros[16] = {};
        while (bytes > 0) {
            uint32_t n = bytes < sizeof zeros ? bytes : sizeof zeros;
            stream.Write(zeros, n);
            bytes -= n;
        }
    }
    void ReservedStr() { WriteLE<uint32_t>(stream, 0); }
};

}  // namespace mora
