#include "playing_address.h"

#include "track_metadata.h"

#include <QVariantMap>

namespace platform {

namespace {

bool IsWeb(const QUrl& address)
{
    return address.isValid() && (address.scheme() == QLatin1String("http") ||
                                 address.scheme() == QLatin1String("https"));
}

// The handed-over address at the same host, port and path under another
// scheme, or empty.
QUrl UnderAnotherScheme(const QUrl& playing, const QList<QUrl>& handedOver)
{
    if (playing.host().isEmpty())
        return {};
    for (const QUrl& address : handedOver) {
        if (address.scheme() != playing.scheme() && address.host() == playing.host() &&
            address.port() == playing.port() && address.path() == playing.path())
            return address;
    }
    return {};
}

} // namespace

QUrl PlayingAddress(const QVariant& metadata)
{
    return QUrl(MetadataMap(metadata).value(QStringLiteral("xesam:url")).toString());
}

bool IsHandedOverAddress(const QUrl& playing, const QList<QUrl>& handedOver)
{
    return !playing.isEmpty() &&
           (handedOver.contains(playing) || !UnderAnotherScheme(playing, handedOver).isEmpty());
}

QUrl AddressToProbe(const QUrl& playing, const QList<QUrl>& handedOver)
{
    const QUrl standIn = UnderAnotherScheme(playing, handedOver);
    if (!standIn.isEmpty())
        return standIn;
    return IsWeb(playing) ? playing : handedOver.value(0);
}

} // namespace platform
