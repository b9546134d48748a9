#include "fixed_dialog.h"

#include "window_fonts.h"
#include "window_placement.h"

#include <QKeyEvent>
#include <QPushButton>

FixedDialog::FixedDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint)
{
}

void FixedDialog::finishLayout()
{
    UsePixelFonts(this);
    setFixedSize(size());
    // No default button: Enter in an edit box presses nothing.
    const auto buttons = findChildren<QPushButton*>();
    for (QPushButton* button : buttons) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}

void FixedDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOnScreen(*this);
}

void FixedDialog::keyPressEvent(QKeyEvent* event)
{
    // Escape does not close and Enter does not confirm.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
