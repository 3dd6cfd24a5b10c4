#pragma once
// Reading parts of a level file that is not the current recording's: its header, its tables
// and the level bytes of a range with the cuts left out (for the publishing writers and the
// clip list). Every count in the file is checked against the tables' limits and the file's
// size before anything is read.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "audio/level_file.h"
#include "stream/jstream.h"

namespace mora {

struct VuFileHeader {
    uint32_t version = 0;      // low 12 bits of the stored word
    uint32_t captureRate = 0;  // the word's upper bits: the capture rate, 0 when not stored
    uint32_t cropBegin = 0;
    uint32_t cropEnd = 0;
    uint32_t levelCount = 0;
    uint32_t markerCount = 0;  // 0 before version 2
    uint32_t cutCount = 0;
    // Offset of the first level byte.
    uint32_t DataOffset() const;
};

enum class VuHeaderStatus { Ok, BadMagic, BadTables };

// Reads and checks the header at the stream's start: the magic, and tables within their limits
// and within the stream. Shows no message.
VuHeaderStatus ReadVuHeader(JStream& stream, VuFileHeader& header);

// Calls part(begin, end) for each stretch of [begin, end) outside all cuts, in order. Cuts
// may overlap each other and the range, and need not be sorted.
template <typename Part>
void WalkUncut(uint32_t begin, uint32_t end, const VuCut* cuts, uint32_t cutCount, Part part);

// Sum of the parts of [begin, end) outside all cuts.
uint32_t EffectiveLength(uint32_t begin, uint32_t end, const VuCut* cuts, uint32_t cutCount);

// Each of these reports "GetVuFileHeader" when the file cannot be read or is not a level file.
std::optional<VuFileHeader> GetVuFileHeader(const std::string& path);
// Returns the table's size in bytes (0 on failure).
uint32_t GetVuMarkers(const std::string& path, std::vector<uint32_t>& markers);
uint32_t GetVuCuts(const std::string& path, std::vector<VuCut>& cuts);

// The level bytes of [rangeBegin, rangeEnd) (the file's crop range when rangeEnd is 0) with
// the cuts left out, within the levels the file holds. Reports "GetVuFileHeader in
// GetVuFileData" on a bad file. Returns the number of bytes delivered.
uint32_t GetVuFileData(const std::string& path, uint32_t rangeBegin, uint32_t rangeEnd,
                       std::vector<uint8_t>& data);
// The same over an open stream, without the message; false when the header is bad.
bool ReadVuFileData(JStream& stream, uint32_t rangeBegin, uint32_t rangeEnd,
                    std::vector<uint8_t>& data);

template <typename Part>
void WalkUncut(uint32_t begin, uint32_t end, const VuCut* cuts, uint32_t cutCount, Part part) {
    uint32_t pos = begin;
    while (pos < end) {
        // Leave every cut the position lies in, however they chain or overlap.
        bool moved = true;
        while (moved && pos < end) {
            moved = false;
            for (uint32_t i = 0; i < cutCount; ++i) {
                if (cuts[i].begin <= pos && pos < cuts[i].end) {
                    pos = cuts[i].end;
                    moved = true;
                }
            }
        }
        if (pos >= end) break;
        uint32_t next = end;
        for (uint32_t i = 0; i < cutCount; ++i) {
            if (cuts[i].begin > pos && cuts[i].begin < next && cuts[i].end > cuts[i].begin)
                next = cuts[i].begin;
        }
        part(pos, next);
        pos = next;
    }
}

}  // namespace mora
