// The program's string table.

#include <map>

#include "framework/Resources.h"
#include "res/resource.h"

const char* FindStringResource(unsigned id)
{
    static const std::map<unsigned, const char*> strings = {
        {IDS_ABOUTBOX, "&About TALVER..."},
        {IDS_MISSING_CODES, "&Missing codes..."},
    };
    const auto found = strings.find(id);
    return found == strings.end() ? nullptr : found->second;
}
