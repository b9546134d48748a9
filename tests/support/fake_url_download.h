#pragma once

#include "url_download.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <functional>

// A download double for handler tests: "fetches" a fixed body, or fails with
// a chosen result leaving the target untouched, as the real layer does.
class FakeUrlDownload final : public platform::UrlDownload
{
public:
    int DownloadToFile(const QString& url, const QString& targetFile) override
    {
        urls << url;
        targets << targetFile;
        if (whileWaiting)
            whileWaiting();
        if (result != platform::DownloadOk)
            return result;
        QFile file(targetFile);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(body) != body.size())
            return platform::DownloadFileError;
        return platform::DownloadOk;
    }
    int Download(const QString& url, platform::DownloadedAnswer& answer,
                 const BodyWanted& wantBody) override
    {
        urls << url;
        if (whileWaiting)
            whileWaiting();
        answer = {mediaType, body, wantBody(mediaType)};
        return result;
    }

    int result = platform::DownloadOk;
    QByteArray mediaType = "audio/x-scpls";
    // As the capture writes it, so that it stands unchanged in the temporary playlist.
    QByteArray body = "[playlist]\nFile1=http://127.0.0.1:9/stream\nTitle1=Fake Radio\n"
                      "Length1=-1\nNumberOfEntries=1\nVersion=2\n";
    std::function<void()> whileWaiting; // runs where the real layer would wait
    QStringList urls;
    QStringList targets;
};
