#pragma once

#include <QString>

// The user's folders as the XDG variables and HOME name them at the moment of the call.
namespace StandardDirectories {
QString pictures();
QString caches();
QString preferencesFile();
} // namespace StandardDirectories
