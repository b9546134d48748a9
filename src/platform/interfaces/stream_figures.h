#pragma once

namespace platform {

// What a listener hears: bit rate in bit/s, sample rate in Hz, channel count.
struct StreamFigures
{
    int bitRate = 0;
    int sampleRate = 0;
    int channels = 0;
};

// The largest figures taken as true. Figures come from servers and players we
// do not control; anything above these is a lie or a parsing accident, and is
// read as unknown rather than carried into arithmetic that could overflow.
// Uncompressed 32-bit 8-channel audio at 768 kHz stays below both rates.
namespace figure_limits {
constexpr int MaxBitRate = 200'000'000; // bit/s
constexpr int MaxSampleRate = 768'000;  // Hz
constexpr int MaxChannels = 255;
} // namespace figure_limits

// Each figure inside 0..its limit, else 0 (unknown).
inline StreamFigures Bounded(StreamFigures figures)
{
    const auto within = [](int value, int limit) {
        return value >= 0 && value <= limit ? value : 0;
    };
    return StreamFigures{within(figures.bitRate, figure_limits::MaxBitRate),
                         within(figures.sampleRate, figure_limits::MaxSampleRate),
                         within(figures.channels, figure_limits::MaxChannels)};
}

} // namespace platform
