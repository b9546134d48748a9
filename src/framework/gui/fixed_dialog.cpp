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

void FixedDialog::finishLayout(QPushButton* defaultButton, QPushButton* cancelButton)
{
    UsePixelFonts(this);
    setFixedSize(size());
    m_defaultButton = defaultButton;
    m_cancelButton = cancelButton;
    // Qt's own default-button handling would draw the button differently and
    // press whichever button last had the focus; the keys are ours instead.
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
    // A focused button took Return itself (ReturnPressesFocusedButton); what
    // reaches the dialog comes from an edit box or a label. Escape never just
    // closes: only a cancel button's own handler does.
    QPushButton* pressed = nullptr;
    switch (event->key()) {
    case Qt::Key_Escape:
        pressed = m_cancelButton;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        pressed = m_defaultButton;
        break;
    default:
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
    if (pressed && pressed->isEnabled() && !event->isAutoRepeat())
        pressed->click();
}
