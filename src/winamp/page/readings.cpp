#include "readings.h"

namespace readings {
namespace {

Band ByBounds(qint32 value, qint32 lowestFair, qint32 highestFair)
{
    if (value < lowestFair)
        return Band::Red;
    if (value > highestFair)
        return Band::Green;
    return Band::Yellow;
}

} // namespace

Band BitRateBand(qint32 kbitPerSecond)
{
    return ByBounds(kbitPerSecond, 30, 70);
}

Band SampleRateBand(qint32 kiloHertz)
{
    return ByBounds(kiloHertz, 20, 40);
}

Band ChannelsBand(qint32 channels)
{
    return ByBounds(channels, 1, 1);
}

QColor Colour(Band band)
{
    switch (band) {
    case Band::Red:
        return QColor(255, 0, 0);
    case Band::Yellow:
        return QColor(255, 255, 0);
    case Band::Green:
        break;
    }
    return QColor(0, 128, 0);
}

QString Caption(qint32 value)
{
    return QString::number(value);
}

QString Spoken(Reading reading, qint32 value, Band band)
{
    const QString word = band == Band::Red      ? QStringLiteral("poor")
                         : band == Band::Yellow ? QStringLiteral("fair")
                                                : QStringLiteral("good");
    switch (reading) {
    case Reading::BitRate:
        return QStringLiteral("Bit rate: %1 kbit/s, %2").arg(Caption(value), word);
    case Reading::SampleRate:
        return QStringLiteral("Sample rate: %1 kHz, %2").arg(Caption(value), word);
    case Reading::Channels:
        break;
    }
    return QStringLiteral("Channels: %1, %2").arg(Caption(value), word);
}

} // namespace readings
