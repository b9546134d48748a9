#pragma once

#include "stream_figures.h"

#include <QByteArray>
#include <optional>

namespace platform {

// The figures of the first audio frames in a piece of a radio stream, as a
// player would report them, or nothing when they cannot be decided. A stream
// is joined anywhere, so the bytes are searched for a frame, and a frame is
// trusted only when the next one follows right after it and agrees:
// - MPEG audio, layers I to III (MPEG-1, MPEG-2 and 2.5): the first frame's
//   header gives all three figures;
// - AAC in ADTS: rate and channels from the header; the bit rate, which ADTS
//   does not carry, is the average over the consecutive frames at hand,
//   rounded to whole kbit/s;
// - Ogg Vorbis and Ogg Opus: the identification header at the start of the
//   stream (checksums verified); Vorbis's nominal bit rate when it gives one,
//   else, like Opus (always decoded at 48 kHz), the rate of the audio pages
//   at hand measured by their granule positions.
// An ID3v2 tag in front of MPEG audio is skipped. Figures beyond
// figure_limits are read as unknown (0), whatever the bytes say. Pure: no I/O.
std::optional<StreamFigures> FiguresFromFrames(const QByteArray& bytes);

} // namespace platform
