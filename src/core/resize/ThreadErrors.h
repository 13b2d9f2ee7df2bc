#pragma once

#include <QString>

#include <cstdarg>

// libvips keeps one error buffer for the whole process: vips_error() appends to it and
// vips::VError copies all of it. With several images decoded at once on libvips' worker threads,
// what it holds when a call fails may be another image's failure, or nothing, cleared by another
// thread meanwhile. libvips 8.14 has no error of a thread's own, and holding a lock across a
// failing call would serialise decoding, so vips_verror(), which every libvips error passes
// through (libvips calls it through its PLT, as it does vips_error()), is interposed: it keeps a
// copy of each message on the thread that raised it, then hands it on to libvips. A decoder of
// our own reports through vips_error() like any other and is caught the same way. So is
// vips_threadpool_run(), on which some loaders decode while the first region of their image is
// made: what its workers say is also given to the thread that ran it.
namespace ThreadErrors {

// Forgets this thread's messages.
void clear();

// Notes damage that a decoder only warns of (libvips lets warnings pass) as one of this thread's
// messages, and marks the thread as having met damage.
void noteDamage(const char *domain, const char *format, va_list arguments);

// Notes a warning of libvips or of a decoder it calls (libpng's checksum errors, say): the reason
// of a failure that raised no error of its own.
void noteWarning(const char *message);

// Whether damage was noted on this thread since the last clear() or take().
bool metDamage();

// This thread's warnings, then its messages, since the last clear() or take(), joined by "; ";
// empty for neither.
QString take();

// Why the last libvips call on this thread failed, in libvips' words, cleared so that the next
// one starts afresh; never empty.
QString takeReason();

// The skip reason of a file that libvips could not decode, for `reason` in libvips' words.
QString undecodable(const QString &reason);

} // namespace ThreadErrors
