#pragma once

#include <QDialog>

class QPushButton;

// The program's dialogs: fixed size, a title bar with only a close button,
// centred on the screen. Return presses the dialog's confirming button and
// Escape its cancel button, where it has one; no button is drawn as default.
class FixedDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FixedDialog(QWidget* owner);

protected:
    // Call at the end of the subclass constructor, after setupUi, with the
    // buttons Return and Escape press (either may be null).
    void finishLayout(QPushButton* defaultButton, QPushButton* cancelButton = nullptr);
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* m_defaultButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
