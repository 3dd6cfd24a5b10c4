#include "platform/audio/sample_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <numbers>

#include "platform/audio/wav_io.h"
#include "platform/trace.h"

namespace mora {
namespace {

class SilenceSource : public SampleSource {
  public:
    size_t Read(uint8_t* dst, size_t n) override {
        std::memset(dst, 0, n);
        return n;
    }
};

class ToneSource : public SampleSource {
  public:
    ToneSource(const PcmFormat& format, double hz, double amplitude)
        : format_(format), step_(2 * std::numbers::pi * hz / format.rate), amplitude_(amplitude) {}

    size_t Read(uint8_t* dst, size_t n) override {
        const size_t width = format_.bits / 8;
        const double full = format_.bits == 24 ? 8388607.0 : 32767.0;
        for (size_t i = 0; i < n; ++i) {
            if (pending_.empty()) {
                const auto value =
                    static_cast<int32_t>(std::lround(std::sin(phase_) * amplitude_ * full));
                phase_ = std::fmod(phase_ + step_, 2 * std::numbers::pi);
                for (unsigned c = 0; c < format_.channels; ++c)
                    for (size_t b = 0; b < width; ++b)
                        pending_.push_back(static_cast<uint8_t>(value >> (8 * b)));
                next_ = 0;
            }
            dst[i] = pending_[next_++];
            if (next_ == pending_.size()) pending_.clear();
        }
        return n;
    }

  private:
    PcmFormat format_;
    double step_;
    double amplitude_;
    double phase_ = 0;
    std::basic_string<uint8_t> pending_;  // the rest of the frame being handed out
    size_t next_ = 0;
};

class DiscardSink : public SampleSink {
  public:
    void Write(const uint8_t*, size_t) override {}
};

class WavSource : public SampleSource {
  public:
    WavSource(std::FILE* file, uint64_t remaining) : file_(file), remaining_(remaining) {}
    ~WavSource() override { std::fclose(file_); }
    size_t Read(uint8_t* dst, size_t n) override {
        const size_t want = n < remaining_ ? n : static_cast<size_t>(remaining_);
        const size_t got = want ? std::fread(dst, 1, want, file_) : 0;
        remaining_ -= got;
        return got;
    }

  private:
    std::FILE* file_;
    uint64_t remaining_;
};

class WavSink : public SampleSink {
  public:
    WavSink(std::FILE* file, std::string path, const PcmFormat& format)
        : file_(file), path_(std::move(path)), format_(format) {}
    ~WavSink() override {
        // A data chunk cannot describe more than 4 GiB; the samples beyond stay in the file.
        const auto header = WavHeader(format_, bytes_);
        if (std::fseek(file_, 0, SEEK_SET) != 0 ||
            std::fwrite(header.data(), 1, header.size(), file_) != header.size())
            failed_ = true;
        if (std::fclose(file_) != 0) failed_ = true;
        if (failed_)
            Trace("file output %s: writing failed: %s", path_.c_str(), std::strerror(errno));
    }
    void Write(const uint8_t* src, size_t n) override {
        if (std::fwrite(src, 1, n, file_) != n) failed_ = true;
        bytes_ += n;
    }

  private:
    std::FILE* file_;
    std::string path_;
    PcmFormat format_;
    uint64_t bytes_ = 0;
    bool failed_ = false;
};

std::string FormatText(const PcmFormat& f) {
    return std::to_string(f.rate) + " Hz, " + std::to_string(f.channels) + " channel(s), " +
           std::to_string(f.bits) + " bits";
}

}  // namespace

std::unique_ptr<SampleSource> MakeSilenceSource() {
    return std::make_unique<SilenceSource>();
}

std::unique_ptr<SampleSource> MakeToneSource(const PcmFormat& format, double hz, double amplitude) {
    return std::make_unique<ToneSource>(format, hz, amplitude);
}

std::unique_ptr<SampleSink> MakeDiscardSink() {
    return std::make_unique<DiscardSink>();
}

std::unique_ptr<SampleSource> OpenWavSource(const std::string& path, const PcmFormat& format,
                                            int& code, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    struct stat st {};
    if (!file || ::fstat(fileno(file), &st) != 0) {
        error = path + ": " + std::strerror(errno);
        if (file) std::fclose(file);
        code = kAudioBadDevice;
        return nullptr;
    }
    WavLayout layout;
    if (!ParseWavFile(fileno(file), layout, error)) {
        error = path + ": " + error;
        std::fclose(file);
        code = kAudioError;
        return nullptr;
    }
    if (!(layout.format == format)) {
        error = path + " holds " + FormatText(layout.format) + ", not " + FormatText(format);
        std::fclose(file);
        code = kAudioBadFormat;
        return nullptr;
    }
    if (std::fseek(file, static_cast<long>(layout.dataOffset), SEEK_SET) != 0) {
        error = path + ": " + std::strerror(errno);
        std::fclose(file);
        code = kAudioError;
        return nullptr;
    }
    return std::make_unique<WavSource>(file, layout.dataBytes);
}

std::unique_ptr<SampleSink> CreateWavSink(const std::string& path, const PcmFormat& format,
                                          std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    const auto header = WavHeader(format, 0);
    if (std::fwrite(header.data(), 1, header.size(), file) != header.size()) {
        error = path + ": " + std::strerror(errno);
        std::fclose(file);
        return nullptr;
    }
    return std::make_unique<WavSink>(file, path, format);
}

void ApplyVolume(uint8_t* data, size_t bytes, const PcmFormat& format, uint32_t volume) {
    if (volume == 0xFFFFFFFFu || (format.channels == 1 && (volume & 0xFFFF) == 0xFFFF)) return;
    const size_t width = format.bits / 8;
    const size_t frame = format.BlockAlign();
    for (size_t pos = 0; pos + frame <= bytes; pos += frame) {
        for (unsigned c = 0; c < format.channels; ++c) {
            // Channels beyond the second follow the left volume.
            const uint32_t gain = (c == 1) ? volume >> 16 : volume & 0xFFFF;
            uint8_t* p = data + pos + c * width;
            int32_t v = 0;
            for (size_t b = 0; b < width; ++b) v |= static_cast<int32_t>(p[b]) << (8 * b);
            v = (v << (32 - 8 * width)) >> (32 - 8 * width);  // sign-extend
            v = static_cast<int32_t>((static_cast<int64_t>(v) * gain) / 65535);
            for (size_t b = 0; b < width; ++b) p[b] = static_cast<uint8_t>(v >> (8 * b));
        }
    }
}

}  // namespace mora
