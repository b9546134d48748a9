#pragma once

#include <QColor>
#include <QString>
#include <QtGlobal>

// The three figures the player reports about the current stream, and the
// fixed bands that colour them: red for poor, yellow for fair, green for good.
namespace readings {

enum class Band
{
    Red,
    Yellow,
    Green,
};

// kbit/s: below 30 red, 30 to 70 yellow, above 70 green.
Band BitRateBand(qint32 kbitPerSecond);
// kHz: below 20 red, 20 to 40 yellow, above 40 green.
Band SampleRateBand(qint32 kiloHertz);
// Below one channel red, mono yellow, more green.
Band ChannelsBand(qint32 channels);

// The text colour of a band. Green is the half-intensity RGB(0, 128, 0).
QColor Colour(Band band);

// A reading as shown: signed decimal, "-1" for minus one.
QString Caption(qint32 value);

enum class Reading
{
    BitRate,
    SampleRate,
    Channels,
};

// A reading as a screen reader says it, its colour in words:
// "Bit rate: 128 kbit/s, good".
QString Spoken(Reading reading, qint32 value, Band band);

} // namespace readings
