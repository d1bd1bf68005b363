#include "app/FitApp.h"

// The one application object.
CFitApp theApp;
