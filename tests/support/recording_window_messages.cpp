#include "recording_window_messages.h"

void RecordingWindowMessages::SetAnswer(quint32 message, quintptr wParam, qintptr lParam,
                                        qint32 answer)
{
    answers_[Key(message, wParam, lParam)] = answer;
}

platform::WindowHandle RecordingWindowMessages::FindWindow(const QString& className)
{
    ++lookups_;
    lastClassName_ = className;
    return window_;
}

qint32 RecordingWindowMessages::SendMessage(platform::WindowHandle window, quint32 message,
                                            quintptr wParam, qintptr lParam)
{
    sent_.append(Sent{window, message, wParam, lParam});
    if (window == 0)
        return 0;
    return answers_.value(Key(message, wParam, lParam), 0);
}

void RecordingWindowMessages::Clear()
{
    sent_.clear();
    lookups_ = 0;
    lastClassName_.clear();
}
