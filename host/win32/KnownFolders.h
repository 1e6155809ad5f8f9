#pragma once

#include <string>

// The user's folders as Windows names them; empty when the system has none.
std::wstring DocumentsFolder();
std::wstring RoamingAppDataFolder();
