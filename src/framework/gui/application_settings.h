#pragma once

#include <QColor>
#include <QString>

// Colours as stored in window descriptions: 0x00BBGGRR, or, with the high byte
// 0xFF, the number of a system colour in the low byte.
using StoredColour = quint32;
// System colour 24: the desktop's own tool-tip background.
constexpr StoredColour kSystemHintBackground = 0xFF000018;

// Turns a stored colour into a real one; system colours take the value the
// desktop gave them (only the tool-tip background is known here).
QColor ColourFromStored(StoredColour stored, const QColor& systemHintBackground);

// How hints look and when they come and go, for every window of the program.
struct HintSettings
{
    StoredColour color = kSystemHintBackground;
    int hidePause = 2500;  // ms a hint stays
    int pause = 500;       // ms the mouse rests before a hint shows
    int shortPause = 50;   // ms before the next control's hint while one is showing
    bool showHint = true;  // hints shown at all
    bool shortCuts = true; // hints name the shortcut keys of actions
};

// The application's other program-wide settings that Qt has no place for.
struct ApplicationOptions
{
    QString helpFile;
    bool updateFormatSettings = true;
    bool updateMetricSettings = true;
    bool mouseDragImmediate = true;
    QString biDiKeyboard;
    QString nonBiDiKeyboard;
};
