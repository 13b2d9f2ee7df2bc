#pragma once

#include <QByteArray>

#include <optional>

// The ICC profile in the iCCP chunk of the PNG file in `fd`, read with pread(). libvips' PNG
// reader drops a profile whose chunk breaks a rule of form (an empty or overlong profile name, as
// some encoders write); the profile itself may still be sound, and it is the source's own, so it
// is read here. Nothing when there is no such chunk or it does not hold an ICC profile.
std::optional<QByteArray> embeddedPngProfile(int fd);
