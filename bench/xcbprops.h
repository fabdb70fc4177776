#pragma once

// Small helpers of the X-watching benchmarks: atoms and window properties over xcb.

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

inline xcb_atom_t xcbAtom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : 0;
    free(r);
    return a;
}

// The bytes of a window's property (at most 16 KiB), empty when it has none.
inline std::string xcbProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type)
{
    xcb_get_property_reply_t* r = xcb_get_property_reply(c, xcb_get_property(c, 0, w, prop, type, 0, 4096), nullptr);
    std::string out;
    if (r && xcb_get_property_value_length(r) > 0)
        out.assign(static_cast<const char*>(xcb_get_property_value(r)), size_t(xcb_get_property_value_length(r)));
    free(r);
    return out;
}

// The process id a window carries in _NET_WM_PID (the atom given), 0 when none.
inline uint32_t xcbWindowPid(xcb_connection_t* c, xcb_window_t w, xcb_atom_t netWmPid)
{
    const std::string v = xcbProperty(c, w, netWmPid, XCB_ATOM_CARDINAL);
    uint32_t pid = 0;
    if (v.size() >= 4)
        memcpy(&pid, v.data(), 4);
    return pid;
}
