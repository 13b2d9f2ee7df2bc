#include "core/resize/ThreadErrors.h"

#include <cstdarg>
#include <cstdio>
#include <dlfcn.h>
#include <string>

namespace {

// A thread that never takes its messages keeps only the first ones.
constexpr std::size_t maxKept = 2048;

thread_local std::string messages;

using Verror = void (*)(const char *, const char *, va_list);

Verror libvipsVerror() {
    static const auto next = reinterpret_cast<Verror>(::dlsym(RTLD_NEXT, "vips_verror"));
    return next;
}

} // namespace

extern "C" void vips_verror(const char *domain, const char *format, va_list arguments) {
    if (messages.size() < maxKept) {
        char text[1024];
        va_list copy;
        va_copy(copy, arguments);
        std::vsnprintf(text, sizeof text, format, copy);
        va_end(copy);
        if (!messages.empty())
            messages += "; ";
        if (domain && *domain)
            messages.append(domain).append(": ");
        messages += text;
    }
    libvipsVerror()(domain, format, arguments);
}

namespace ThreadErrors {

void clear() {
    messages.clear();
}

QString take() {
    QString text =
        QString::fromUtf8(messages).trimmed().replace(QLatin1Char('\n'), QStringLiteral("; "));
    messages.clear();
    return text;
}

} // namespace ThreadErrors
