#include "core/app/Log.h"

#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace {

std::mutex &stderrMutex() {
    static std::mutex mutex;
    return mutex;
}

QByteArray &statusLine() {
    static QByteArray line;
    return line;
}

void write(const QByteArray &bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
}

const QByteArray eraseLine = "\r\033[K";

} // namespace

bool drivesTerminal(char16_t c) {
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x061c || c == 0x200e || c == 0x200f ||
           (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

QString printable(const QString &text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (!drivesTerminal(c.unicode()))
            shown += c;
        else if (c.unicode() <= 0xff)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += QStringLiteral("\\u{%1}").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return shown;
}

bool logsToTerminal() {
    static const bool terminal = ::isatty(STDERR_FILENO) == 1;
    return terminal;
}

void logLine(const QString &line) {
    const QByteArray text = "sardoxa: " + printable(line).toLocal8Bit() + '\n';
    std::lock_guard lock(stderrMutex());
    const QByteArray &status = statusLine();
    write(status.isEmpty() ? text : eraseLine + text + status);
    std::fflush(stderr);
}

void printResult(const QByteArray &line) {
    std::lock_guard lock(stderrMutex());
    const QByteArray &status = statusLine();
    if (!status.isEmpty())
        write(eraseLine);
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    if (!status.isEmpty())
        write(status);
    std::fflush(stderr);
}

void showStatusLine(const QString &line) {
    std::lock_guard lock(stderrMutex());
    QByteArray &status = statusLine();
    status = line.isEmpty() ? QByteArray() : "sardoxa: " + printable(line).toLocal8Bit();
    write(eraseLine + status);
    std::fflush(stderr);
}
