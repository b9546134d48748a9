#pragma once

#include <QStringList>
#include <optional>

// Wavedock takes no arguments of its own. Like other desktop programs it answers
// --help and --version, and refuses anything else with a clear message and exit
// code 2; the toolkit's own options (-platform, -style...) pass through to it.
// Runs before the application object exists, so it works without a display.
// Returns the exit code when the program should end at once.
std::optional<int> AnswerCommandLine(const QStringList& arguments);

// The arguments as main() got them.
QStringList ArgumentList(int argc, char** argv);
