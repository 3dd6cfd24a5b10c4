#pragma once
// The audio device layer the recorder, player and setup tools stand on: PCM input and output
// devices fed with caller-owned buffers of fixed length. A queued buffer belongs to the device
// until it comes back; it comes back through the device's buffer-done callback, which always
// runs as a callback posted to the program's EventLoop, in the order the buffers were queued,
// and never inside a call of the caller's (so a handler may queue the buffer again at once).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mora {

class EventLoop;
class PdAudioCard;

// Result codes of every device operation; 0 is success. Callers show AudioErrorText and trace
// the number.
enum AudioResult : int {
    kAudioOk = 0,
    kAudioError = 1,       // unspecified failure
    kAudioBadDevice = 2,   // no device with that number
    kAudioNotEnabled = 3,  // the device or sound server cannot be reached
    kAudioNoDriver = 6,    // the backend is not available
    kAudioNoMemory = 7,
    kAudioNotSupported = 8,  // operation or private message not known to this device
    kAudioInvalidParam = 11,
    kAudioBadFormat = 32,     // the device cannot run with that PCM format
    kAudioStillPlaying = 33,  // the buffer is still queued
    kAudioUnprepared = 34,    // the buffer was not prepared
};

// A short English text for a result code, for the callers' message boxes and traces.
std::string AudioErrorText(int code);

struct PcmFormat {
    uint32_t rate = 44100;
    uint16_t channels = 1;
    uint16_t bits = 16;  // 16 or 24, little-endian signed, channels interleaved

    uint32_t BlockAlign() const { return channels * (bits / 8u); }
    uint32_t BytesPerSecond() const { return rate * BlockAlign(); }
    bool Valid() const;
    bool operator==(const PcmFormat&) const = default;
};

// Buffer flags, set by the layer.
constexpr uint32_t kBufferPrepared = 1;
constexpr uint32_t kBufferQueued = 2;
constexpr uint32_t kBufferDone = 4;

// A buffer of the caller's: data and length stay fixed while it is prepared.
struct AudioBuffer {
    uint8_t* data = nullptr;
    uint32_t length = 0;         // bytes
    uint32_t bytesRecorded = 0;  // input: bytes the device filled when it came back
    uintptr_t user = 0;          // the caller's word (the recorder keeps its slot index here)
    uint32_t flags = 0;
};

// Runs on the event loop's thread for every buffer that comes back.
using BufferDone = std::function<void(AudioBuffer&)>;

// Device number that stands for the default device.
constexpr int kDefaultDevice = -1;

class AudioDevice {
  public:
    virtual ~AudioDevice() = default;
    // Prepare must precede queuing; Unprepare refuses a queued buffer.
    virtual int Prepare(AudioBuffer& buffer) = 0;
    virtual int Unprepare(AudioBuffer& buffer) = 0;
    // Every queued buffer comes back (an input buffer with the bytes it holds) and the device
    // stops: an input stops recording, an output stops playing (and stays paused if it was).
    virtual int Reset() = 0;
    // Closes the device; buffers still queued come back first as by Reset. Destroying an open
    // device closes it.
    virtual int Close() = 0;
    // The device-private message call: msg and two parameters; a device that does not know the
    // message answers kAudioNotSupported. A value answered goes to `result`.
    virtual int Message(uint32_t msg, uintptr_t param1, uintptr_t param2, uint32_t& result) = 0;
    virtual PcmFormat Format() const = 0;
};

class AudioInput : public AudioDevice {
  public:
    // Hands an empty buffer to the device; buffers fill in the order they were added.
    virtual int AddBuffer(AudioBuffer& buffer) = 0;
    virtual int Start() = 0;
    // Stops recording: the buffer being filled comes back with what it holds; empty buffers
    // stay queued for the next Start.
    virtual int Stop() = 0;
};

class AudioOutput : public AudioDevice {
  public:
    // Queues a full buffer for playing; it comes back when it has been played.
    virtual int Write(AudioBuffer& buffer) = 0;
    virtual int Pause() = 0;
    virtual int Restart() = 0;
};

// One backend: its devices, volume and private messages.
class AudioSystem {
  public:
    virtual ~AudioSystem() = default;
    // "sound server", "null", "file", ...
    virtual std::string Name() const = 0;
    virtual std::vector<std::string> InputDevices() = 0;
    virtual std::vector<std::string> OutputDevices() = 0;
    // `device` is an index into InputDevices()/OutputDevices() or kDefaultDevice. On success
    // `out` holds the open device; `done` runs for every buffer that comes back.
    virtual int OpenInput(int device, const PcmFormat& format, BufferDone done,
                          std::unique_ptr<AudioInput>& out) = 0;
    virtual int OpenOutput(int device, const PcmFormat& format, BufferDone done,
                           std::unique_ptr<AudioOutput>& out) = 0;
    // The private message call on a device that is not open (by number).
    virtual int DeviceMessage(bool input, int device, uint32_t msg, uintptr_t param1,
                              uintptr_t param2, uint32_t& result);
    // The program's output volume: left channel in the low 16 bits, right in the high 16 bits
    // (0xFFFF is full). It applies to every output this system opens, now and later.
    virtual int GetOutputVolume(uint32_t& volume);
    virtual int SetOutputVolume(uint32_t volume);
    // The digital input card, when this system has one.
    virtual PdAudioCard* DigitalCard() { return nullptr; }

  protected:
    // Shared with the open outputs, which may outlive a call but read it on every buffer.
    std::shared_ptr<std::atomic<uint32_t>> volume_ =
        std::make_shared<std::atomic<uint32_t>>(0xFFFFFFFFu);
};

}  // namespace mora
