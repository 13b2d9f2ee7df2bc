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

QString printable(const QString &text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
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
