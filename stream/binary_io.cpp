#include "stream/binary_io.h"

#include <vector>

#include "platform/utf16.h"
#include "stream/jstream_file.h"
#include "stream/jstream_memory.h"

namespace mora {
namespace {
// Streams of unknown size still never allocate more than this for one string.
constexpr uint32_t kMaxUnknownStrUnits = 1u << 24;
}  // namespace

bool ReadBytes(JStream& stream, void* target, uint32_t count) {
    if (!stream.IsReadable() || stream.IsAtEnd()) return false;
    if (count == 0) return true;
    std::vector<uint8_t> tmp(count);
    stream.Read(tmp.data(), count);
    if (!stream.IsReadable() || stream.IsAtEnd()) return false;
    std::copy(tmp.begin(), tmp.end(), static_cast<uint8_t*>(target));
    return true;
}

std::optional<uint64_t> RemainingBytes(JStream& stream) {
    uint64_t size;
    if (auto* file = dynamic_cast<JStreamFile*>(&stream)) {
        size = file->GetSize();
    } else if (auto* memory = dynamic_cast<JStreamMemory*>(&stream)) {
        size = memory->GetSize();
    } else {
        return std::nullopt;
    }
    uint64_t pos = stream.GetPosition();
    return pos < size ? size - pos : 0;
}

bool ReadStr(JStream& stream, std::string& text) {
    uint32_t count = 0;
    if (!ReadLE(stream, count)) return false;
    if (count == 0) {
        text.clear();
        return true;
    }
    const uint64_t bytes = (static_cast<uint64_t>(count) + 1) * 2;
    auto remaining = RemainingBytes(stream);
    if ((remaining && bytes > *remaining) || (!remaining && count > kMaxUnknownStrUnits)) {
        // The count claims more than the stream holds: end here, as a short read would.
        stream.state |= JStream::atEnd;
        return false;
    }
    std::vector<uint8_t> raw(static_cast<size_t>(bytes));
    if (!ReadBytes(stream, raw.data(), static_cast<uint32_t>(bytes))) return false;
    std::u16string units(count, u'\0');
    for (uint32_t i = 0; i < count; ++i)
        units[i] = static_cast<char16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
    // A 0 inside the counted text ends it, as it would for the program that wrote it.
    if (auto zero = units.find(u'\0'); zero != std::u16string::npos) units.resize(zero);
    text = Utf16ToUtf8(units);
    return true;
}

void WriteStr(JStream& stream, const std::string& text) {
    std::u16string units = Utf8ToUtf16(text);
    WriteLE<uint32_t>(stream, static_cast<uint32_t>(units.size()));
    if (units.empty()) return;
    std::vector<uint8_t> raw((units.size() + 1) * 2, 0);
    for (size_t i = 0; i < units.size(); ++i) {
        raw[2 * i] = static_cast<uint8_t>(units[i] & 0xFF);
        raw[2 * i + 1] = static_cast<uint8_t>(units[i] >> 8);
    }
    stream.Write(raw.data(), static_cast<uint32_t>(raw.size()));
}

}  // namespace mora
