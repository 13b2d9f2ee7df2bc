#pragma once

#include <QByteArray>

#include <vector>

// The names in the open folder `folder`, without "." and "..", as the file system has them.
// Nothing when the folder cannot be read.
std::vector<QByteArray> entryNames(int folder);
