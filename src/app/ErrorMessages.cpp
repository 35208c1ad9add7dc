#include "app/ErrorMessages.h"

#include "app/AppInfo.h"
#include "common/AtomicFile.h"
#include "common/InputFile.h"
#include "design/DesignFile.h"
#include "design/WorkStore.h"
#include "gcode/GcodeGenerator.h"
#include "gcode/NeedlePlan.h"
#include "machine/SerialLink.h"
#include "session/SessionOptions.h"

namespace tessaline {

namespace {

// The failures the window tells apart; each job words each kind its own way.
enum class Failure { DesignFile, Store, Write, ReadBack, Option, Link };

std::optional<Failure> kindOf(const std::exception& error) {
    if (dynamic_cast<const DesignFileError*>(&error)) return Failure::DesignFile;
    if (dynamic_cast<const StoreError*>(&error)) return Failure::Store;
    if (dynamic_cast<const FileWriteError*>(&error)) return Failure::Write;
    if (dynamic_cast<const InputFileError*>(&error)) return Failure::ReadBack;
    if (dynamic_cast<const SerialLinkError*>(&error)) return Failure::Link;
    if (dynamic_cast<const SessionOptionError*>(&error) || dynamic_cast<const NeedleRangeError*>(&error) ||
        dynamic_cast<const ResumePointError*>(&error) || dynamic_cast<const ProgramOptionError*>(&error))
        return Failure::Option;
    return std::nullopt;
}

// What a failed save left at the file: the earlier one untouched, or none, as there was none.
QString leftBehind(const FailureContext& context) {
    return context.fileExisted ? QStringLiteral("%1 is as it was").arg(context.file)
                               : QStringLiteral("%1 was not created").arg(context.file);
}

// The headline before the error's own words, or nothing where the job never meets the failure.
std::optional<QString> headline(Failure failure, const FailureContext& context) {
    const QString& consequence = context.consequence;
    switch (context.job) {
    case WindowJob::StartUp:
        if (failure == Failure::Store) return QStringLiteral("The work store cannot be used, so designs cannot be loaded");
        break;
    case WindowJob::Load:
        if (failure == Failure::DesignFile) return QStringLiteral("The design file cannot be read");
        if (failure == Failure::Store) return QStringLiteral("The design cannot be stored; the previous design stays");
        break;
    case WindowJob::Refresh:
        switch (failure) {
        case Failure::Option: return QStringLiteral("The G-code program was not refreshed%1").arg(consequence);
        case Failure::Store:
            return QStringLiteral("The stored design cannot be read, so the G-code program was not refreshed%1").arg(consequence);
        case Failure::Write:
            return QStringLiteral("The G-code program cannot be written, so it was not refreshed%1").arg(consequence);
        case Failure::ReadBack:
            return QStringLiteral("The G-code program cannot be read back, so it is not shown%1").arg(consequence);
        default: break;
        }
        break;
    case WindowJob::Save:
        if (failure == Failure::Store) return QStringLiteral("The stored design cannot be read, so %1 was not written").arg(context.file);
        if (failure == Failure::Write || failure == Failure::Option)
            return QStringLiteral("The G-code program was not saved; %1").arg(leftBehind(context));
        break;
    case WindowJob::SaveFromStitch:
        if (failure == Failure::Store) return QStringLiteral("The stored design cannot be read");
        break;
    case WindowJob::Draw:
        if (failure == Failure::Store) return QStringLiteral("The stored design cannot be read");
        if (failure == Failure::Option) return QStringLiteral("The design was not drawn");
        break;
    case WindowJob::SaveTrace:
        if (failure == Failure::Write) return QStringLiteral("The outline trace was not saved; %1").arg(leftBehind(context));
        break;
    case WindowJob::Connect:
        if (failure == Failure::Link) return QStringLiteral("The machine cannot be connected");
        break;
    }
    return std::nullopt;
}

}  // namespace

std::optional<QString> failureText(const std::exception& error, const FailureContext& context) {
    const std::optional<Failure> failure = kindOf(error);
    if (!failure) return std::nullopt;
    const QString words = QString::fromStdString(error.what());
    // Before a program is asked for, a refused choice speaks for itself.
    if (*failure == Failure::Option && (context.job == WindowJob::SaveFromStitch || context.job == WindowJob::SaveTrace))
        return words;
    const std::optional<QString> head = headline(*failure, context);
    if (!head) return std::nullopt;
    return *head + QStringLiteral(":\n") + words;
}

bool reportFailures(UserDialogs& dialogs, QWidget* parent, const FailureContext& context,
                    const std::function<void()>& job) {
    try {
        job();
        return true;
    } catch (const std::exception& error) {
        const std::optional<QString> text = failureText(error, context);
        if (!text) throw;
        dialogs.message(parent, UserDialogs::Icon::Critical, kAppTitle, *text);
        return false;
    }
}

}  // namespace tessaline
