#include "platform/linux/ui_linux.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

#include "platform/linux/drm_mode.h"
#include "text/cp1252.h"

namespace vintrel::platform::linux_host {
namespace {

constexpr std::uint32_t kNetWmStateRemove = 0;
constexpr std::uint32_t kNetWmStateAdd = 1;
constexpr std::uint32_t kSourceApplication = 1;
constexpr std::uint32_t kMaxPropertyWords = 1u << 16;

xcb_connection_t* x11Connection() {
    if (!qGuiApp) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

QWindow* ownWindow(std::uint64_t id) {
    if (!qGuiApp || id == 0) return nullptr;
    for (QWindow* w : QGuiApplication::allWindows())
        if (w->handle() && static_cast<std::uint64_t>(w->winId()) == id) return w;
    return nullptr;
}

class X11Atoms {
public:
    explicit X11Atoms(xcb_connection_t* c) {
        const char* names[] = {"_NET_WM_STATE",     "_NET_WM_STATE_ABOVE", "_NET_CLIENT_LIST_STACKING",
                               "_NET_CLIENT_LIST",  "_NET_WM_NAME",        "UTF8_STRING",
                               "_NET_FRAME_EXTENTS"};
        xcb_intern_atom_cookie_t cookies[std::size(names)];
        for (std::size_t i = 0; i < std::size(names); ++i)
            cookies[i] = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
        for (std::size_t i = 0; i < std::size(names); ++i) {
            xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, cookies[i], nullptr);
            atoms_[i] = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
            std::free(r);
        }
    }
    xcb_atom_t wmState() const { return atoms_[0]; }
    xcb_atom_t above() const { return atoms_[1]; }
    xcb_atom_t clientListStacking() const { return atoms_[2]; }
    xcb_atom_t clientList() const { return atoms_[3]; }
    xcb_atom_t wmName() const { return atoms_[4]; }
    xcb_atom_t utf8() const { return atoms_[5]; }
    xcb_atom_t frameExtents() const { return atoms_[6]; }

private:
    xcb_atom_t atoms_[7]{};
};

xcb_window_t rootWindow(xcb_connection_t* c) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    if (!setup) return XCB_WINDOW_NONE;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    return it.rem ? it.data->root : static_cast<xcb_window_t>(XCB_WINDOW_NONE);
}

std::vector<xcb_window_t> windowListProperty(xcb_connection_t* c, xcb_window_t root, xcb_atom_t atom) {
    std::vector<xcb_window_t> out;
    if (atom == XCB_ATOM_NONE) return out;
    auto cookie = xcb_get_property(c, 0, root, atom, XCB_ATOM_WINDOW, 0, kMaxPropertyWords);
    xcb_get_property_reply_t* r = xcb_get_property_reply(c, cookie, nullptr);
    if (!r) return out;
    if (r->type == XCB_ATOM_WINDOW && r->format == 32) {
        const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(r));
        const int count = xcb_get_property_value_length(r) / 4;
        out.assign(ids, ids + std::max(count, 0));
    }
    std::free(r);
    return out;
}

std::optional<std::string> textProperty(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    xcb_get_property_reply_t* r = xcb_get_property_reply(c, cookie, nullptr);
    if (!r) return std::nullopt;
    std::optional<std::string> out;
    if (r->format == 8 && r->type != XCB_ATOM_NONE) {
        const int len = xcb_get_property_value_length(r);
        out = std::string(static_cast<const char*>(xcb_get_property_value(r)),
                          static_cast<std::size_t>(std::max(len, 0)));
    }
    std::free(r);
    return out;
}

class LinuxUserInterface final : public UserInterface {
public:
    ScreenSize screenSize() override {
        // Without a graphical session (the offscreen platform's screen is made up): the mode
        // the display driver shows, else no figures at all.
        if (!qGuiApp || QGuiApplication::platformName() == QLatin1String("offscreen")) {
            const auto mode = drmCurrentMode();
            return mode ? ScreenSize{mode->width, mode->height} : ScreenSize{};
        }
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen) return {};
        // Qt gives logical pixels; the system metrics count device pixels.
        const qreal ratio = screen->devicePixelRatio();
        const QRect g = screen->geometry();
        return {deviceLength(g.width(), ratio), deviceLength(g.height(), ratio)};
    }

    void setTopMost(std::uint64_t window, bool topMost) override {
        topMost_[window] = topMost;
        if (QWindow* w = ownWindow(window)) w->setFlag(Qt::WindowStaysOnTopHint, topMost);
        xcb_connection_t* c = x11Connection();
        if (!c || window == 0 || window > 0xFFFFFFFFu) return;
        const X11Atoms& a = atoms(c);
        if (a.wmState() == XCB_ATOM_NONE || a.above() == XCB_ATOM_NONE) return;
        const auto id = static_cast<xcb_window_t>(window);
        // A mapped window asks the window manager; an unmapped one carries the state in its
        // property, which the window manager reads when it maps it.
        xcb_get_window_attributes_reply_t* attr =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr);
        const bool mapped = attr && attr->map_state != XCB_MAP_STATE_UNMAPPED;
        const bool exists = attr != nullptr;
        std::free(attr);
        if (!exists) return;
        if (mapped) {
            xcb_client_message_event_t ev{};
            ev.response_type = XCB_CLIENT_MESSAGE;
            ev.format = 32;
            ev.window = id;
            ev.type = a.wmState();
            ev.data.data32[0] = topMost ? kNetWmStateAdd : kNetWmStateRemove;
            ev.data.data32[1] = a.above();
            ev.data.data32[2] = 0;
            ev.data.data32[3] = kSourceApplication;
            xcb_send_event(c, 0, rootWindow(c),
                           XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                           reinterpret_cast<const char*>(&ev));
        } else if (!ownWindow(window)) {
            std::vector<xcb_atom_t> states;
            auto cookie = xcb_get_property(c, 0, id, a.wmState(), XCB_ATOM_ATOM, 0, 64);
            if (xcb_get_property_reply_t* r = xcb_get_property_reply(c, cookie, nullptr)) {
                if (r->format == 32) {
                    const auto* v = static_cast<const xcb_atom_t*>(xcb_get_property_value(r));
                    states.assign(v, v + xcb_get_property_value_length(r) / 4);
                }
                std::free(r);
            }
            std::erase(states, a.above());
            if (topMost) states.push_back(a.above());
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, a.wmState(), XCB_ATOM_ATOM, 32,
                                static_cast<std::uint32_t>(states.size()), states.data());
        }
        xcb_flush(c);
    }

    std::vector<TopLevelWindow> topLevelWindows() override {
        std::vector<TopLevelWindow> out;
        if (xcb_connection_t* c = x11Connection()) out = x11Windows(c);
        // This program's own windows, hidden ones included, as Windows lists them.
        if (qGuiApp) {
            for (QWindow* w : QGuiApplication::topLevelWindows()) {
                const std::uint64_t id = w->handle() ? static_cast<std::uint64_t>(w->winId()) : 0;
                if (id != 0 &&
                    std::any_of(out.begin(), out.end(), [id](const auto& t) { return t.id == id; }))
                    continue;
                out.push_back({id, windowTitleFromUtf8(w->title().toStdString())});
            }
        }
        return out;
    }

    // _NET_FRAME_EXTENTS: left, right, top, bottom, as four 32-bit cardinals.
    std::optional<FrameExtents> frameExtents(std::uint64_t window) override {
        xcb_connection_t* c = x11Connection();
        if (!c || window == 0) return std::nullopt;
        const X11Atoms& a = atoms(c);
        if (a.frameExtents() == XCB_ATOM_NONE) return std::nullopt;
        auto cookie = xcb_get_property(c, 0, static_cast<xcb_window_t>(window), a.frameExtents(),
                                       XCB_ATOM_CARDINAL, 0, 4);
        xcb_get_property_reply_t* r = xcb_get_property_reply(c, cookie, nullptr);
        std::optional<FrameExtents> out;
        if (r && r->format == 32 && xcb_get_property_value_length(r) == 16) {
            const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(r));
            // Sane frames only: a hostile property must not throw the window off the screen.
            if (v[0] < 200 && v[1] < 200 && v[2] < 200 && v[3] < 200)
                out = FrameExtents{static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]),
                                   static_cast<int>(v[3])};
        }
        std::free(r);
        return out;
    }

private:
    const X11Atoms& atoms(xcb_connection_t* c) {
        if (!atoms_ || atomsConnection_ != c) {
            atoms_.emplace(c);
            atomsConnection_ = c;
        }
        return *atoms_;
    }

    std::vector<TopLevelWindow> x11Windows(xcb_connection_t* c) {
        const X11Atoms& a = atoms(c);
        const xcb_window_t root = rootWindow(c);
        if (root == XCB_WINDOW_NONE) return {};
        // Stacking order, topmost first, as EnumWindows walks the Z order.
        std::vector<xcb_window_t> ids = windowListProperty(c, root, a.clientListStacking());
        std::reverse(ids.begin(), ids.end());
        if (ids.empty()) ids = windowListProperty(c, root, a.clientList());
        if (ids.empty()) {
            // No EWMH window manager: the root's children are the top-level windows.
            if (xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr)) {
                const xcb_window_t* children = xcb_query_tree_children(tree);
                ids.assign(children, children + xcb_query_tree_children_length(tree));
                std::reverse(ids.begin(), ids.end());
                std::free(tree);
            }
        }
        struct Pending {
            xcb_window_t id;
            xcb_get_property_cookie_t netName, name;
        };
        std::vector<Pending> pending;
        pending.reserve(ids.size());
        for (xcb_window_t id : ids) {
            Pending p{id, {}, {}};
            p.netName = xcb_get_property(c, 0, id, a.wmName(), a.utf8(), 0, 1024);
            p.name = xcb_get_property(c, 0, id, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
            pending.push_back(p);
        }
        std::vector<TopLevelWindow> out;
        for (const auto& p : pending) {
            const auto net = textProperty(c, p.netName);
            const auto plain = textProperty(c, p.name);
            std::string title;
            if (net && !net->empty())
                title = windowTitleFromUtf8(*net);
            else if (plain)
                title = windowTitleFromLatin1(*plain);
            out.push_back({p.id, std::move(title)});
        }
        return out;
    }

    std::map<std::uint64_t, bool> topMost_;
    std::optional<X11Atoms> atoms_;
    xcb_connection_t* atomsConnection_ = nullptr;
};

}  // namespace

std::string windowTitleFromUtf8(std::string_view utf8) {
    return text::utf8ToCp1252(utf8);
}

std::string windowTitleFromLatin1(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (char c : latin1) {
        const auto b = static_cast<unsigned char>(c);
        // ISO 8859-1 matches Windows-1252 except in 0x80-0x9F, which are controls there.
        out.push_back(b >= 0x80 && b < 0xA0 ? '?' : c);
    }
    return out;
}

int deviceLength(int logical, double ratio) {
    if (ratio <= 0) return logical;
    const double exact = logical * ratio;
    int best = 0;
    double bestDistance = 0;
    for (int n = static_cast<int>(std::floor((logical - 0.5) * ratio));
         n <= std::ceil((logical + 0.5) * ratio); ++n) {
        if (n <= 0 || std::lround(n / ratio) != logical) continue;
        // Even lengths first, then the nearest to the product.
        const double distance = std::abs(n - exact) + (n % 2 != 0 ? ratio + 1 : 0);
        if (best == 0 || distance < bestDistance) {
            best = n;
            bestDistance = distance;
        }
    }
    return best != 0 ? best : static_cast<int>(std::lround(exact));
}

std::unique_ptr<UserInterface> makeLinuxUserInterface() {
    return std::make_unique<LinuxUserInterface>();
}

}  // namespace vintrel::platform::linux_host
