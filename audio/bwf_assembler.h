#pragma once
// Lays out a Broadcast Wave publication on any byte stream: the header with every size computed
// ahead (FTP and e-mail targets cannot seek back), the audio with its running checksum, and the
// "levl" and "qlty" chunks after the data.

#include <cstdint>

#include "audio/bwf_metadata.h"
#include "stream/jstream.h"

namespace mora {

class BwfAssembler {
  public:
    // MPEG publication of `frames` frames at `bitrate`. False when the file would pass what
    // 32-bit RIFF sizes can describe.
    bool SetupMpeg(BwfMetadata metadata, const Mp2Bitrate& bitrate, uint32_t frames);
    // PCM publication (48 kHz, 16 bits); sizes are patched when the file is finished.
    void SetupPcm(BwfMetadata metadata);

    // Items 1 and 2 and the MPEG format block; returns the data start offset.
    uint32_t WriteMpegHead(JStream& out);
    // Items 1 and 2 and the PCM fmt/fact/data headers; returns the data start offset.
    uint32_t WritePcmHead(JStream& out);

    void AddToChecksum(const uint8_t* data, uint32_t count);
    // Takes back a sum added before (bytes that will be sent again after a resume).
    void RemoveFromChecksum(uint32_t sum) { waveChecksum_ -= sum; }
    uint32_t WaveChecksum() const { return waveChecksum_; }
    // The levl and qlty chunks, the wave checksum filled in.
    void WriteTail(JStream& out);
    uint32_t TailBytes() const;

    const BwfMetadata& Metadata() const { return metadata_; }
    int Channels() const { return metadata_.channels; }

  private:
    BwfMetadata metadata_;
    Mp2Bitrate bitrate_;
    uint32_t frames_ = 0;
    uint32_t waveChecksum_ = 0;
};

}  // namespace mora
