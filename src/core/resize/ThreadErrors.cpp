#include "core/resize/ThreadErrors.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <dlfcn.h>
#include <vips/vips.h>

namespace {

// A thread's messages, in a buffer with no destructor: libvips may still report while a thread
// ends, after objects with one are gone. A thread that never takes them keeps the first ones.
struct Messages {
    char text[2048];
    std::size_t length;
    bool damage;
};

thread_local Messages messages;

using Verror = void (*)(const char *, const char *, va_list);

Verror libvipsVerror() {
    static const auto next = reinterpret_cast<Verror>(::dlsym(RTLD_NEXT, "vips_verror"));
    return next;
}

// Adds to this thread's messages as much of the text as there is room for.
void appendv(const char *format, va_list arguments) {
    const std::size_t room = sizeof messages.text - messages.length;
    const int written = std::vsnprintf(messages.text + messages.length, room, format, arguments);
    if (written > 0)
        messages.length += std::min(std::size_t(written), room - 1);
}

void append(const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    appendv(format, arguments);
    va_end(arguments);
}

void appendMessage(const char *domain, const char *format, va_list arguments) {
    if (messages.length > 0)
        append("; ");
    if (domain && *domain)
        append("%s: ", domain);
    appendv(format, arguments);
}

} // namespace

extern "C" void vips_verror(const char *domain, const char *format, va_list arguments) {
    va_list copy;
    va_copy(copy, arguments); // libvips formats the same arguments again
    appendMessage(domain, format, copy);
    va_end(copy);
    libvipsVerror()(domain, format, arguments);
}

namespace ThreadErrors {

void clear() {
    messages.length = 0;
    messages.damage = false;
}

void noteDamage(const char *domain, const char *format, va_list arguments) {
    appendMessage(domain, format, arguments);
    messages.damage = true;
}

bool metDamage() {
    return messages.damage;
}

QString take() {
    QString text = QString::fromUtf8(messages.text, qsizetype(messages.length))
                       .trimmed()
                       .replace(QLatin1Char('\n'), QStringLiteral("; "));
    clear();
    return text;
}

QString takeReason() {
    vips_error_clear(); // the shared buffer is read by no one; it would only grow
    const QString text = take();
    return text.isEmpty() ? QStringLiteral("no reason given") : text;
}

QString undecodable(const QString &reason) {
    return QStringLiteral("not a decodable image (libvips: %1)").arg(reason);
}

} // namespace ThreadErrors
