#pragma once

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <functional>

class IdleEvent;

// The process-wide application object: title, main form, show-main-form flag,
// termination and the idle event. Every event handler runs guarded: an exception
// that escapes it ends that handler, is shown in the standard error box, and the
// program carries on.
class Application final : public QApplication
{
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    ~Application() override;

    static Application* instance();
    // The title of the running application, "Wavedock" until someone changes it.
    static QString Title();

    const QString& title() const { return m_title; }
    void setTitle(const QString& title);

    QWidget* mainForm() const { return m_mainForm; }
    void setMainForm(QWidget* form) { m_mainForm = form; }

    bool showMainForm() const { return m_showMainForm; }
    void setShowMainForm(bool show) { m_showMainForm = show; }

    // Ends the message loop once the current message has been handled.
    void Terminate();

    // Shows the main form (unless the flag was cleared) and runs the message loop.
    // When termination was asked for before the loop starts, the loop does not
    // run at all: no idle pass, so no start-up work, happens in a copy that ends.
    int Run();

    bool notify(QObject* receiver, QEvent* event) override;

Q_SIGNALS:
    void idle();

private:
    QString m_title = QStringLiteral("Wavedock");
    QPointer<QWidget> m_mainForm;
    bool m_showMainForm = true;
    bool m_terminating = false;
    IdleEvent* m_idleEvent = nullptr;
};

// Runs one piece of handler code; whatever it throws is shown in the error box.
void RunGuarded(const std::function<void()>& handler);
