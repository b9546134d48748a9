#include "stream_frames.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace platform {

namespace {

using Byte = unsigned char;

struct Bytes
{
    const Byte* data;
    qsizetype size;

    bool Has(qsizetype at, qsizetype count) const
    {
        return at >= 0 && count >= 0 && at <= size && count <= size - at;
    }
    quint32 Le32(qsizetype at) const
    {
        return quint32(data[at]) | quint32(data[at + 1]) << 8 | quint32(data[at + 2]) << 16 |
               quint32(data[at + 3]) << 24;
    }
    qint64 Le64(qsizetype at) const
    {
        return qint64(quint64(Le32(at)) | quint64(Le32(at + 4)) << 32);
    }
};

// Whole kbit/s; 0 for a rate no stream has, such as one measured over a
// granule span a server made up, which could be any size at all.
int RoundToKbit(double bitsPerSecond)
{
    if (!(bitsPerSecond >= 0.0 && bitsPerSecond <= figure_limits::MaxBitRate))
        return 0;
    return int(std::lround(bitsPerSecond / 1000.0)) * 1000;
}

// MPEG audio -------------------------------------------------------------

struct MpegFrame
{
    int version; // 1, 2, or 25 for 2.5
    int layer;
    int bitRate;
    int sampleRate;
    int channels;
    qsizetype length;
};

std::optional<MpegFrame> MpegAt(const Bytes& in, qsizetype at)
{
    if (!in.Has(at, 4))
        return std::nullopt;
    const Byte* p = in.data + at;
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return std::nullopt;
    static constexpr int versions[] = {25, 0, 2, 1};
    static constexpr int layers[] = {0, 3, 2, 1};
    const int version = versions[(p[1] >> 3) & 3];
    const int layer = layers[(p[1] >> 1) & 3];
    const int rateIndex = p[2] >> 4;
    const int sampleIndex = (p[2] >> 2) & 3;
    if (version == 0 || layer == 0 || rateIndex == 0 || rateIndex == 15 || sampleIndex == 3 ||
        (p[3] & 3) == 2)
        return std::nullopt;
    static constexpr int kbit[5][14] = {
        {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // 1, I
        {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // 1, II
        {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},     // 1, III
        {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},    // 2, I
        {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},         // 2, II/III
    };
    const int table = version == 1 ? layer - 1 : (layer == 1 ? 3 : 4);
    static constexpr int rates[3][3] = {
        {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    const int sampleRate = rates[version == 1 ? 0 : (version == 2 ? 1 : 2)][sampleIndex];
    const int bitRate = kbit[table][rateIndex - 1] * 1000;
    const int padding = (p[2] >> 1) & 1;
    qsizetype length = 0;
    if (layer == 1)
        length = (qsizetype(12) * bitRate / sampleRate + padding) * 4;
    else if (layer == 3 && version != 1)
        length = qsizetype(72) * bitRate / sampleRate + padding;
    else
        length = qsizetype(144) * bitRate / sampleRate + padding;
    return MpegFrame{version, layer, bitRate, sampleRate, (p[3] >> 6) == 3 ? 1 : 2, length};
}

std::optional<StreamFigures> MpegFiguresAt(const Bytes& in, qsizetype at)
{
    const auto first = MpegAt(in, at);
    if (!first)
        return std::nullopt;
    // The bit rate may change from frame to frame; the rest may not.
    const auto next = MpegAt(in, at + first->length);
    if (!next || next->version != first->version || next->layer != first->layer ||
        next->sampleRate != first->sampleRate || next->channels != first->channels)
        return std::nullopt;
    return StreamFigures{first->bitRate, first->sampleRate, first->channels};
}

// AAC in ADTS -------------------------------------------------------------

struct AdtsFrame
{
    int kind; // the header bits that must stay the same: profile, rate, channels
    int sampleRate;
    int channels;
    qsizetype length;
    int blocks;
};

std::optional<AdtsFrame> AdtsAt(const Bytes& in, qsizetype at)
{
    if (!in.Has(at, 7))
        return std::nullopt;
    const Byte* p = in.data + at;
    if (p[0] != 0xFF || (p[1] & 0xF6) != 0xF0)
        return std::nullopt;
    static constexpr int rates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                    22050, 16000, 12000, 11025, 8000,  7350};
    const int rateIndex = (p[2] >> 2) & 0xF;
    const int layout = ((p[2] & 1) << 2) | (p[3] >> 6);
    const qsizetype length = ((p[3] & 3) << 11) | (p[4] << 3) | (p[5] >> 5);
    const qsizetype headerLength = (p[1] & 1) ? 7 : 9;
    // Layout 0 is described inside the payload; we do not read that far.
    if (rateIndex > 12 || layout == 0 || length <= headerLength)
        return std::nullopt;
    return AdtsFrame{(p[1] & 0x08) | (p[2] & 0xFD) << 8 | layout << 16, rates[rateIndex],
                     layout == 7 ? 8 : layout, length, (p[6] & 3) + 1};
}

std::optional<StreamFigures> AdtsFiguresAt(const Bytes& in, qsizetype at)
{
    const auto first = AdtsAt(in, at);
    if (!first)
        return std::nullopt;
    qint64 bytes = 0;
    qint64 blocks = 0;
    int frames = 0;
    for (qsizetype here = at; in.Has(here, 1);) {
        const auto frame = AdtsAt(in, here);
        // Only whole frames count towards the average.
        if (!frame || frame->kind != first->kind || !in.Has(here, frame->length))
            break;
        bytes += frame->length;
        blocks += frame->blocks;
        ++frames;
        here += frame->length;
    }
    if (frames < 2)
        return std::nullopt;
    const double seconds = double(blocks) * 1024.0 / first->sampleRate;
    return StreamFigures{RoundToKbit(double(bytes) * 8.0 / seconds), first->sampleRate,
                         first->channels};
}

// Ogg ----------------------------------------------------------------------

const std::array<quint32, 256>& OggCrcTable()
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 r = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    return table;
}

struct OggPage
{
    quint32 serial;
    quint32 sequence;
    qint64 granule;
    qsizetype bodyAt;
    qsizetype bodySize;
    qsizetype length;
};

std::optional<OggPage> OggPageAt(const Bytes& in, qsizetype at)
{
    if (!in.Has(at, 27))
        return std::nullopt;
    const Byte* p = in.data + at;
    if (p[0] != 'O' || p[1] != 'g' || p[2] != 'g' || p[3] != 'S' || p[4] != 0)
        return std::nullopt;
    const int segments = p[26];
    if (!in.Has(at + 27, segments))
        return std::nullopt;
    qsizetype body = 0;
    for (int i = 0; i < segments; ++i)
        body += p[27 + i];
    const qsizetype length = 27 + segments + body;
    if (!in.Has(at, length))
        return std::nullopt;
    quint32 crc = 0;
    const auto& table = OggCrcTable();
    for (qsizetype i = 0; i < length; ++i) {
        const Byte byte = (i >= 22 && i < 26) ? 0 : p[i];
        crc = (crc << 8) ^ table[((crc >> 24) ^ byte) & 0xFF];
    }
    if (crc != in.Le32(at + 22))
        return std::nullopt;
    return OggPage{
        in.Le32(at + 14), in.Le32(at + 18), in.Le64(at + 6), at + 27 + segments, body, length};
}

// The bit rate of the audio pages after the headers, from their sizes and
// granule positions; 0 when fewer than two carry a position.
int MeasuredOggBitRate(const Bytes& in, qsizetype at, quint32 serial, int headerPages,
                       int granuleRate)
{
    qint64 startGranule = -1;
    qint64 endGranule = -1;
    qint64 bytes = 0;
    int page = 0;
    for (qsizetype here = at;;) {
        const auto current = OggPageAt(in, here);
        if (!current)
            break;
        here += current->length;
        if (current->serial != serial || page++ < headerPages || current->granule < 0)
            continue;
        if (startGranule < 0) {
            startGranule = current->granule;
            continue;
        }
        bytes += current->bodySize;
        endGranule = current->granule;
    }
    if (endGranule <= startGranule)
        return 0;
    return RoundToKbit(double(bytes) * 8.0 * granuleRate / double(endGranule - startGranule));
}

std::optional<StreamFigures> OggFiguresAt(const Bytes& in, qsizetype at)
{
    const auto first = OggPageAt(in, at);
    if (!first)
        return std::nullopt;
    const auto next = OggPageAt(in, at + first->length);
    if (!next || next->serial != first->serial || next->sequence != first->sequence + 1)
        return std::nullopt;
    const Byte* body = in.data + first->bodyAt;
    const qsizetype size = first->bodySize;
    static constexpr char vorbis[] = "\x01vorbis";
    if (size >= 30 && std::equal(vorbis, vorbis + 7, body) && in.Le32(first->bodyAt + 7) == 0) {
        const int channels = body[11];
        const quint32 rate = in.Le32(first->bodyAt + 12);
        const qint32 nominal = qint32(in.Le32(first->bodyAt + 20));
        if (channels == 0 || rate == 0 || rate > quint32(figure_limits::MaxSampleRate))
            return std::nullopt;
        // Vorbis has three header packets, usually on two pages. A nominal
        // rate beyond reason is no better than none.
        const int bitRate = nominal > 0 && nominal <= figure_limits::MaxBitRate
                                ? nominal
                                : MeasuredOggBitRate(in, at, first->serial, 2, int(rate));
        return StreamFigures{bitRate, int(rate), channels};
    }
    static constexpr char opus[] = "OpusHead";
    if (size >= 19 && std::equal(opus, opus + 8, body) && (body[8] & 0xF0) == 0) {
        const int channels = body[9];
        if (channels == 0)
            return std::nullopt;
        constexpr int opusRate = 48000;
        return StreamFigures{MeasuredOggBitRate(in, at, first->serial, 2, opusRate), opusRate,
                             channels};
    }
    return std::nullopt;
}

qsizetype AfterId3Tag(const Bytes& in)
{
    if (!in.Has(0, 10) || in.data[0] != 'I' || in.data[1] != 'D' || in.data[2] != '3')
        return 0;
    const Byte* p = in.data;
    if ((p[6] | p[7] | p[8] | p[9]) & 0x80)
        return 0;
    const qsizetype size = qsizetype(p[6]) << 21 | qsizetype(p[7]) << 14 | p[8] << 7 | p[9];
    return 10 + size + ((p[5] & 0x10) ? 10 : 0);
}

} // namespace

std::optional<StreamFigures> FiguresFromFrames(const QByteArray& bytes)
{
    const Bytes in{reinterpret_cast<const Byte*>(bytes.constData()), bytes.size()};
    for (qsizetype at = AfterId3Tag(in); at + 4 <= in.size; ++at) {
        const Byte lead = in.data[at];
        std::optional<StreamFigures> figures;
        if (lead == 'O')
            figures = OggFiguresAt(in, at);
        else if (lead == 0xFF)
            figures =
                (in.data[at + 1] & 0xF6) == 0xF0 ? AdtsFiguresAt(in, at) : MpegFiguresAt(in, at);
        if (figures)
            return figures;
    }
    return std::nullopt;
}

} // namespace platform
