// The program's icons.

#include "framework/Resources.h"
#include "res/resource.h"

#include "res/talver_icon.xpm"

const char* const* FindIconResource(int id) { return id == IDR_MAINFRAME ? kTalverIcon : nullptr; }
