#include "core/app/Logging.h"

#include <string_view>

#include "core/app/Log.h"

Q_LOGGING_CATEGORY(engineLog, "sardoxa.engine", QtWarningMsg)
Q_LOGGING_CATEGORY(intakeLog, "sardoxa.intake", QtWarningMsg)
Q_LOGGING_CATEGORY(jobLog, "sardoxa.job", QtWarningMsg)
Q_LOGGING_CATEGORY(filesLog, "sardoxa.files", QtWarningMsg)

namespace {

QtMessageHandler previousHandler = nullptr;

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (context.category && std::string_view(context.category).starts_with("sardoxa."))
        logLine(QLatin1String(context.category) + QStringLiteral(": ") + message);
    else
        previousHandler(type, context, message);
}

} // namespace

void installDebugLog() {
    previousHandler = qInstallMessageHandler(handleMessage);
}
