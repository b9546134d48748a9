#pragma once

#include "application_events.h"

#include <QObject>

// A component that receives the application's events: it registers with the
// application's multicaster when made and leaves it when destroyed. Each of its
// handlers is reached through the multicaster, newest component first.
class TCustomApplicationEvents : public QObject
{
    Q_OBJECT
public:
    explicit TCustomApplicationEvents(QObject* owner = nullptr);
    ~TCustomApplicationEvents() override;
    Q_DISABLE_COPY_MOVE(TCustomApplicationEvents)

    // Stops the event being dispatched to older components.
    void CancelDispatch();

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
