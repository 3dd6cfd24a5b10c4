#include "tests/audio/audio_fixtures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"

namespace mora::test {

std::string Q(const std::string& path) {
    return ShellQuote(path);
}

bool Shell(const std::string& command) {
    return RunQuietly(command);
}

std::vector<int16_t> ReadRaw16(const std::string& path) {
    const auto bytes = ReadFileBytes(path);
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

std::vector<int16_t> ReadAllUnits(JStreamAudioReadFile& reader, EngineFormat& format,
                                  uint32_t units) {
    const size_t perUnit = static_cast<size_t>(OutputFramesPerUnit(format)) * format.outputChannels;
    std::vector<int16_t> out(perUnit * units);
    reader.StartAt(0);
    for (uint32_t u = 0; u < units; ++u) reader.GetUnit(out.data() + u * perUnit);
    return out;
}

std::vector<double> Channel(const std::vector<int16_t>& samples, int channels, int which) {
    std::vector<double> out;
    out.reserve(samples.size() / channels);
    for (size_t i = which; i < samples.size(); i += channels) out.push_back(samples[i]);
    return out;
}

namespace {
// Normalised correlation of a[i] with b[i + lag] for i in [from, to).
double CorrelationAt(const std::vector<double>& a, const std::vector<double>& b, long lag,
                     size_t from, size_t to) {
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = from; i < to; ++i) {
        const long j = static_cast<long>(i) + lag;
        if (j < 0 || j >= static_cast<long>(b.size())) continue;
        ab += a[i] * b[j];
        aa += a[i] * a[i];
        bb += b[j] * b[j];
    }
    return (aa > 0 && bb > 0) ? ab / std::sqrt(aa * bb) : 0;
}
}  // namespace

double BestCorrelation(const std::vector<double>& a, const std::vector<double>& b, int maxLag,
                       int* bestLag) {
    // The lag is found on 0.1 s from the middle, the correlation taken over the whole overlap.
    const size_t from = a.size() / 2 > 2205 ? a.size() / 2 - 2205 : 0;
    const size_t to = std::min(a.size(), from + 4410);
    double best = -2;
    int found = 0;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        const double r = CorrelationAt(a, b, lag, from, to);
        if (r > best) {
            best = r;
            found = lag;
        }
    }
    if (bestLag) *bestLag = found;
    return CorrelationAt(a, b, found, 0, a.size());
}

}  // namespace mora::test
