#pragma once
#include <string>

// The local name of the group with the SID S-1-5-32-544, asked of the management
// service; "Administrators" when it gives none.
std::string GetAdministratorsName();
