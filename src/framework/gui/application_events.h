#pragma once

#include <QString>
#include <exception>
#include <functional>

class QAction;
class QEvent;
class QKeyEvent;
class QObject;
class QWidget;

// Handler types of the application's events. An empty function is an
// unassigned event and is skipped.
using NotifyEvent = std::function<void(QObject* sender)>;
using IdleEventHandler = std::function<void(QObject* sender, bool& done)>;
using ExceptionEvent = std::function<void(QObject* sender, std::exception_ptr error)>;
// Returns whether the help request was dealt with.
using HelpEvent = std::function<bool(int command, qintptr data, bool& callHelp)>;
using MessageEvent = std::function<void(QObject* receiver, QEvent* event, bool& handled)>;
using ShowHintEvent = std::function<void(QString& hint, bool& canShow, QWidget* control)>;
using ActionEvent = std::function<void(QAction* action, bool& handled)>;
using ShortCutEvent = std::function<void(QKeyEvent* key, bool& handled)>;

// The application object's thirteen event slots. Whoever owns the slots (the
// multicaster, or a list that took them over) puts its dispatchers here.
struct ApplicationEventSlots
{
    ActionEvent OnActionExecute;
    ActionEvent OnActionUpdate;
    NotifyEvent OnActivate;
    NotifyEvent OnDeactivate;
    ExceptionEvent OnException;
    IdleEventHandler OnIdle;
    HelpEvent OnHelp;
    NotifyEvent OnHint;
    MessageEvent OnMessage;
    NotifyEvent OnMinimize;
    NotifyEvent OnRestore;
    ShowHintEvent OnShowHint;
    ShortCutEvent OnShortCut;
};

// The screen's change notifications: focus moving to another control or
// window, and the desktop's icon and hint fonts changing.
struct ScreenEventSlots
{
    NotifyEvent OnActiveControlChange;
    NotifyEvent OnActiveFormChange;
    NotifyEvent OnIconFontChange;
    NotifyEvent OnHintFontChange;
};
