#pragma once

#include "framework/Afx.h"

#define afx_msg

class CCmdTarget;

// One entry of a class's message map: which message (and, for WM_COMMAND,
// which control and notification) goes to which handler.
struct MessageMapEntry {
    UINT message;
    UINT id;    // control identifier for WM_COMMAND and WM_NOTIFY, else 0
    UINT code;  // notification code for WM_COMMAND and WM_NOTIFY, else 0
    LRESULT (*handler)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);
};

struct MessageMap {
    const MessageMap* (*base)();  // the base class's map, or null
    const MessageMapEntry* entries;  // ends with a null handler
};

// Anything that receives messages through a message map.
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Finds the handler for a message in this class's map and then its
    // bases'; returns false when none handles it.
    bool DispatchThroughMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    virtual const MessageMap* GetMessageMap() const { return GetThisMessageMap(); }
    static const MessageMap* GetThisMessageMap();
};

#define DECLARE_MESSAGE_MAP()                        \
protected:                                           \
    static const MessageMap* GetThisMessageMap();    \
    const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                       \
    const MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const MessageMap* theClass::GetThisMessageMap()                                  \
    {                                                                                \
        using ThisClass [[maybe_unused]] = theClass;                                 \
        using TheBaseClass = baseClass;                                              \
        static const MessageMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                  \
    {0, 0, 0, nullptr}                                                     \
    }                                                                      \
    ;                                                                      \
    static const MessageMap map{&TheBaseClass::GetThisMessageMap, entries}; \
    return &map;                                                           \
    }

#define AFX_MAP_HANDLER(body) [](CCmdTarget * target, WPARAM wParam, LPARAM lParam) -> LRESULT { \
    auto* self = static_cast<ThisClass*>(target);                                           \
    (void)self;                                                                             \
    (void)wParam;                                                                           \
    (void)lParam;                                                                           \
    body;                                                                                   \
}

#define ON_COMMAND(id, memberFxn) \
    {WM_COMMAND, static_cast<UINT>(id), BN_CLICKED, AFX_MAP_HANDLER(self->memberFxn(); return 0)},
#define ON_BN_CLICKED(id, memberFxn) ON_COMMAND(id, memberFxn)
// handler(NMHDR*, LRESULT*) for notification code from control id.
#define ON_NOTIFY(code, id, memberFxn)                                                   \
    {WM_NOTIFY, static_cast<UINT>(id), static_cast<UINT>(code), AFX_MAP_HANDLER({       \
         LRESULT result = 0;                                                             \
         self->memberFxn(reinterpret_cast<NMHDR*>(lParam), &result);                     \
         return result;                                                                  \
     })},
#define ON_WM_MOUSEMOVE()                                                                                  \
    {WM_MOUSEMOVE, 0, 0, AFX_MAP_HANDLER(self->OnMouseMove(static_cast<UINT>(wParam),                       \
                                                           CPoint{static_cast<short>(LOWORD(lParam)),         \
                                                                  static_cast<short>(HIWORD(lParam))});       \
                                         return 0)},
#define ON_WM_LBUTTONDOWN()                                                                                \
    {WM_LBUTTONDOWN, 0, 0, AFX_MAP_HANDLER(self->OnLButtonDown(static_cast<UINT>(wParam),                   \
                                                               CPoint{static_cast<short>(LOWORD(lParam)),     \
                                                                      static_cast<short>(HIWORD(lParam))});   \
                                           return 0)},
#define ON_WM_SYSCOMMAND() \
    {WM_SYSCOMMAND, 0, 0, AFX_MAP_HANDLER(self->OnSysCommand(static_cast<UINT>(wParam), lParam); return 0)},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, AFX_MAP_HANDLER(self->OnPaint(); return 0)},
#define ON_WM_QUERYDRAGICON() \
    {WM_QUERYDRAGICON, 0, 0, AFX_MAP_HANDLER(return reinterpret_cast<LRESULT>(self->OnQueryDragIcon()))},
#define ON_WM_CREATE() \
    {WM_CREATE, 0, 0, AFX_MAP_HANDLER(return self->OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam)))},
#define ON_WM_SIZE()                                                                                    \
    {WM_SIZE, 0, 0, AFX_MAP_HANDLER(self->OnSize(static_cast<UINT>(wParam), static_cast<int>(LOWORD(lParam)), \
                                                 static_cast<int>(HIWORD(lParam)));                      \
                                    return 0)},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, AFX_MAP_HANDLER(self->OnTimer(static_cast<UINT_PTR>(wParam)); return 0)},
#define ON_WM_CONTEXTMENU()                                                                        \
    {WM_CONTEXTMENU, 0, 0, AFX_MAP_HANDLER(self->OnContextMenu(reinterpret_cast<CWnd*>(wParam),          \
                                                               CPoint{static_cast<short>(LOWORD(lParam)), \
                                                                      static_cast<short>(HIWORD(lParam))}); \
                                           return 0)},
