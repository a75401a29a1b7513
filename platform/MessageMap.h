#pragma once

// Message maps: each window class lists which of its methods handle which
// notification, and a class's map chains to its base class's map, so a
// derived class overrides a handler by listing its own.

#include "platform/Types.h"

#include <cstdint>
#include <functional>
#include <vector>

class CWnd;

using UINT_PTR = std::uintptr_t;

enum class MessageKind
{
    ShowWindow,   // the window is about to be shown or hidden
    Timer,        // a timer of the window ticked
    Command,      // a button was clicked, or Enter / Escape gave IDOK / IDCANCEL
    EditSetFocus, // an edit control received the input focus
};

struct Message
{
    MessageKind kind;
    int id = 0;         // control id (Command, EditSetFocus)
    UINT_PTR param = 0; // timer id (Timer), show flag (ShowWindow)
    UINT status = 0;    // reason of a show or hide (ShowWindow)
};

struct MessageMapEntry
{
    MessageKind kind;
    int id; // control id; 0 for window messages
    std::function<void(CWnd&, const Message&)> handler;
};

struct MessageMap
{
    const MessageMap* base;
    std::vector<MessageMapEntry> entries;

    // The entry for a message in this map or, failing that, a base map.
    const MessageMapEntry* find(MessageKind kind, int id) const
    {
        for (const MessageMap* map = this; map != nullptr; map = map->base) {
            for (const MessageMapEntry& entry : map->entries) {
                if (entry.kind == kind && entry.id == id)
                    return &entry;
            }
        }
        return nullptr;
    }
};

// Entries of a class T's message map, bound to T's handler methods.
namespace msg {

template <class T>
MessageMapEntry onShowWindow(void (T::*handler)(BOOL, UINT))
{
    return {MessageKind::ShowWindow, 0, [handler](CWnd& wnd, const Message& m) {
                (static_cast<T&>(wnd).*handler)(m.param != 0 ? TRUE : FALSE, m.status);
            }};
}

template <class T>
MessageMapEntry onTimer(void (T::*handler)(UINT_PTR))
{
    return {MessageKind::Timer, 0, [handler](CWnd& wnd, const Message& m) {
                (static_cast<T&>(wnd).*handler)(m.param);
            }};
}

// A button click, or the command Enter and Escape stand for.
template <class T>
MessageMapEntry onCommand(int id, void (T::*handler)())
{
    return {MessageKind::Command, id, [handler](CWnd& wnd, const Message&) {
                (static_cast<T&>(wnd).*handler)();
            }};
}

template <class T>
MessageMapEntry onEditSetFocus(int id, void (T::*handler)())
{
    return {MessageKind::EditSetFocus, id, [handler](CWnd& wnd, const Message&) {
                (static_cast<T&>(wnd).*handler)();
            }};
}

} // namespace msg
