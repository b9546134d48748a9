#pragma once

#include <QDialog>

// The program's dialogs: fixed size, a title bar with only a close button,
// centred on the screen, and no key that closes or confirms them by itself.
class FixedDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FixedDialog(QWidget* owner);

protected:
    // Call at the end of the subclass constructor, after setupUi.
    void finishLayout();
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
