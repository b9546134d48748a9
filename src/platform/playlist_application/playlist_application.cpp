#include "playlist_application.h"

#include "user_environment.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <memory>

// Qt defines "signals" as a keyword, and GLib uses it as a name.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

namespace platform {

namespace {

constexpr char playlistType[] = "audio/x-scpls";
const QString mprisPrefix = QStringLiteral("org.mpris.MediaPlayer2.");

struct Unref
{
    void operator()(gpointer object) const { g_object_unref(object); }
};
using AppInfo = std::unique_ptr<GAppInfo, Unref>;

AppInfo DefaultPlaylistApplication()
{
    // Not "must support URIs": a station playlist is a local file.
    return AppInfo(g_app_info_get_default_for_type(playlistType, FALSE));
}

QString Text(const char* text)
{
    return text == nullptr ? QString() : QString::fromUtf8(text);
}

QString IdOf(GAppInfo* application)
{
    return application == nullptr ? QString() : Text(g_app_info_get_id(application));
}

// A launch in the user's environment, not in Wavedock's own: only what
// differs is set or unset, so every other variable passes byte for byte.
std::unique_ptr<GAppLaunchContext, Unref> UserLaunchContext()
{
    std::unique_ptr<GAppLaunchContext, Unref> context(g_app_launch_context_new());
    const QProcessEnvironment wanted = ChildEnvironment();
    const QProcessEnvironment current = QProcessEnvironment::systemEnvironment();
    for (const QString& name : current.keys()) {
        if (!wanted.contains(name))
            g_app_launch_context_unsetenv(context.get(), name.toLocal8Bit().constData());
    }
    for (const QString& name : wanted.keys()) {
        const QString value = wanted.value(name);
        if (!current.contains(name) || current.value(name) != value)
            g_app_launch_context_setenv(context.get(), name.toLocal8Bit().constData(),
                                        value.toLocal8Bit().constData());
    }
    return context;
}

QString WithoutDesktopSuffix(QString id)
{
    if (id.endsWith(QLatin1String(".desktop")))
        id.chop(8);
    return id;
}

bool SameIgnoringCase(const QString& one, const QString& other)
{
    return !other.isEmpty() && one.compare(other, Qt::CaseInsensitive) == 0;
}

} // namespace

DesktopApplication PlaylistApplication()
{
    const AppInfo application = DefaultPlaylistApplication();
    if (!application)
        return {};
    return {IdOf(application.get()),
            QFileInfo(Text(g_app_info_get_executable(application.get()))).fileName()};
}

QString PlaylistApplicationId()
{
    return IdOf(DefaultPlaylistApplication().get());
}

PlaylistLaunch OpenWithPlaylistApplication(const QString& file)
{
    const AppInfo application = DefaultPlaylistApplication();
    if (!application)
        return {};
    std::unique_ptr<GFile, Unref> location(g_file_new_for_path(file.toUtf8().constData()));
    GList files{location.get(), nullptr, nullptr};
    GError* error = nullptr;
    // The launch runs detached; GLib reaps the child from its main context,
    // which Qt's event loop runs.
    const bool launched =
        g_app_info_launch(application.get(), &files, UserLaunchContext().get(), &error);
    PlaylistLaunch result;
    result.name = Text(g_app_info_get_display_name(application.get()));
    if (launched)
        result.application = IdOf(application.get());
    else
        result.error = error != nullptr ? Text(error->message) : QStringLiteral("unknown error");
    if (error != nullptr)
        g_error_free(error);
    return result;
}

bool IsPlayerOfApplication(const QString& busName, const QString& playerDesktopEntry,
                           const DesktopApplication& application)
{
    const QString wanted = WithoutDesktopSuffix(application.id);
    if (wanted.isEmpty())
        return false;
    if (!playerDesktopEntry.isEmpty()) {
        // Players built for several desktops often report their short name
        // while the desktop knows them by a reverse-DNS id.
        const QString reported = WithoutDesktopSuffix(playerDesktopEntry);
        return reported == wanted || SameIgnoringCase(reported, wanted.section(u'.', -1)) ||
               SameIgnoringCase(reported, application.program);
    }
    // "org.mpris.MediaPlayer2.mpv.instance4242" is a second "mpv"; the suffix
    // is whatever a bus name element allows.
    if (!busName.startsWith(mprisPrefix))
        return false;
    static const QRegularExpression instance(QStringLiteral("\\.instance[A-Za-z0-9_-]+$"));
    QString player = busName.mid(mprisPrefix.size());
    player.remove(instance);
    return player == wanted;
}

} // namespace platform
