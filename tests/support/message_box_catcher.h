#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

// Answers the modal message boxes that code under test opens, remembering what
// each one said, so handler tests can run the real boxes without a person.
class MessageBoxCatcher final : public QObject
{
    Q_OBJECT
public:
    struct Box
    {
        QString title;
        QString text;
        QMessageBox::Icon icon;
    };

    MessageBoxCatcher();

    const QVector<Box>& boxes() const { return m_boxes; }
    QStringList texts() const;
    void clear() { m_boxes.clear(); }

private:
    void answer();

    QTimer m_poll;
    QVector<Box> m_boxes;
};
