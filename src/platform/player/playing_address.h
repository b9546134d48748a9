#pragma once

#include <QList>
#include <QUrl>
#include <QVariant>

namespace platform {

// What a player says it plays, from its Metadata map ("xesam:url"); empty
// when it does not say.
QUrl PlayingAddress(const QVariant& metadata);

// Whether the address a player says it plays is one of the addresses handed
// to it: the same, or the same host, port and path under another scheme
// (some players report "file://host:port/path" for the "http://" they play).
bool IsHandedOverAddress(const QUrl& playing, const QList<QUrl>& handedOver);

// Where to read the stream figures of the player the playlist was handed to,
// while it plays: its own address when that is an http(s) one of its own;
// else the handed-over address it stands for, or the first handed-over one
// when it says nothing useful (empty, or a scheme that cannot be probed).
QUrl AddressToProbe(const QUrl& playing, const QList<QUrl>& handedOver);

} // namespace platform
