#pragma once

#include <QString>

#include <cstdarg>

// libvips keeps one error buffer for the whole process: vips_error() appends to it and
// vips::VError copies all of it. With several images decoded at once on libvips' worker threads,
// what it holds when a call fails may be another image's failure, or nothing, cleared by another
// thread meanwhile. libvips 8.14 has no error of a thread's own, and holding a lock across a
// failing call would serialise decoding, so vips_verror(), which every libvips error passes
// through (Debian's libvips calls it through its PLT, as it does vips_error()), is interposed: it
// keeps a copy of each message on the thread that raised it, then hands it on to libvips. So is
// vips_threadpool_run(), on which some loaders decode while the first region of their image is
// made: what its workers say is also given to the thread that ran it. Our own decoders hand
// their reason over here directly, and warnings and damage arrive through handlers: neither
// depends on the interposer, which a libvips that binds its own calls (built with
// -Bsymbolic-functions, as Ubuntu's is, or linked statically) passes by. initialize() finds out
// whether it does.
namespace ThreadErrors {

// The decoders of our own, by the library each decodes with.
enum class Decoder { LibjpegTurbo, Libheif, Libjxl, Libwebp };

// Makes libvips fail inside itself and sees whether the interposer heard it on this thread; when
// it did not, says so on the debug log, and a failure libvips gave no other reason for is given
// one that says so rather than another image's, read from the shared buffer. Call once, on the
// main thread, after libvips has started and before any image is touched.
void initialize();

// Whether the errors libvips raises reach the interposer, as initialize() found.
bool errorsReachThreads();

// Forgets this thread's messages.
void clear();

// Notes why `decoder` failed on this thread: the reason take() gives, named after the decoder,
// whatever libvips says meanwhile.
void noteFailure(Decoder decoder, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Notes damage that a decoder only warns of (libvips lets warnings pass) as one of this thread's
// messages, and marks the thread as having met damage.
void noteDamage(const char *domain, const char *format, va_list arguments);

// Notes a warning of libvips or of a decoder it calls (libpng's checksum errors, say): the reason
// of a failure that raised no error of its own.
void noteWarning(const char *message);

// Whether damage was noted on this thread since the last clear() or take().
bool metDamage();

// What this thread heard since the last clear() or take(), named after who said it: the failure
// of a decoder of our own ("libjxl: ..."), or else libvips' warnings, then its messages, joined
// by "; " ("libvips: ..."); empty for nothing.
QString take();

// Why the last call on this thread failed, as take() has it, cleared so that the next one starts
// afresh; never empty.
QString takeReason();

// The reason given for a failure of which the failing thread heard `heard` (empty for nothing),
// where libvips' errors reach their thread or not.
QString reasonFrom(const QString &heard, bool reachThreads);

// The skip reason of a file that could not be decoded, for `reason`: as take() or takeReason()
// gave it, named after who said it, or our own words.
QString undecodable(const QString &reason);

} // namespace ThreadErrors
