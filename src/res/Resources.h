#pragma once
// The program's resource tables: strings in English and Korean, the
// dialog templates of the main window, the About box and the Telnet
// window, and the application icon.

#include "framework/Resources.h"
#include "res/resource.h"

[[nodiscard]] const ResourceTables& VelmoraResources();
