#pragma once

#include "window_messages.h"

#include <QList>
#include <QMap>
#include <tuple>

// A message layer for tests: FindWindow answers the window it is given, and
// every send is recorded and answered with the value scripted for it (0
// unless scripted, and always 0 to window 0, as the real layer does).
class RecordingWindowMessages final : public platform::WindowMessages
{
public:
    struct Sent
    {
        platform::WindowHandle window;
        quint32 message;
        quintptr wParam;
        qintptr lParam;
        bool operator==(const Sent& other) const
        {
            return std::tie(window, message, wParam, lParam) ==
                   std::tie(other.window, other.message, other.wParam, other.lParam);
        }
    };

    void SetWindow(platform::WindowHandle window) { window_ = window; }
    void SetAnswer(quint32 message, quintptr wParam, qintptr lParam, qint32 answer);

    platform::WindowHandle FindWindow(const QString& className) override;
    qint32 SendMessage(platform::WindowHandle window, quint32 message, quintptr wParam,
                       qintptr lParam) override;

    const QList<Sent>& SentMessages() const { return sent_; }
    int Lookups() const { return lookups_; }
    QString LastClassName() const { return lastClassName_; }
    void Clear();

private:
    using Key = std::tuple<quint32, quintptr, qintptr>;
    platform::WindowHandle window_ = 0;
    QMap<Key, qint32> answers_;
    QList<Sent> sent_;
    int lookups_ = 0;
    QString lastClassName_;
};
