#pragma once
// Simulations of the two outside devices the recorder knows, for machines without them: the
// external audio interface ("MAYCOM", a USB interface with its own gain, volume and peak meter,
// driven through device-private messages) and the digital input card ("PDAudio", an S/PDIF
// input with its own rate detection).

#include <array>
#include <cstdint>
#include <memory>

#include "platform/audio/audio_device.h"

namespace mora {

class EventLoop;

// ---- External interface ----

constexpr char kMaycomDeviceName[] = "MAYCOM USB Audio Interface";
constexpr uint32_t kMaycomRate = 48000;
// The interface answers this message with 1 in `result`: the driver is the interface's own.
constexpr uint32_t kMaycomCheckMessage = 130;
// Every control goes through this message; param1 is the sub-command, param2 its value.
constexpr uint32_t kMaycomMessage = 53164;
enum MaycomCommand : uint32_t {
    kMaycomControl = 0,  // param2: const MaycomControl*
    kMaycomGain = 40,    // param2: input gain 126..254 (0.5 dB steps, 192 = 0 dB)
    kMaycomVolume = 50,  // param2: output volume 111..127 (1 dB steps, 121 = 0 dB)
    kMaycomPeak = 140,   // result: left peak in the high 16 bits, right in the low 16 bits
};
constexpr int32_t kMaycomGainMin = 126, kMaycomGainMax = 254, kMaycomGainUnity = 192;
constexpr int32_t kMaycomVolumeMin = 111, kMaycomVolumeMax = 127;

// The interface's control block.
struct MaycomControl {
    int32_t sensitivity = 0;
    uint8_t phantom = 0;
    uint8_t limiter = 0;
    uint8_t agc = 0;
    uint8_t balanced = 1;
    uint8_t bias = 0;
    int32_t gain = kMaycomGainUnity;
    int32_t volume = 121;
    int32_t channels = 1;
};

// Adds the interface to `base`: it is listed last among inputs and outputs, becomes the
// default device, runs at 48000 Hz with 16-bit samples only, and takes its samples from the
// base's default devices. Its gain acts on the recorded samples; the peak is that of the last
// buffer recorded.
std::unique_ptr<AudioSystem> AddSimulatedMaycom(std::unique_ptr<AudioSystem> base);

// ---- Digital input card ----

enum class PdAudioStatus { kOk, kCardMissing, kNoDriver };

// The card reports its input rate as a code into this table; 88100 stands for the 88.2 kHz
// class. Codes outside the table mean no rate.
constexpr std::array<uint32_t, 15> kPdAudioRates = {0,     32000, 44100, 48000,  88100,
                                                    96000, 22050, 24000, 176400, 192000,
                                                    8000,  11025, 12000, 16000,  64000};
uint32_t PdAudioRateOf(int code);

class PdAudioCard {
  public:
    virtual ~PdAudioCard() = default;
    // Opens the card on its optical (1) or coaxial (2) input.
    virtual PdAudioStatus Open(int input) = 0;
    // The rate code of the signal at the open input, or -1 when the card does not answer.
    virtual int RateCode() = 0;
    virtual bool SignalPresent() = 0;
    // Recording from the card: format.rate is the card's rate, 16- or 24-bit samples. Buffers
    // come back every 10 ms as they fill; Stop returns the partly filled one.
    virtual int OpenInput(const PcmFormat& format, BufferDone done,
                          std::unique_ptr<AudioInput>& out) = 0;
    virtual void Close() = 0;
};

struct PdAudioSimulation {
    uint32_t rate = 48000;  // the rate of the simulated S/PDIF signal
    bool signal = true;     // whether a signal is present
    bool driver = true;     // false: the card is there but its driver is not
};

// The card's signal is a 1 kHz tone at -12 dBFS on every channel, paced in real time.
std::unique_ptr<PdAudioCard> MakeSimulatedPdAudio(EventLoop& loop, const PdAudioSimulation& sim);

// Gives `base` the card.
std::unique_ptr<AudioSystem> AddPdAudioCard(std::unique_ptr<AudioSystem> base,
                                            std::unique_ptr<PdAudioCard> card);

}  // namespace mora
