#pragma once
// Devices made in software (the null and file devices, the simulated hardware): an input that
// fills buffers from a SampleSource and an output that empties them into a SampleSink, either
// at the pace of real time (a 10 ms timer on the program's event loop advances the device by
// 10 ms of samples per tick) or as fast as the caller queues buffers.

#include <atomic>
#include <memory>

#include "platform/audio/audio_device.h"
#include "platform/audio/sample_io.h"

namespace mora {

enum class Pace { kRealTime, kFast };

// Timer identifiers used by software devices on the event loop: kSoftTimerBase upwards, one
// per open device, well away from the program's own small timer numbers.
constexpr int kSoftTimerBase = 0x4D410000;

// The input runs while started; samples that arrive with no buffer queued are lost, as with a
// sound card. When the source ends, the buffer being filled comes back with what it holds and
// the input delivers nothing more.
std::unique_ptr<AudioInput> MakeSoftInput(EventLoop& loop, const PcmFormat& format, BufferDone done,
                                          std::unique_ptr<SampleSource> source, Pace pace);

// The output plays from the moment it is open (unless paused); `volume` scales what reaches
// the sink.
std::unique_ptr<AudioOutput> MakeSoftOutput(EventLoop& loop, const PcmFormat& format,
                                            BufferDone done, std::unique_ptr<SampleSink> sink,
                                            Pace pace,
                                            std::shared_ptr<std::atomic<uint32_t>> volume);

}  // namespace mora
