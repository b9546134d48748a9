#include "engine_module.h"

#include "error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QOpenGLContext>
#include <QStringList>

// Qt Gui keeps the context every OpenGL context of the program shares with;
// its setter is exported for the engine, which declares it the same way.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace {

void AppendEngineSwitch(const char* engineSwitch)
{
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.contains(engineSwitch))
        return;
    if (!flags.isEmpty())
        flags += ' ';
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + engineSwitch);
}

// The engine draws through contexts that share with the program-wide one.
// Linked into the program, the engine makes it while the application object
// is built; loaded later, it expects it to be there already.
void ShareOpenGLContexts()
{
    if (QOpenGLContext::globalShareContext())
        return;
    auto* context = new QOpenGLContext(QCoreApplication::instance());
    context->create();
    qt_gl_set_global_share_context(context);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

QStringList Candidates()
{
    // Installed: <prefix>/bin/wavedock and <prefix>/<module dir>/; the build
    // tree knows where it put the module.
    return {QDir(QCoreApplication::applicationDirPath())
                .filePath(QStringLiteral(WAVEDOCK_ENGINE_MODULE_FROM_BIN)),
            QStringLiteral(WAVEDOCK_ENGINE_MODULE_BUILT)};
}

} // namespace

void SetBrowserEngineSettings()
{
    AppendEngineSwitch("--renderer-process-limit=1"); // one renderer for every page
    // On Linux the engine hides its pages from screen readers unless told
    // otherwise. Told so, it still builds their accessibility tree only while
    // Qt's accessibility is active, which Qt turns on when the desktop's
    // accessibility bus says an assistive technology listens: no cost without one.
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY"))
        qputenv("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY", "1");
}

CreateBrowserEngine LoadBrowserEngine()
{
    static CreateBrowserEngine create = nullptr;
    if (create)
        return create;
    ShareOpenGLContexts();
    QString failure;
    for (const QString& path : Candidates()) {
        if (!QFileInfo::exists(path))
            continue;
        QLibrary module(path);
        create =
            reinterpret_cast<CreateBrowserEngine>(module.resolve(WAVEDOCK_CREATE_BROWSER_ENGINE));
        if (create)
            return create;
        failure = module.errorString();
    }
    throw Error(QStringLiteral("The web browser could not be started: %1")
                    .arg(failure.isEmpty() ? Candidates().first() + QStringLiteral(" is missing")
                                           : failure));
}
