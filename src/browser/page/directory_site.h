#pragma once

#include <QString>

// The station directory the browser page shows: its host, home page and listing
// page. Captions and the Start and Top 20 buttons all take it from here.
struct DirectorySite
{
    QString host = QStringLiteral("www.shoutcast.com");
    QString homePage = QStringLiteral("http://www.shoutcast.com");
    QString listingPage = QStringLiteral("http://www.shoutcast.com/directory");

    QString PageCaption() const { return QStringLiteral("Browser: ") + host; }
    QString GroupCaption() const
    {
        return QStringLiteral("Radio browser (") + homePage + QStringLiteral("):");
    }
};
