#include "app/MachineRunner.h"

#include "app/AppInfo.h"
#include "app/UserDialogs.h"
#include "common/NumberFormat.h"
#include "machine/ControllerStream.h"
#include "machine/ControllerUnlock.h"
#include "machine/SerialLink.h"
#include "preview/DesignColours.h"

#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>
#include <QWidget>

#include <algorithm>

namespace tessaline {

namespace {

constexpr int kTickMilliseconds = 20;
// How long a stop may take to hold and reset the controller before the run is given up.
constexpr double kSettleSeconds = 5;
// How long an unlock waits for the controller's answers.
constexpr int kUnlockMilliseconds = 5000;

}  // namespace

MachineRunner::MachineRunner(QWidget* window, UserDialogs& dialogs) : QObject(window), window_(window), dialogs_(dialogs) {
    timer_.setInterval(kTickMilliseconds);
    connect(&timer_, &QTimer::timeout, this, &MachineRunner::tick);
    unlockTimer_.setSingleShot(true);
    unlockTimer_.setInterval(kUnlockMilliseconds);
    connect(&unlockTimer_, &QTimer::timeout, this, [this] {
        state_ = QStringLiteral("no answer to the unlock");
        endUnlock();
    });
    clock_.start();
}

MachineRunner::~MachineRunner() {
    // A run cut short by closing the window still stops the controller.
    if (running_ && stream_) stream_->stop();
}

double MachineRunner::now() const { return static_cast<double>(clock_.nsecsElapsed()) / 1e9; }

void MachineRunner::connectTo(const QString& port, int baud) {
    disconnectPort();
    link_ = std::make_unique<SerialLink>(QFile::encodeName(port).toStdString(), baud);
    port_ = port;
    state_.clear();
    havePosition_ = false;
    notifier_ = new QSocketNotifier(link_->descriptor(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &MachineRunner::readPort);
    emit stateChanged();
    emit statusChanged(statusText());
}

void MachineRunner::disconnectPort() {
    if (!link_) return;
    unlock_.reset();
    unlockTimer_.stop();
    if (running_) {
        stream_->portClosed();
        finishRun();
    }
    delete notifier_;
    notifier_ = nullptr;
    link_.reset();
    emit stateChanged();
    emit statusChanged(statusText());
}

void MachineRunner::run(SendPlan plan, const MachineProfile& profile, std::vector<DesignThread> threads) {
    start(std::move(plan), profile, std::move(threads), false);
}

void MachineRunner::check(SendPlan plan, const MachineProfile& profile) {
    if (canCheck(profile)) start(std::move(plan), profile, {}, true);
}

void MachineRunner::start(SendPlan plan, const MachineProfile& profile, std::vector<DesignThread> threads, bool checkOnly) {
    if (!link_ || running_ || unlock_) return;
    checkOnly_ = checkOnly;
    plan_ = std::move(plan);
    threads_ = std::move(threads);
    stopText_.clear();
    finished_ = false;
    paused_ = false;
    answeredLine_ = 0;
    stoppedAt_ = 0;
    protocol_ = profile.protocol;
    state_.clear();
    StreamSettings settings;
    settings.protocol = profile.protocol;
    settings.receiveBuffer = profile.receiveBuffer;
    settings.checkOnly = checkOnly;
    ControllerStream::Listener listener;
    listener.stopped = [this](StreamStop, const std::string& text) { stopText_ = QString::fromStdString(text); };
    listener.status = [this](const ControllerStatus& status) {
        state_ = QString::fromStdString(status.state);
        if (status.hasPosition) {
            position_[0] = status.position[0];
            position_[1] = status.position[1];
            havePosition_ = true;
        }
    };
    listener.message = [this](const std::string& text) { state_ = QString::fromStdString(text); };
    stream_ = std::make_unique<ControllerStream>(
        streamLines(plan_.text, profile.protocol), settings,
        [this](std::string_view bytes) {
            try {
                link_->write(bytes);
            } catch (const SerialLinkError&) {
                // The next read sees the port gone and ends the run with the reason.
            }
        },
        listener);
    stream_->setStops(plan_.stops);
    running_ = true;
    startedAt_ = now();
    stream_->start(now());
    timer_.start();
    emit stateChanged();
    emit statusChanged(statusText());
}

void MachineRunner::pause() {
    // At a colour stop the machine already rests; a hold there would let Continue pass the stop
    // without the person being asked for the next thread. grbl ignores a feed hold unless it
    // is moving, so Continue after such a hold could likewise pass a stop reached meanwhile.
    if (!running_ || paused_ || stoppedAt_ != 0 || asking_ || stream_->waitingForPerson()) return;
    if (protocol_ == LinkProtocol::Grbl && !state_.startsWith(QStringLiteral("Run"))) return;
    stream_->hold();
    paused_ = true;
    emit stateChanged();
}

void MachineRunner::resume() {
    if (!running_ || !paused_ || stoppedAt_ != 0) return;
    stream_->resume();
    paused_ = false;
    emit stateChanged();
}

void MachineRunner::stop() {
    if (!running_ || stoppedAt_ != 0) return;
    stoppedAt_ = now();
    stream_->stop();
}

void MachineRunner::stopAndWait(bool report) {
    reportEnd_ = report;
    stop();
    QEventLoop loop;
    const auto quit = connect(this, &MachineRunner::stateChanged, &loop, [this, &loop] {
        if (!running_) loop.quit();
    });
    if (running_) loop.exec();
    disconnect(quit);
    reportEnd_ = true;
}

std::uint64_t MachineRunner::lastConfirmedMove() const {
    if (!stream_ || checkOnly_) return 0;
    const std::uint64_t done = stitchesDone();
    return done > 0 ? plan_.firstMove - 1 + done : 0;
}

void MachineRunner::readPort() {
    if (!link_) return;
    const auto bytes = link_->read();
    if (!bytes) {
        portGone();
        return;
    }
    // Between runs the controller's reports are not needed, but for an unlock's answers; they
    // are read so none pile up.
    if (running_) stream_->received(*bytes, now());
    else if (unlock_) unlockReceived(*bytes);
}

void MachineRunner::unlock(const MachineProfile& profile) {
    if (!link_ || running_ || unlock_) return;
    unlock_ = std::make_unique<ControllerUnlock>(profile.protocol);
    unlockInput_.clear();
    const std::string bytes = unlock_->start();
    state_ = QString::fromStdString(unlock_->state());
    emit stateChanged();
    try {
        link_->write(bytes);
    } catch (const SerialLinkError&) {
        // The next read sees the port gone.
    }
    if (unlock_->done()) endUnlock();
    else unlockTimer_.start();
    emit statusChanged(statusText());
}

void MachineRunner::unlockReceived(std::string_view bytes) {
    unlockInput_.append(bytes);
    std::string reply;
    for (std::size_t end; unlock_ && (end = unlockInput_.find('\n')) != std::string::npos;) {
        std::string line = unlockInput_.substr(0, end);
        unlockInput_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        reply += unlock_->line(line);
        state_ = QString::fromStdString(unlock_->state());
    }
    if (!reply.empty()) {
        try {
            link_->write(reply);
        } catch (const SerialLinkError&) {
        }
    }
    if (unlock_->done()) endUnlock();
    emit statusChanged(statusText());
}

void MachineRunner::endUnlock() {
    unlockTimer_.stop();
    unlock_.reset();
    emit stateChanged();
    emit statusChanged(statusText());
}

void MachineRunner::portGone() {
    if (running_) stream_->portClosed();
    if (running_) finishRun();
    const QString port = port_;
    disconnectPort();
    dialogs_.message(window_, UserDialogs::Icon::Warning, kAppTitle,
                     QStringLiteral("%1 has gone; the machine is disconnected.").arg(port));
}

void MachineRunner::tick() {
    if (!running_) return;
    stream_->tick(now());
    if (stream_->stopReason() != StreamStop::None && stoppedAt_ == 0) stoppedAt_ = now();
    if (stream_->stopReason() != StreamStop::None && (!stream_->settling() || now() - stoppedAt_ >= kSettleSeconds)) {
        finishRun();
        return;
    }
    if (paused_ && stream_->waitingForPerson()) {
        paused_ = false;  // the hold landed on a stop: the stop's question, not the person's pause
        emit stateChanged();
    }
    emit statusChanged(statusText());
    if (!checkOnly_) emit progressed();
    if (!asking_ && stream_->stopReason() == StreamStop::None && stream_->waitingForPerson() &&
        stream_->currentProgramLine() != answeredLine_) {
        askAtColourStop();
    }
}

void MachineRunner::askAtColourStop() {
    // The dialog's own event loop keeps serving the port and the timer, so status reports go on.
    asking_ = true;
    const std::uint64_t line = stream_->currentProgramLine();
    const PlanStop* at = stopAt(plan_, line);
    const bool threaded = at != nullptr && !at->colour ? dialogs_.askTrim(window_) : askForThread(line);
    asking_ = false;
    if (!running_ || stream_->stopReason() != StreamStop::None || stoppedAt_ != 0) return;
    if (threaded) {
        answeredLine_ = line;
        stream_->resume();
    } else {
        stop();
    }
}

bool MachineRunner::askForThread(std::uint64_t line) {
    const int colour = nextColour(plan_, line);
    const auto index = static_cast<std::size_t>(colour - 1);
    const QColor swatch = colour >= 1 && index < threads_.size()
                              ? QColor(threads_[index].red, threads_[index].green, threads_[index].blue)
                              : threadColourOf(nullptr, colour);
    return dialogs_.askThread(window_, QString::fromStdString(threadText(threads_, colour)), swatch);
}

std::uint64_t MachineRunner::stitchesDone() const {
    if (finished_) return plan_.moveLines.size();
    if (!stream_) return 0;
    // An answered line may still wait in the controller's queue; only lines known made count.
    return std::min<std::uint64_t>(movesDone(plan_, stream_->executedProgramLine()), plan_.moveLines.size());
}

std::uint64_t MachineRunner::stitchesAnswered() const {
    if (finished_) return plan_.moveLines.size();
    if (!stream_) return 0;
    return std::min<std::uint64_t>(movesDone(plan_, stream_->answeredProgramLine()), plan_.moveLines.size());
}

bool MachineRunner::reportsExecution() const { return !stream_ || stream_->reportsExecution(); }

std::uint64_t MachineRunner::executingLine() const {
    if (!stream_) return 0;
    if (finished_ && !stream_->lines().empty()) return stream_->lines().back().programLine;
    return stream_->currentProgramLine();
}

std::optional<QPointF> MachineRunner::machinePosition() const {
    if (!havePosition_) return std::nullopt;
    return QPointF(position_[0], position_[1]);
}

double MachineRunner::runSeconds() const {
    if (!stream_) return 0;
    return (running_ ? now() : endedAt_) - startedAt_;
}

void MachineRunner::finishRun() {
    timer_.stop();
    running_ = false;
    paused_ = false;
    finished_ = stream_->stopReason() == StreamStop::Finished;
    endedAt_ = now();
    emit stateChanged();
    emit statusChanged(statusText());
    if (checkOnly_) {
        reportCheck();
        return;
    }
    emit progressed();
    if (finished_ || !reportEnd_) return;
    const std::uint64_t resumeAt = resumeMove(plan_, stream_->currentProgramLine());
    const QString reason = stopText_.isEmpty() ? QStringLiteral("the run was given up") : stopText_;
    dialogs_.message(window_, UserDialogs::Icon::Warning, kAppTitle,
                     QStringLiteral("%1: %2.\nThe machine confirmed the needle moves before %3; resume from needle move %3.")
                         .arg(port_, reason)
                         .arg(resumeAt));
}

void MachineRunner::reportCheck() {
    if (!finished_) {
        const QString reason = stopText_.isEmpty() ? QStringLiteral("the check was given up") : stopText_;
        dialogs_.message(window_, UserDialogs::Icon::Warning, kAppTitle,
                         QStringLiteral("%1: %2.\nThe check did not finish.").arg(port_, reason));
        return;
    }
    QList<RefusedLine> refused;
    const auto& lines = stream_->lines();
    for (const ControllerFinding& finding : stream_->findings()) {
        const auto sent = std::lower_bound(lines.begin(), lines.end(), finding.programLine,
                                           [](const StreamLine& line, std::uint64_t number) { return line.programLine < number; });
        const bool found = sent != lines.end() && sent->programLine == finding.programLine;
        refused.push_back({finding.programLine, found ? QString::fromStdString(sent->text) : QString(),
                           QString::fromStdString(finding.text)});
    }
    const QString summary = refused.isEmpty() ? QStringLiteral("The controller took every line of the program.")
                                              : QStringLiteral("The controller refused %1 of the program's lines:").arg(refused.size());
    dialogs_.showRefusedLines(window_, summary, refused);
}

QString MachineRunner::statusText() const {
    if (!link_ && !running_) return QStringLiteral("Not connected");
    QStringList parts{QStringLiteral("Connected: %1").arg(port_)};
    if (!state_.isEmpty()) parts << state_;
    if (havePosition_) {
        parts << QStringLiteral("X %1 Y %2").arg(QString::fromStdString(formatFixed(position_[0], 3)),
                                                 QString::fromStdString(formatFixed(position_[1], 3)));
    }
    if (stream_ && checkOnly_) {
        parts << (running_ ? QStringLiteral("checking the program") : QStringLiteral("check ended"));
    } else if (stream_) {
        // Counted in the design's needle moves, a resumed run's first move after those before it.
        const std::uint64_t before = plan_.firstMove - 1;
        const std::uint64_t total = before + plan_.moveLines.size();
        if (reportsExecution()) parts << QStringLiteral("Stitch %1 of %2").arg(before + stitchesDone()).arg(total);
        else parts << QStringLiteral("Stitch %1 of %2 answered").arg(before + stitchesAnswered()).arg(total);
        if (!running_) parts << (finished_ ? QStringLiteral("run finished") : QStringLiteral("run ended"));
        else if (paused_) parts << QStringLiteral("paused");
    }
    return parts.join(QStringLiteral("  |  "));
}

}  // namespace tessaline
