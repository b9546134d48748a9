#include "user_environment.h"

#include <optional>

namespace platform {

namespace {

// Written once in main() before any thread runs, only read afterwards.
std::optional<QProcessEnvironment>& Kept()
{
    static std::optional<QProcessEnvironment> kept;
    return kept;
}

} // namespace

void KeepUserEnvironment()
{
    Kept() = QProcessEnvironment::systemEnvironment();
}

QProcessEnvironment ChildEnvironment()
{
    QProcessEnvironment environment = Kept() ? *Kept() : QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_ACTIVATION_TOKEN"));
    environment.remove(QStringLiteral("DESKTOP_STARTUP_ID"));
    return environment;
}

} // namespace platform
