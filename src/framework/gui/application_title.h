#pragma once

#include <QString>

// The title of the running application, kept apart from the application object
// so that the message boxes can show it without depending on that object (which
// in turn shows its handlers' errors in those boxes). "Wavedock" until set.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);
