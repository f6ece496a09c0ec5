#include "tray/statusnotifier/dbus_menu_exporter.h"

#include "tray/statusnotifier/sd_bus_pump.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QKeySequence>
#include <QMenu>
#include <QVariant>

#include <cerrno>
#include <cstring>

#include <systemd/sd-bus.h>

namespace ostra {

namespace {

constexpr char kMenuInterface[] = "com.canonical.dbusmenu";

// The menu's property values: strings, numbers, flags and the shortcut
// key lists (aas).
int appendVariant(sd_bus_message* m, const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::QString:
        return sd_bus_message_append(m, "v", "s", v.toString().toUtf8().constData());
    case QMetaType::Int:
        return sd_bus_message_append(m, "v", "i", v.toInt());
    case QMetaType::Bool:
        return sd_bus_message_append(m, "v", "b", int(v.toBool()));
    default:
        break;
    }
    if (v.metaType() != QMetaType::fromType<QList<QStringList>>()) return -EINVAL;
    int r = sd_bus_message_open_container(m, SD_BUS_TYPE_VARIANT, "aas");
    if (r >= 0) r = sd_bus_message_open_container(m, SD_BUS_TYPE_ARRAY, "as");
    for (const QStringList& keys : v.value<QList<QStringList>>()) {
        if (r >= 0) r = sd_bus_message_open_container(m, SD_BUS_TYPE_ARRAY, "s");
        for (const QString& k : keys)
            if (r >= 0) r = sd_bus_message_append(m, "s", k.toUtf8().constData());
        if (r >= 0) r = sd_bus_message_close_container(m);
    }
    if (r >= 0) r = sd_bus_message_close_container(m);
    if (r >= 0) r = sd_bus_message_close_container(m);
    return r;
}

// a{sv} of `properties`, only those in `wanted` unless it is empty.
int appendProperties(sd_bus_message* m, const QVariantMap& properties, const QStringList& wanted) {
    int r = sd_bus_message_open_container(m, SD_BUS_TYPE_ARRAY, "{sv}");
    for (auto it = properties.cbegin(); r >= 0 && it != properties.cend(); ++it) {
        if (!wanted.isEmpty() && !wanted.contains(it.key())) continue;
        r = sd_bus_message_open_container(m, SD_BUS_TYPE_DICT_ENTRY, "sv");
        if (r >= 0) r = sd_bus_message_append(m, "s", it.key().toUtf8().constData());
        if (r >= 0) r = appendVariant(m, it.value());
        if (r >= 0) r = sd_bus_message_close_container(m);
    }
    if (r >= 0) r = sd_bus_message_close_container(m);
    return r;
}

// Reads an array of strings (as) from `m`.
int readStrings(sd_bus_message* m, QStringList& out) {
    int r = sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "s");
    if (r < 0) return r;
    const char* s = nullptr;
    while ((r = sd_bus_message_read(m, "s", &s)) > 0) out << QString::fromUtf8(s);
    if (r < 0) return r;
    return sd_bus_message_exit_container(m);
}

// Answers `call` with a reply that `fill` writes.
template <typename Fill>
int replyWith(sd_bus_message* call, Fill fill) {
    sd_bus_message* reply = nullptr;
    int r = sd_bus_message_new_method_return(call, &reply);
    if (r >= 0) r = fill(reply);
    if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return r;
}

// The host's names: '&' marks the mnemonic as '_' does there.
QString label(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('_')) {
            out += QStringLiteral("__");
        } else if (c == QLatin1Char('&') && i + 1 < text.size()) {
            out += text[++i] == QLatin1Char('&') ? QStringLiteral("&") : QLatin1Char('_') + text.mid(i, 1);
        } else {
            out += c;
        }
    }
    return out;
}

QList<QStringList> shortcut(const QKeySequence& keys) {
    QList<QStringList> out;
    for (int i = 0; i < keys.count(); ++i) {
        const QKeyCombination k = keys[i];
        QStringList tokens;
        const Qt::KeyboardModifiers mods = k.keyboardModifiers();
        if (mods & Qt::ControlModifier) tokens << QStringLiteral("Control");
        if (mods & Qt::AltModifier) tokens << QStringLiteral("Alt");
        if (mods & Qt::ShiftModifier) tokens << QStringLiteral("Shift");
        if (mods & Qt::MetaModifier) tokens << QStringLiteral("Super");
        tokens << QKeySequence(k.key()).toString(QKeySequence::PortableText);
        out << tokens;
    }
    return out;
}

QVariantMap properties(QAction* a) {
    QVariantMap p;
    if (a->isSeparator()) {
        p.insert(QStringLiteral("type"), QStringLiteral("separator"));
    } else {
        p.insert(QStringLiteral("label"), label(a->text()));
        if (a->menu()) p.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        if (a->isCheckable()) {
            p.insert(QStringLiteral("toggle-type"), a->actionGroup() && a->actionGroup()->isExclusive()
                                                        ? QStringLiteral("radio")
                                                        : QStringLiteral("checkmark"));
            p.insert(QStringLiteral("toggle-state"), a->isChecked() ? 1 : 0);
        }
        if (!a->shortcut().isEmpty())
            p.insert(QStringLiteral("shortcut"), QVariant::fromValue(shortcut(a->shortcut())));
    }
    if (!a->isEnabled()) p.insert(QStringLiteral("enabled"), false);
    if (!a->isVisible()) p.insert(QStringLiteral("visible"), false);
    return p;
}

}  // namespace

// The handlers sd-bus calls, with the exporter as their user data.
struct DBusMenuExporter::Vtable {
    static DBusMenuExporter* self(void* userdata) { return static_cast<DBusMenuExporter*>(userdata); }

    static int getVersion(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                          sd_bus_error*) {
        return sd_bus_message_append(reply, "u", 3u);
    }
    static int getString(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply, void*,
                         sd_bus_error*) {
        return sd_bus_message_append(reply, "s", std::strcmp(property, "TextDirection") ? "normal" : "ltr");
    }
    static int getThemePath(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                            sd_bus_error*) {
        return sd_bus_message_append(reply, "as", 0);
    }

    static int onGetLayout(sd_bus_message* m, void* userdata, sd_bus_error*) {
        int parent = 0, depth = 0;
        QStringList wanted;
        int r = sd_bus_message_read(m, "ii", &parent, &depth);
        if (r >= 0) r = readStrings(m, wanted);
        if (r < 0) return r;
        return replyWith(m, [&](sd_bus_message* reply) {
            const int w = sd_bus_message_append(reply, "u", self(userdata)->revision_);
            return w < 0 ? w : self(userdata)->appendLayout(reply, parent, depth, wanted);
        });
    }
    static int onGetGroupProperties(sd_bus_message* m, void* userdata, sd_bus_error*) {
        QList<int> ids;
        QStringList wanted;
        int r = sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "i");
        if (r < 0) return r;
        int id = 0;
        while ((r = sd_bus_message_read(m, "i", &id)) > 0) ids << id;
        if (r >= 0) r = sd_bus_message_exit_container(m);
        if (r >= 0) r = readStrings(m, wanted);
        if (r < 0) return r;
        return replyWith(m, [&](sd_bus_message* reply) {
            int w = sd_bus_message_open_container(reply, SD_BUS_TYPE_ARRAY, "(ia{sv})");
            for (int i : ids) {
                QAction* a = self(userdata)->action(i);
                if (!a || w < 0) continue;
                w = sd_bus_message_open_container(reply, SD_BUS_TYPE_STRUCT, "ia{sv}");
                if (w >= 0) w = sd_bus_message_append(reply, "i", i);
                if (w >= 0) w = appendProperties(reply, properties(a), wanted);
                if (w >= 0) w = sd_bus_message_close_container(reply);
            }
            return w < 0 ? w : sd_bus_message_close_container(reply);
        });
    }
    static int onGetProperty(sd_bus_message* m, void* userdata, sd_bus_error* error) {
        int id = 0;
        const char* name = nullptr;
        int r = sd_bus_message_read(m, "is", &id, &name);
        if (r < 0) return r;
        QAction* a = self(userdata)->action(id);
        const QVariant v = a ? properties(a).value(QString::fromUtf8(name)) : QVariant();
        if (!v.isValid())
            return sd_bus_error_setf(error, SD_BUS_ERROR_INVALID_ARGS, "no property %s on entry %d", name, id);
        return replyWith(m, [&](sd_bus_message* reply) { return appendVariant(reply, v); });
    }
    static int onEvent(sd_bus_message* m, void* userdata, sd_bus_error*) {
        int id = 0;
        const char* what = nullptr;
        // The event's data and time are not used.
        const int r = sd_bus_message_read(m, "is", &id, &what);
        if (r < 0) return r;
        self(userdata)->handleEvent(id, what);
        return sd_bus_reply_method_return(m, "");
    }
    static int onEventGroup(sd_bus_message* m, void* userdata, sd_bus_error*) {
        QList<int> unknown;
        int r = sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "(isvu)");
        if (r < 0) return r;
        while ((r = sd_bus_message_enter_container(m, SD_BUS_TYPE_STRUCT, "isvu")) > 0) {
            int id = 0;
            const char* what = nullptr;
            r = sd_bus_message_read(m, "is", &id, &what);
            if (r >= 0) r = sd_bus_message_skip(m, "vu");
            if (r >= 0) r = sd_bus_message_exit_container(m);
            if (r < 0) return r;
            if (!self(userdata)->handleEvent(id, what)) unknown << id;
        }
        if (r >= 0) r = sd_bus_message_exit_container(m);
        if (r < 0) return r;
        return replyWith(m, [&](sd_bus_message* reply) {
            int w = sd_bus_message_open_container(reply, SD_BUS_TYPE_ARRAY, "i");
            for (int id : unknown)
                if (w >= 0) w = sd_bus_message_append(reply, "i", id);
            return w < 0 ? w : sd_bus_message_close_container(reply);
        });
    }
    static int onAboutToShow(sd_bus_message* m, void*, sd_bus_error*) {
        return sd_bus_reply_method_return(m, "b", 0);
    }
    static int onAboutToShowGroup(sd_bus_message* m, void*, sd_bus_error*) {
        return sd_bus_reply_method_return(m, "aiai", 0, 0);
    }

    static const sd_bus_vtable table[];
};

const sd_bus_vtable DBusMenuExporter::Vtable::table[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Version", "u", &Vtable::getVersion, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("TextDirection", "s", &Vtable::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Status", "s", &Vtable::getString, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("IconThemePath", "as", &Vtable::getThemePath, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_METHOD("GetLayout", "iias", "u(ia{sv}av)", &Vtable::onGetLayout, 0),
    SD_BUS_METHOD("GetGroupProperties", "aias", "a(ia{sv})", &Vtable::onGetGroupProperties, 0),
    SD_BUS_METHOD("GetProperty", "is", "v", &Vtable::onGetProperty, 0),
    SD_BUS_METHOD("Event", "isvu", "", &Vtable::onEvent, 0),
    SD_BUS_METHOD("EventGroup", "a(isvu)", "ai", &Vtable::onEventGroup, 0),
    SD_BUS_METHOD("AboutToShow", "i", "b", &Vtable::onAboutToShow, 0),
    SD_BUS_METHOD("AboutToShowGroup", "ai", "aiai", &Vtable::onAboutToShowGroup, 0),
    SD_BUS_SIGNAL("ItemsPropertiesUpdated", "a(ia{sv})a(ias)", 0),
    SD_BUS_SIGNAL("LayoutUpdated", "ui", 0),
    SD_BUS_SIGNAL("ItemActivationRequested", "iu", 0),
    SD_BUS_VTABLE_END,
};

DBusMenuExporter::DBusMenuExporter(QMenu* menu, SdBusPump& pump, const char* path, QObject* parent)
    : QObject(parent), menu_(menu), pump_(pump), path_(path) {
    announce_.setSingleShot(true);
    announce_.setInterval(0);
    connect(&announce_, &QTimer::timeout, this, [this] {
        ++revision_;
        if (pump_.bus())
            sd_bus_emit_signal(pump_.bus(), path_, kMenuInterface, "LayoutUpdated", "ui", revision_, 0);
        pump_.wake();
    });
    connect(&pump_, &SdBusPump::closing, this, [this] { slot_ = sd_bus_slot_unref(slot_); });
    if (menu_) watch(menu_);
    if (pump_.bus()) sd_bus_add_object_vtable(pump_.bus(), &slot_, path_, kMenuInterface, Vtable::table, this);
}

DBusMenuExporter::~DBusMenuExporter() { sd_bus_slot_unref(slot_); }

bool DBusMenuExporter::eventFilter(QObject*, QEvent* e) {
    const QEvent::Type t = e->type();
    if (t == QEvent::ActionAdded || t == QEvent::ActionRemoved || t == QEvent::ActionChanged) {
        if (t == QEvent::ActionAdded) watchSubmenus();
        announce_.start();
    }
    return false;
}

void DBusMenuExporter::watch(QMenu* m) {
    if (watched_.contains(m)) return;
    watched_ << m;
    m->installEventFilter(this);
    watchSubmenus();
}

void DBusMenuExporter::watchSubmenus() {
    const QList<QPointer<QMenu>> menus = watched_;
    for (const QPointer<QMenu>& m : menus)
        if (m)
            for (QAction* a : m->actions())
                if (a->menu()) watch(a->menu());
}

int DBusMenuExporter::idOf(QAction* a) {
    auto it = ids_.find(a);
    if (it != ids_.end()) return *it;
    const int id = nextId_++;
    ids_.insert(a, id);
    actions_.insert(id, a);
    return id;
}

int DBusMenuExporter::appendLayout(sd_bus_message* m, int id, int depth, const QStringList& wanted) {
    QMenu* menu = menu_;
    QVariantMap props;
    if (id != 0) {
        QAction* a = action(id);
        menu = a ? a->menu() : nullptr;
        if (a) props = properties(a);
    } else {
        props.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    }
    int r = sd_bus_message_open_container(m, SD_BUS_TYPE_STRUCT, "ia{sv}av");
    if (r >= 0) r = sd_bus_message_append(m, "i", id);
    if (r >= 0) r = appendProperties(m, props, wanted);
    if (r >= 0) r = sd_bus_message_open_container(m, SD_BUS_TYPE_ARRAY, "v");
    if (menu && depth != 0) {
        for (QAction* child : menu->actions()) {
            if (r < 0) break;
            r = sd_bus_message_open_container(m, SD_BUS_TYPE_VARIANT, "(ia{sv}av)");
            if (r >= 0) r = appendLayout(m, idOf(child), depth < 0 ? -1 : depth - 1, wanted);
            if (r >= 0) r = sd_bus_message_close_container(m);
        }
    }
    if (r >= 0) r = sd_bus_message_close_container(m);
    if (r >= 0) r = sd_bus_message_close_container(m);
    return r;
}

bool DBusMenuExporter::handleEvent(int id, const char* what) {
    QAction* a = action(id);
    if (!a) return id == 0;
    if (what && !std::strcmp(what, "clicked") && a->isEnabled() && !a->menu() && !a->isSeparator())
        // After the reply, outside sd-bus: the command may open a modal
        // window.
        QMetaObject::invokeMethod(a, &QAction::trigger, Qt::QueuedConnection);
    return true;
}

}  // namespace ostra
