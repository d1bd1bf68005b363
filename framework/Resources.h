#pragma once

#include "framework/DialogTemplate.h"

// The application's resources, linked into the program as on the original
// platform: each returns null when there is no resource with that number.
const DialogTemplate* FindDialogTemplate(int id);
const char* FindStringResource(unsigned id);
const char* const* FindIconResource(int id);  // XPM image
