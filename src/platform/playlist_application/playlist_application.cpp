#include "playlist_application.h"

#include "user_environment.h"

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

AppInfo PlaylistApplication()
{
    // Not "must support URIs": a station playlist is a local file.
    return AppInfo(g_app_info_get_default_for_type(playlistType, FALSE));
}

QString IdOf(GAppInfo* application)
{
    const char* id = application == nullptr ? nullptr : g_app_info_get_id(application);
    return id == nullptr ? QString() : QString::fromUtf8(id);
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

} // namespace

QString PlaylistApplicationId()
{
    return IdOf(PlaylistApplication().get());
}

QString OpenWithPlaylistApplication(const QString& file)
{
    const AppInfo application = PlaylistApplication();
    if (!application)
        return {};
    std::unique_ptr<GFile, Unref> location(g_file_new_for_path(file.toUtf8().constData()));
    GList files{location.get(), nullptr, nullptr};
    GError* error = nullptr;
    // The launch runs detached; GLib reaps the child from its main context,
    // which Qt's event loop runs.
    const bool launched =
        g_app_info_launch(application.get(), &files, UserLaunchContext().get(), &error);
    if (error != nullptr)
        g_error_free(error);
    return launched ? IdOf(application.get()) : QString();
}

bool IsPlayerOfApplication(const QString& busName, const QString& playerDesktopEntry,
                           const QString& desktopId)
{
    const QString wanted = WithoutDesktopSuffix(desktopId);
    if (wanted.isEmpty())
        return false;
    if (!playerDesktopEntry.isEmpty())
        return WithoutDesktopSuffix(playerDesktopEntry) == wanted;
    // "org.mpris.MediaPlayer2.mpv.instance4242" is a second "mpv".
    if (!busName.startsWith(mprisPrefix))
        return false;
    static const QRegularExpression instance(QStringLiteral("\\.instance\\d+$"));
    QString player = busName.mid(mprisPrefix.size());
    player.remove(instance);
    return player == wanted;
}

} // namespace platform
