#include "message_box_catcher.h"

#include <QAbstractButton>
#include <QApplication>

MessageBoxCatcher::MessageBoxCatcher()
{
    // Modal boxes run their own loop, in which this timer keeps firing.
    m_poll.setInterval(5);
    connect(&m_poll, &QTimer::timeout, this, &MessageBoxCatcher::answer);
    m_poll.start();
}

QStringList MessageBoxCatcher::texts() const
{
    QStringList texts;
    for (const Box& box : m_boxes)
        texts << box.text;
    return texts;
}

void MessageBoxCatcher::answer()
{
    const auto boxes = QApplication::topLevelWidgets();
    for (QWidget* widget : boxes) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box || !box->isVisible())
            continue;
        m_boxes.push_back({box->windowTitle(), box->text(), box->icon()});
        box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->accept();
    }
}
