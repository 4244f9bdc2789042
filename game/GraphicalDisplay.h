#pragma once

#include <memory>

// The window system the program is going to use, chosen before the
// application object is made: Qt ends the program with an abort and a
// misleading hint about reinstalling when it cannot connect.
//
// In a Wayland session the game runs natively on Qt's Wayland platform,
// crisp at the compositor's scale; X11 (also through XWayland) when the
// Wayland plugin is missing or only an X display answers. A compositor that
// does not answer a round trip within 3 s, or a local X server that does not
// answer the connection's set-up within 3 s (hung, or another program's
// socket), counts as unreachable. A platform the user names in
// QT_QPA_PLATFORM is kept; platforms other than X11 and Wayland (offscreen,
// VNC) count as reachable.
class GraphicalDisplay {
public:
    // Sets QT_QPA_PLATFORM to the choice. The X connection that proved the
    // display reachable stays open until release(): a bare X server resets
    // when its last client leaves, and would do so under Qt's own connection.
    static GraphicalDisplay choose();

    bool reachable() const { return reachable_; }
    // Once Qt has its own connection.
    void release() { x11_.reset(); }

private:
    struct X11Connection;
    struct CloseX11 {
        void operator()(X11Connection* connection) const;
    };
    bool reachable_ = false;
    std::unique_ptr<X11Connection, CloseX11> x11_;
};
