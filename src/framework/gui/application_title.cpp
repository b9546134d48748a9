#include "application_title.h"

namespace {

QString& StoredTitle()
{
    static QString title = QStringLiteral("Wavedock");
    return title;
}

} // namespace

QString ApplicationTitle()
{
    return StoredTitle();
}

void SetApplicationTitle(const QString& title)
{
    StoredTitle() = title;
}
