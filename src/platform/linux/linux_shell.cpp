#include "platform/linux/linux_shell.h"

#include "platform/linux/linux_files.h"

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

#include <unistd.h>

namespace ostra {

namespace {

// GLib objects and errors released on scope exit.
template <typename T>
struct GObjectRef {
    T* p = nullptr;
    ~GObjectRef() {
        if (p) g_object_unref(p);
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
    return head && (head->startsWith("\x7f" "ELF") || head->startsWith("#!"));
}

}  // namespace

bool LinuxShell::open(const QString& pathOrUrl) {
    const QString text = pathOrUrl.trimmed();
    if (text.isEmpty()) return false;
    // A relative name that happens to contain a colon is still a file when
    // one of that name is there.
    if (looksLikeAddress(text) && !QFileInfo::exists(text)) {
        const QUrl url(text, QUrl::StrictMode);
        if (url.isLocalFile()) return openLocal(url.toLocalFile());
        return openAddress(text);
    }
    return openLocal(text);
}

bool LinuxShell::openAddress(const QString& address) {
    const QByteArray uri = QUrl(address, QUrl::StrictMode).toEncoded();
    GErrorHolder error;
    if (g_app_info_launch_default_for_uri(uri.constData(), nullptr, &error.e)) return true;
    return QDesktopServices::openUrl(QUrl::fromEncoded(uri));
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
    GObjectRef<GDesktopAppInfo> app{g_desktop_app_info_new_from_filename(file.constData())};
    if (app.p) {
        GErrorHolder error;
        return g_app_info_launch(G_APP_INFO(app.p), nullptr, nullptr, &error.e);
    }
    // Not an application: a link entry opens its address, as the desktop
    // does; anything else is not run and not shown as text either.
    GKeyFileHolder keys;
    if (!g_key_file_load_from_file(keys.k, file.constData(), G_KEY_FILE_NONE, nullptr)) return false;
    GCharHolder type{g_key_file_get_string(keys.k, G_KEY_FILE_DESKTOP_GROUP,
                                           G_KEY_FILE_DESKTOP_KEY_TYPE, nullptr)};
    if (!type.s || qstrcmp(type.s, G_KEY_FILE_DESKTOP_TYPE_LINK) != 0) return false;
    GCharHolder url{g_key_file_get_string(keys.k, G_KEY_FILE_DESKTOP_GROUP,
                                          G_KEY_FILE_DESKTOP_KEY_URL, nullptr)};
    if (!url.s || !*url.s) return false;
    const QString address = QString::fromUtf8(url.s);
    if (looksLikeAddress(address)) {
        const QUrl parsed(address, QUrl::StrictMode);
        return parsed.isLocalFile() ? openWithDefaultApplication(parsed.toLocalFile())
                                    : openAddress(address);
    }
    // A bare path in a link entry: opened, never executed.
    return QFileInfo::exists(address) && openWithDefaultApplication(address);
}

bool LinuxShell::startProgram(const QString& path) {
    // Double-forked by Qt: nothing of it is left to reap.
    return QProcess::startDetached(path, {}, QDir::currentPath());
}

bool LinuxShell::openWithDefaultApplication(const QString& path) {
    const QUrl url = QUrl::fromLocalFile(path);
    const QByteArray uri = url.toEncoded();
    GErrorHolder error;
    if (g_app_info_launch_default_for_uri(uri.constData(), nullptr, &error.e)) return true;
    return QDesktopServices::openUrl(url);
}

}  // namespace ostra
