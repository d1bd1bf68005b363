#include "framework/MessageMap.h"

const MessageMap* CCmdTarget::GetThisMessageMap()
{
    static const MessageMapEntry entries[] = {{0, 0, 0, nullptr}};
    static const MessageMap map{nullptr, entries};
    return &map;
}

bool CCmdTarget::DispatchThroughMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        for (const MessageMapEntry* entry = map->entries; entry->handler; ++entry) {
            if (entry->message != message)
                continue;
            if (message == WM_COMMAND && (entry->id != LOWORD(wParam) || entry->code != HIWORD(wParam)))
                continue;
            if (message == WM_NOTIFY) {
                const auto* header = reinterpret_cast<const NMHDR*>(lParam);
                if (!header || entry->id != header->idFrom || entry->code != header->code)
                    continue;
            }
            result = entry->handler(this, wParam, lParam);
            return true;
        }
    }
    return false;
}
