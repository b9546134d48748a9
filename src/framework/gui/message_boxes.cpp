#include "message_boxes.h"

#include "application_title.h"
#include "error.h"
#include "window_placement.h"

#include <QMessageBox>

namespace {

void ShowCentredBox(QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, ApplicationTitle(), text, QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.adjustSize();
    CentreOnScreen(box);
    box.exec();
}

} // namespace

QString WithFinalPeriod(const QString& text)
{
    if (text.endsWith(QLatin1Char('.')))
        return text;
    return text + QLatin1Char('.');
}

void ShowMessage(const QString& text)
{
    ShowCentredBox(QMessageBox::NoIcon, text);
}

void ShowError(const QString& text)
{
    ShowCentredBox(QMessageBox::Critical, WithFinalPeriod(text));
}

void ShowException(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Error& e) {
        ShowError(e.message());
    } catch (const std::exception& e) {
        ShowError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowError(QStringLiteral("Unknown error"));
    }
}
