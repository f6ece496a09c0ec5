#include "platform/linux/linux_app_windows.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <sys/socket.h>
#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace ostra {

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> own(T* r) {
    return Reply<T>(r, &std::free);
}

// One connection to the display for one operation.
class Display {
public:
    Display() {
        c_ = xcb_connect(nullptr, &screenNumber_);
        if (xcb_connection_has_error(c_)) return;
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c_));
        for (int i = 0; it.rem && i < screenNumber_; ++i) xcb_screen_next(&it);
        if (it.rem) root_ = it.data->root;
    }
    ~Display() { xcb_disconnect(c_); }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    bool ok() const { return root_ != 0; }
    xcb_connection_t* c() const { return c_; }
    xcb_window_t root() const { return root_; }
    int screenNumber() const { return screenNumber_; }

    xcb_atom_t atom(const char* name) {
        auto r = own(xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
        return r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }

    // The 32-bit items of a property (windows, atoms, cardinals).
    std::vector<std::uint32_t> property(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type) {
        std::vector<std::uint32_t> out;
        if (prop == XCB_ATOM_NONE) return out;
        auto r = own(xcb_get_property_reply(c_, xcb_get_property(c_, 0, w, prop, type, 0, 4096), nullptr));
        if (!r || r->format != 32) return out;
        const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()));
        out.assign(v, v + xcb_get_property_value_length(r.get()) / 4);
        return out;
    }

    // The window the window manager names as its own (_NET_SUPPORTING_WM_CHECK
    // on the root, pointing to itself); 0 with no compliant manager.
    xcb_window_t wmCheck() {
        const xcb_atom_t check = atom("_NET_SUPPORTING_WM_CHECK");
        const auto w = property(root_, check, XCB_ATOM_WINDOW);
        if (w.empty() || w[0] == 0) return 0;
        const auto self = property(w[0], check, XCB_ATOM_WINDOW);
        return (!self.empty() && self[0] == w[0]) ? w[0] : 0;
    }

    // The PID of the client that made a window: from the server (X-Resource),
    // else from the window's _NET_WM_PID.
    int pidOf(xcb_window_t w) {
        if (w == 0) return 0;
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c_, &xcb_res_id);
        if (ext && ext->present) {
            xcb_res_client_id_spec_t spec{w, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            auto r = own(xcb_res_query_client_ids_reply(c_, xcb_res_query_client_ids(c_, 1, &spec), nullptr));
            if (r) {
                for (auto it = xcb_res_query_client_ids_ids_iterator(r.get()); it.rem;
                     xcb_res_client_id_value_next(&it)) {
                    if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
                        xcb_res_client_id_value_value_length(it.data) >= 1)
                        return static_cast<int>(*xcb_res_client_id_value_value(it.data));
                }
            }
        }
        const auto pid = property(w, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
        return pid.empty() ? 0 : static_cast<int>(pid[0]);
    }

    // The top-level windows of applications: the window manager's client
    // list, else the viewable children of the root.
    std::vector<xcb_window_t> topLevels() {
        std::vector<xcb_window_t> out;
        if (wmCheck() != 0) {
            for (std::uint32_t w : property(root_, atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW)) out.push_back(w);
            if (!out.empty()) return out;
        }
        auto tree = own(xcb_query_tree_reply(c_, xcb_query_tree(c_, root_), nullptr));
        if (!tree) return out;
        const xcb_window_t* kids = xcb_query_tree_children(tree.get());
        const int n = xcb_query_tree_children_length(tree.get());
        std::vector<xcb_get_window_attributes_cookie_t> cookies;
        for (int i = 0; i < n; ++i) cookies.push_back(xcb_get_window_attributes(c_, kids[i]));
        for (int i = 0; i < n; ++i) {
            auto a = own(xcb_get_window_attributes_reply(c_, cookies[static_cast<std::size_t>(i)], nullptr));
            if (a && a->map_state == XCB_MAP_STATE_VIEWABLE && !a->override_redirect) out.push_back(kids[i]);
        }
        return out;
    }

    // The top-level windows whose _NET_WM_PID is one of `pids`.
    std::vector<xcb_window_t> windowsOf(const std::vector<int>& pids) {
        std::vector<xcb_window_t> out;
        const xcb_atom_t pidAtom = atom("_NET_WM_PID");
        for (xcb_window_t w : topLevels()) {
            const auto pid = property(w, pidAtom, XCB_ATOM_CARDINAL);
            if (!pid.empty() && std::find(pids.begin(), pids.end(), static_cast<int>(pid[0])) != pids.end())
                out.push_back(w);
        }
        return out;
    }

private:
    xcb_connection_t* c_ = nullptr;
    int screenNumber_ = 0;
    xcb_window_t root_ = 0;
};

void sendClientMessage(xcb_connection_t* c, xcb_window_t to, xcb_window_t about, xcb_atom_t type,
                       std::uint32_t mask, std::uint32_t d0, std::uint32_t d1) {
    xcb_client_message_event_t ev;
    std::memset(&ev, 0, sizeof ev);
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = about;
    ev.type = type;
    ev.data.data32[0] = d0;
    ev.data.data32[1] = d1;
    xcb_send_event(c, 0, to, mask, reinterpret_cast<const char*>(&ev));
}

// The PID behind a session-bus name, 0 when nobody owns it; never waits
// long for the bus.
int busNamePid(QDBusConnection& bus, const QString& name) {
    QDBusMessage msg = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
    msg.setArguments({name});
    const QDBusMessage reply = bus.call(msg, QDBus::Block, 500);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return 0;
    return static_cast<int>(reply.arguments().first().toUInt());
}

}  // namespace

bool LinuxAppWindows::hasWindow(const std::vector<int>& pids) {
    Display d;
    return d.ok() && !d.windowsOf(pids).empty();
}

int LinuxAppWindows::closeWindows(const std::vector<int>& pids) {
    Display d;
    if (!d.ok()) return 0;
    const std::vector<xcb_window_t> windows = d.windowsOf(pids);
    if (windows.empty()) return 0;
    // Through the window manager when it says it closes windows on request:
    // it asks the client as the title bar's close button does.
    const xcb_atom_t closeAtom = d.atom("_NET_CLOSE_WINDOW");
    bool viaManager = false;
    if (d.wmCheck() != 0) {
        const auto supported = d.property(d.root(), d.atom("_NET_SUPPORTED"), XCB_ATOM_ATOM);
        viaManager = std::find(supported.begin(), supported.end(), closeAtom) != supported.end();
    }
    const xcb_atom_t protocols = d.atom("WM_PROTOCOLS");
    const xcb_atom_t deleteWindow = d.atom("WM_DELETE_WINDOW");
    int asked = 0;
    for (xcb_window_t w : windows) {
        if (viaManager) {
            // Source 2: a request on the user's behalf (a pager or taskbar).
            sendClientMessage(d.c(), d.root(), w, closeAtom,
                              XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                              XCB_CURRENT_TIME, 2);
            ++asked;
            continue;
        }
        const auto listed = d.property(w, protocols, XCB_ATOM_ATOM);
        if (std::find(listed.begin(), listed.end(), deleteWindow) == listed.end()) continue;
        sendClientMessage(d.c(), w, w, protocols, XCB_EVENT_MASK_NO_EVENT, deleteWindow, XCB_CURRENT_TIME);
        ++asked;
    }
    xcb_flush(d.c());
    // A round trip: the messages have reached the server before the
    // connection closes.
    free(xcb_get_input_focus_reply(d.c(), xcb_get_input_focus(d.c()), nullptr));
    return asked;
}

DesktopKeepers LinuxDesktopPeers::keepers() {
    DesktopKeepers k;
    k.sessionLeader = static_cast<int>(::getsid(0));
    {
        Display d;
        if (d.ok()) {
            // The display server is the peer of our own connection.
            ucred cred{};
            socklen_t len = sizeof cred;
            if (::getsockopt(xcb_get_file_descriptor(d.c()), SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0)
                k.displayServer = static_cast<int>(cred.pid);
            k.windowManager = d.pidOf(d.wmCheck());
            // The tray: the owner of the tray selection of our screen.
            const QByteArray tray = "_NET_SYSTEM_TRAY_S" + QByteArray::number(d.screenNumber());
            const xcb_atom_t sel = d.atom(tray.constData());
            if (sel != XCB_ATOM_NONE) {
                auto owner =
                    own(xcb_get_selection_owner_reply(d.c(), xcb_get_selection_owner(d.c(), sel), nullptr));
                if (owner && owner->owner) {
                    if (const int pid = d.pidOf(owner->owner)) k.trays.push_back(pid);
                }
            }
        }
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        if (const int pid = busNamePid(bus, QStringLiteral("org.kde.StatusNotifierWatcher")))
            k.trays.push_back(pid);
        k.sessionBus = busNamePid(bus, QStringLiteral("org.freedesktop.DBus"));
        k.soundServer = busNamePid(bus, QStringLiteral("org.PulseAudio1"));
    }
    return k;
}

}  // namespace ostra
