#include "core/resize/ThreadErrors.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <vips/vips.h>

#include "core/app/Logging.h"

namespace {

// A thread's messages, in a buffer with no destructor: libvips may still report while a thread
// ends, after objects with one are gone. A thread that never takes them keeps the first ones.
struct Buffer {
    char text[2048];
    std::size_t length;
};

struct Messages {
    Buffer errors;
    Buffer warnings;
    bool damage;
    Buffer failure; // a decoder of our own's, in its words
    ThreadErrors::Decoder decoder;
    // What the workers of a thread pool this thread ran said, under poolsMutex.
    Buffer inherited;
    std::atomic<bool> inheriting;
};

thread_local Messages messages;

// Some loaders decode on a thread pool of their own while a region of their image is made (libwebp
// through libvips 8.14 does): what their workers say is handed to the thread that ran the pool,
// which is decoding that image, through the pool's entry here.
struct PoolRun {
    unsigned long id;
    VipsThreadStartFn start;
    VipsThreadpoolAllocateFn allocate;
    VipsThreadpoolWorkFn work;
    VipsThreadpoolProgressFn progress;
    void *client;
};

std::mutex poolsMutex;
std::map<unsigned long, Messages *> runningPools; // by PoolRun::id, while the pool runs
thread_local unsigned long workingFor = 0;        // the pool this worker last worked for

// Set once by initialize(), before any other thread uses libvips.
std::atomic<bool> reach{false};

const char *nameOf(ThreadErrors::Decoder decoder) {
    switch (decoder) {
    case ThreadErrors::Decoder::LibjpegTurbo:
        return "libjpeg-turbo";
    case ThreadErrors::Decoder::Libheif:
        return "libheif";
    case ThreadErrors::Decoder::Libjxl:
        return "libjxl";
    case ThreadErrors::Decoder::Libwebp:
        return "libwebp";
    }
    return "";
}

using Verror = void (*)(const char *, const char *, va_list);

Verror libvipsVerror() {
    static const auto next = reinterpret_cast<Verror>(::dlsym(RTLD_NEXT, "vips_verror"));
    return next;
}

// Adds to `buffer` as much of the text as there is room for.
void appendv(Buffer &buffer, const char *format, va_list arguments) {
    const std::size_t room = sizeof buffer.text - buffer.length;
    const int written = std::vsnprintf(buffer.text + buffer.length, room, format, arguments);
    if (written > 0)
        buffer.length += std::min(std::size_t(written), room - 1);
}

void append(Buffer &buffer, const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    appendv(buffer, format, arguments);
    va_end(arguments);
}

void appendMessage(Buffer &buffer, const char *domain, const char *format, va_list arguments) {
    if (buffer.length > 0)
        append(buffer, "; ");
    if (domain && *domain)
        append(buffer, "%s: ", domain);
    appendv(buffer, format, arguments);
}

} // namespace

extern "C" void vips_verror(const char *domain, const char *format, va_list arguments) {
    va_list copy;
    va_copy(copy, arguments); // libvips formats the same arguments again
    appendMessage(messages.errors, domain, format, copy);
    va_end(copy);
    if (workingFor != 0) {
        std::lock_guard lock(poolsMutex);
        if (const auto pool = runningPools.find(workingFor); pool != runningPools.end()) {
            va_copy(copy, arguments);
            appendMessage(pool->second->inherited, domain, format, copy);
            va_end(copy);
            pool->second->inheriting.store(true, std::memory_order_release);
        }
    }
    if (const Verror next = libvipsVerror()) // none where libvips is linked in statically
        next(domain, format, arguments);
}

extern "C" int vips_threadpool_run(VipsImage *image, VipsThreadStartFn start,
                                   VipsThreadpoolAllocateFn allocate, VipsThreadpoolWorkFn work,
                                   VipsThreadpoolProgressFn progress, void *client) {
    using Run = int (*)(VipsImage *, VipsThreadStartFn, VipsThreadpoolAllocateFn,
                        VipsThreadpoolWorkFn, VipsThreadpoolProgressFn, void *);
    static const auto next = reinterpret_cast<Run>(::dlsym(RTLD_NEXT, "vips_threadpool_run"));
    static std::atomic<unsigned long> runs{0};
    PoolRun run{++runs, start, allocate, work, progress, client};
    {
        std::lock_guard lock(poolsMutex);
        runningPools[run.id] = &messages;
    }
    const int result = next(
        image,
        [](VipsImage *image, void *pool) {
            const auto &run = *static_cast<PoolRun *>(pool);
            workingFor = run.id;
            return run.start(image, run.client);
        },
        [](VipsThreadState *state, void *pool, gboolean *stop) {
            const auto &run = *static_cast<PoolRun *>(pool);
            workingFor = run.id;
            return run.allocate(state, run.client, stop);
        },
        [](VipsThreadState *state, void *pool) {
            const auto &run = *static_cast<PoolRun *>(pool);
            workingFor = run.id;
            return run.work(state, run.client);
        },
        progress ? [](void *pool) {
            const auto &run = *static_cast<PoolRun *>(pool);
            return run.progress(run.client);
        }
                 : VipsThreadpoolProgressFn(nullptr),
        &run);
    std::lock_guard lock(poolsMutex);
    runningPools.erase(run.id);
    return result;
}

namespace ThreadErrors {

void initialize() {
    clear();
    // extract_area checks its area while libvips builds it, and fails through vips_error() there,
    // as the loaders do. A libvips that binds that call past the interposer binds its call of
    // vips_threadpool_run() past it as well: both are calls of libvips' own exported functions.
    // No pixel is computed, so no thread is started.
    VipsImage *pixel = nullptr;
    bool heard = false;
    if (vips_black(&pixel, 1, 1, nullptr) == 0) {
        VipsImage *outside = nullptr;
        if (vips_extract_area(pixel, &outside, 0, 0, 2, 2, nullptr) == 0)
            g_object_unref(outside);
        heard = QString::fromUtf8(messages.errors.text, qsizetype(messages.errors.length))
                    .contains(QLatin1String("extract_area"));
        g_object_unref(pixel);
    }
    clear();
    vips_error_clear();
    reach.store(heard);
    if (!heard)
        qCDebug(engineLog).noquote()
            << "libvips calls its own vips_verror() and vips_threadpool_run() past this program: "
               "a failure libvips gives no other reason for is skipped without libvips' words, "
               "which its one error buffer may hold from another image";
}

bool errorsReachThreads() {
    return reach.load(std::memory_order_relaxed);
}

void clear() {
    messages.errors.length = 0;
    messages.warnings.length = 0;
    messages.failure.length = 0;
    messages.damage = false;
    if (messages.inheriting.load(std::memory_order_acquire)) {
        std::lock_guard lock(poolsMutex);
        messages.inherited.length = 0;
        messages.inheriting.store(false, std::memory_order_relaxed);
    }
}

void noteFailure(Decoder decoder, const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    appendMessage(messages.failure, nullptr, format, arguments);
    va_end(arguments);
    messages.decoder = decoder;
}

void noteDamage(const char *domain, const char *format, va_list arguments) {
    appendMessage(messages.errors, domain, format, arguments);
    messages.damage = true;
}

void noteWarning(const char *message) {
    Buffer &warnings = messages.warnings;
    warnings.text[warnings.length] = '\0';
    // libpng says some twice; libvips' "error in tile 0 x 0" names no cause.
    if (!std::strstr(warnings.text, message) && !std::strstr(message, "error in tile"))
        append(warnings, warnings.length > 0 ? "; %s" : "%s", message);
}

bool metDamage() {
    return messages.damage;
}

QString take() {
    const auto text = [](const Buffer &buffer) {
        return QString::fromUtf8(buffer.text, qsizetype(buffer.length));
    };
    QString heard;
    if (messages.failure.length > 0) {
        // The decoder's own words are the cause; whatever libvips said after only follows from it.
        heard =
            QLatin1String(nameOf(messages.decoder)) + QStringLiteral(": ") + text(messages.failure);
    } else {
        if (messages.inheriting.load(std::memory_order_acquire)) {
            std::lock_guard lock(poolsMutex);
            messages.inherited.text[messages.inherited.length] = '\0';
            append(messages.errors, messages.errors.length > 0 ? "; %s" : "%s",
                   messages.inherited.text);
        }
        // Warnings first: they came first, and a decoder's own words are there when libvips only
        // says that it failed ("libpng read error").
        const QString warned = text(messages.warnings), failed = text(messages.errors);
        heard = warned.isEmpty() || failed.isEmpty() ? warned + failed
                                                     : warned + QStringLiteral("; ") + failed;
        if (!heard.trimmed().isEmpty())
            heard = QStringLiteral("libvips: ") + heard.trimmed();
    }
    clear();
    return heard.trimmed().replace(QLatin1Char('\n'), QStringLiteral("; "));
}

QString takeReason() {
    vips_error_clear(); // the shared buffer is read by no one; it would only grow
    return reasonFrom(take(), errorsReachThreads());
}

QString reasonFrom(const QString &heard, bool reachThreads) {
    if (!heard.isEmpty())
        return heard;
    // Where libvips' errors pass the interposer by, its shared buffer is the only place that has
    // them, and with images decoded at once it may hold another image's, or have lost this one's
    // to another thread's clearing; no reason is better than a wrong one.
    return reachThreads ? QStringLiteral("libvips: no reason given")
                        : QStringLiteral("libvips: no reason this build of libvips keeps apart "
                                         "from other images'");
}

QString undecodable(const QString &reason) {
    return QStringLiteral("not a decodable image (%1)").arg(reason);
}

} // namespace ThreadErrors
