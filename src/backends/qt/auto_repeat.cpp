// Detectable auto-repeat through XKB's per-client flags on the toolkit's own X connection.
#include "backends/qt/auto_repeat.h"

#include <xcb/xcb.h>
// The XKB header names a field after a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <QGuiApplication>
#include <cstdlib>

namespace qbx {

bool AskForDetectableAutoRepeat() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* conn = x11 ? x11->connection() : nullptr;
    if (!conn) return false;
    // The toolkit has set up XKB on this connection already; asking again is harmless.
    std::free(xcb_xkb_use_extension_reply(conn, xcb_xkb_use_extension(conn, 1, 0), nullptr));
    const uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    xcb_xkb_per_client_flags_reply_t* reply = xcb_xkb_per_client_flags_reply(
        conn, xcb_xkb_per_client_flags(conn, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0),
        nullptr);
    const bool granted = reply && (reply->value & flag);
    std::free(reply);
    return granted;
}

}  // namespace qbx
