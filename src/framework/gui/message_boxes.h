#pragma once

#include <QString>
#include <exception>

// The program's own fixed sentences: a modal box captioned with the application
// title, without an icon, with one OK button, centred on the screen.
void ShowMessage(const QString& text);

// The standard error box: application title, error icon, the text with a final
// period added when it has none.
void ShowError(const QString& text);

// Shows whatever escaped a handler in the standard error box.
void ShowException(std::exception_ptr error);

QString WithFinalPeriod(const QString& text);
