#include "picturewarnings.h"

#include <QLoggingCategory>

#include <atomic>
#include <mutex>

namespace {

// The reading under way on each thread; one hook serves them all.
thread_local PictureWarnings *current = nullptr;

// A few of a reading's warnings reach the log; a storm does not.
constexpr int LoggedWarnings = 3;

std::atomic<QtMessageHandler> passOn{nullptr};
QLoggingCategory::CategoryFilter previousFilter = nullptr;
// Whether the rules left the default category's warnings on: the decoders
// warn there, so the filter keeps them flowing to the hook, and the hook
// passes on only what the rules allowed.
std::atomic<bool> warningsLogged{true};

bool isDefault(const char *category)
{
    return category && qstrcmp(category, "default") == 0;
}

void keepWarnings(QLoggingCategory *category)
{
    if (previousFilter)
        previousFilter(category);
    if (isDefault(category->categoryName())) {
        warningsLogged = category->isWarningEnabled();
        category->setEnabled(QtWarningMsg, true);
    }
}

void hook(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const bool decoderWarning = type == QtWarningMsg && (!context.category || isDefault(context.category));
    if (decoderWarning && current) {
        current->add(message);
        if (current->count() > LoggedWarnings)
            return;
    }
    if (decoderWarning && !warningsLogged)
        return;
    if (const QtMessageHandler next = passOn)
        next(type, context, message);
}

// Installed once and never taken out: a handler installed later passes the
// warnings on to it, and two threads reading at once cannot chain it to itself.
void installHook()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        passOn = qInstallMessageHandler(hook);
        previousFilter = QLoggingCategory::installFilter(keepWarnings);
    });
}

} // namespace

PictureWarnings::PictureWarnings()
    : outer(current)
{
    installHook();
    current = this;
}

PictureWarnings::~PictureWarnings()
{
    current = outer;
}

void PictureWarnings::add(const QString &message)
{
    if (++warnings == 1)
        firstWarning = message;
}
