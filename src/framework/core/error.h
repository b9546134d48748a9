#pragma once

#include <QString>
#include <stdexcept>

// An error the user is meant to read: it travels up to the standard error box.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }

    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};
