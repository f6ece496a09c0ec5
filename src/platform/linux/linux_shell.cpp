#include "platform/linux/linux_shell.h"

#include "platform/linux/linux_files.h"
#include "platform/linux/start_environment.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

// GLib names a struct member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <dlfcn.h>
#include <unistd.h>

#include <type_traits>

namespace ostra {

namespace {

// GIO (and the GObject, mount and SELinux libraries under it) is loaded
// at the first launch, not at start: most runs never open anything.
// Without it, addresses and documents still open through Qt.
struct Gio {
    decltype(&g_app_info_launch_default_for_uri) launchDefaultForUri = nullptr;
    decltype(&g_desktop_app_info_new_from_filename) desktopAppInfoNew = nullptr;
    decltype(&g_app_info_launch) launch = nullptr;
    decltype(&g_object_unref) unref = nullptr;
    decltype(&g_app_launch_context_new) newContext = nullptr;
    decltype(&g_app_launch_context_setenv) setenv = nullptr;
    decltype(&g_app_launch_context_unsetenv) unsetenv = nullptr;
};

const Gio& gio() {
    static const Gio loaded = [] {
        Gio g;
        void* lib = ::dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!lib) return g;
        auto find = [lib](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(::dlsym(lib, name));
        };
        find(g.launchDefaultForUri, "g_app_info_launch_default_for_uri");
        find(g.desktopAppInfoNew, "g_desktop_app_info_new_from_filename");
        find(g.launch, "g_app_info_launch");
        // Found through GIO's own dependencies.
        find(g.unref, "g_object_unref");
        find(g.newContext, "g_app_launch_context_new");
        find(g.setenv, "g_app_launch_context_setenv");
        find(g.unsetenv, "g_app_launch_context_unsetenv");
        if (!g.launchDefaultForUri || !g.desktopAppInfoNew || !g.launch || !g.unref || !g.newContext ||
            !g.setenv || !g.unsetenv)
            g = Gio{};
        return g;
    }();
    return loaded;
}

// GLib objects and errors released on scope exit.
template <typename T>
struct GObjectRef {
    T* p = nullptr;
    ~GObjectRef() {
        if (p) gio().unref(p);
    }
};

struct GErrorHolder {
    GError* e = nullptr;
    ~GErrorHolder() {
        if (e) g_error_free(e);
    }
};

struct GKeyFileHolder {
    GKeyFile* k = g_key_file_new();
    ~GKeyFileHolder() { g_key_file_free(k); }
};

struct GCharHolder {
    gchar* s = nullptr;
    ~GCharHolder() { g_free(s); }
};

// An address with a real scheme ("c:" of a drive letter does not count).
bool looksLikeAddress(const QString& text) {
    if (text.startsWith(u'/')) return false;
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && url.scheme().size() > 1;
}

bool isExecutableProgram(const QString& path) {
    if (::access(QFile::encodeName(path).constData(), X_OK) != 0) return false;
    // The execute bit alone says little: every file on a vfat or NTFS folder
    // has it. A program starts with the ELF magic or an interpreter line.
    LinuxFiles files;
    const std::optional<QByteArray> head = files.readFile(path, 4);
    return head && (head->startsWith("\x7f"
                                     "ELF") ||
                    head->startsWith("#!"));
}

// A launch context that gives the started program the environment Ostra
// was started with (GIO starts from the process's own).
GAppLaunchContext* startContext() {
    GAppLaunchContext* context = gio().newContext();
    for (const auto& [name, value] : ownVariables()) {
        if (value)
            gio().setenv(context, name.constData(), value->constData());
        else
            gio().unsetenv(context, name.constData());
    }
    return context;
}

// Without GIO or a handler it knows: xdg-open, as Qt's desktop services
// would start it, but with the start environment; Qt's own way last.
bool openElsewhere(const QUrl& url) {
    QProcess opener;
    opener.setProgram(QStringLiteral("xdg-open"));
    opener.setArguments({QString::fromUtf8(url.toEncoded())});
    opener.setProcessEnvironment(startEnvironment());
    return opener.startDetached() || QDesktopServices::openUrl(url);
}

bool launchDefaultForUri(const QByteArray& uri) {
    if (!gio().launchDefaultForUri) return false;
    GObjectRef<GAppLaunchContext> context{startContext()};
    GErrorHolder error;
    return gio().launchDefaultForUri(uri.constData(), context.p, &error.e);
}

}  // namespace

bool LinuxShell::open(const QString& pathOrUrl) {
    if (pathOrUrl.trimmed().isEmpty()) return false;
    // Only an address is trimmed. A path is used as it stands: a file name
    // may begin or end with blanks, and "a.sh " is another file than "a.sh".
    // A relative name that happens to contain a colon is still a file when
    // one of that name is there.
    const QString address = pathOrUrl.trimmed();
    if (!QFileInfo::exists(pathOrUrl) && looksLikeAddress(address)) {
        const QUrl url(address, QUrl::StrictMode);
        if (url.isLocalFile()) return openLocal(url.toLocalFile());
        return openAddress(address);
    }
    return openLocal(pathOrUrl);
}

bool LinuxShell::openAddress(const QString& address) {
    const QByteArray uri = QUrl(address, QUrl::StrictMode).toEncoded();
    if (launchDefaultForUri(uri)) return true;
    return openElsewhere(QUrl::fromEncoded(uri));
}

bool LinuxShell::openLocal(const QString& path) {
    const QFileInfo given(QDir::current().absoluteFilePath(path));
    // Follows every link; empty for a missing file or a broken link.
    const QString target = given.canonicalFilePath();
    if (target.isEmpty()) return false;
    const QFileInfo resolved(target);
    if (resolved.isFile()) {
        if (resolved.fileName().endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive) ||
            given.fileName().endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive))
            return launchDesktopEntry(target);
        if (isExecutableProgram(target)) return startProgram(target);
    }
    return openWithDefaultApplication(target);
}

bool LinuxShell::launchDesktopEntry(const QString& path) {
    const QByteArray file = QFile::encodeName(path);
    GObjectRef<GDesktopAppInfo> app{gio().desktopAppInfoNew ? gio().desktopAppInfoNew(file.constData()) : nullptr};
    if (app.p) {
        GObjectRef<GAppLaunchContext> context{startContext()};
        GErrorHolder error;
        // A GDesktopAppInfo is a GAppInfo (an interface: the same pointer).
        return gio().launch(reinterpret_cast<GAppInfo*>(app.p), nullptr, context.p, &error.e);
    }
    // Not an application: a link entry opens its address, as the desktop
    // does; anything else is not run and not shown as text either.
    GKeyFileHolder keys;
    if (!g_key_file_load_from_file(keys.k, file.constData(), G_KEY_FILE_NONE, nullptr)) return false;
    GCharHolder type{
        g_key_file_get_string(keys.k, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_TYPE, nullptr)};
    if (!type.s || qstrcmp(type.s, G_KEY_FILE_DESKTOP_TYPE_LINK) != 0) return false;
    GCharHolder url{g_key_file_get_string(keys.k, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_URL, nullptr)};
    if (!url.s || !*url.s) return false;
    const QString address = QString::fromUtf8(url.s);
    if (looksLikeAddress(address)) {
        const QUrl parsed(address, QUrl::StrictMode);
        return parsed.isLocalFile() ? openWithDefaultApplication(parsed.toLocalFile()) : openAddress(address);
    }
    // A bare path in a link entry: opened, never executed.
    return QFileInfo::exists(address) && openWithDefaultApplication(address);
}

bool LinuxShell::startProgram(const QString& path) {
    QProcess program;
    program.setProgram(path);
    program.setWorkingDirectory(QDir::currentPath());
    program.setProcessEnvironment(startEnvironment());
    // Double-forked by Qt: nothing of it is left to reap.
    return program.startDetached();
}

bool LinuxShell::openWithDefaultApplication(const QString& path) {
    const QUrl url = QUrl::fromLocalFile(path);
    const QByteArray uri = url.toEncoded();
    if (launchDefaultForUri(uri)) return true;
    return openElsewhere(url);
}

}  // namespace ostra
