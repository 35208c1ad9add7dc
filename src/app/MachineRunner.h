#pragma once
// The window's link to the machine: holds the serial port while connected, streams a send plan
// through the controller stream with the window's event loop (a socket notifier on the port, a
// timer for status queries), asks at colour stops, and says how a run ended.

#include "design/DesignFormat.h"
#include "gcode/MachineProfile.h"
#include "machine/SendPlan.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QTimer>

#include <memory>
#include <string>
#include <string_view>
#include <optional>
#include <vector>

class QSocketNotifier;
class QWidget;

namespace tessaline {

class ControllerStream;
class ControllerUnlock;
class SerialLink;
class UserDialogs;

class MachineRunner : public QObject {
    Q_OBJECT

public:
    MachineRunner(QWidget* window, UserDialogs& dialogs);
    ~MachineRunner() override;

    // Throws SerialLinkError when the port cannot be used (held by another program, missing).
    void connectTo(const QString& port, int baud);
    void disconnectPort();
    bool connected() const { return link_ != nullptr; }
    bool running() const { return running_; }
    bool paused() const { return paused_; }

    // Streams plan to the controller speaking profile's protocol; threads name the colour stops.
    void run(SendPlan plan, const MachineProfile& profile, std::vector<DesignThread> threads);
    // Runs plan through the controller's parser in its check mode, moving nothing, and shows the
    // lines it refuses. Only for a profile with a check mode (grbl's $C).
    void check(SendPlan plan, const MachineProfile& profile);
    bool checking() const { return running_ && checkOnly_; }
    static bool canCheck(const MachineProfile& profile) { return profile.protocol == LinkProtocol::Grbl; }
    // Holds the machine; not at a colour stop, nor while grbl is not moving (it would not hold).
    void pause();
    void resume();
    // Ends the run: the controller is held and its queue dropped; the run ends once it settles.
    void stop();

    // stop(), serving events until the controller has settled and the run has ended. report:
    // whether the end is told as a run that ended early (not when a resume follows at once).
    void stopAndWait(bool report = true);
    // The last run sent was a run (no check) that ended before its last line was confirmed.
    bool endedEarly() const { return !running_ && stream_ && !finished_ && !checkOnly_; }
    // The last of the design's needle moves the machine confirmed made in the run, 0 for none.
    std::uint64_t lastConfirmedMove() const;

    // Brings a controller in alarm or halted out of it between runs, in its protocol's words
    // (ControllerUnlock); the status bar follows its answers. Only connected and not running.
    void unlock(const MachineProfile& profile);
    bool unlocking() const { return unlock_ != nullptr; }

    // Connection, controller state, machine position and stitch count, for the status bar.
    QString statusText() const;

    // The run's program, as sent (empty before the first run).
    const SendPlan& plan() const { return plan_; }
    // The program line the controller carries out (the last line once the run finished), 0 before any.
    std::uint64_t executingLine() const;
    // Needle moves the machine has certainly made in this run: grbl's status reports name the
    // line it moves; Marlin and Klipper say so only at a stop and at the end.
    std::uint64_t stitchesDone() const;
    // Needle moves whose lines the controller answered: taken into its queue, maybe not made yet.
    std::uint64_t stitchesAnswered() const;
    // Whether the controller reports the line it moves (grbl), so answered and done differ little.
    bool reportsExecution() const;
    // The machine position of the last status report, if one came.
    std::optional<QPointF> machinePosition() const;
    // Seconds since the run started, held when it ended.
    double runSeconds() const;

signals:
    // Connected, disconnected, a run started, paused, continued or ended.
    void stateChanged();
    void statusChanged(const QString& text);
    // Every timer tick of a run and once at its end: the line, position and count may have moved.
    void progressed();

private:
    void readPort();
    void tick();
    void start(SendPlan plan, const MachineProfile& profile, std::vector<DesignThread> threads, bool checkOnly);
    // Asks at a stop the machine waits at: the next thread, or a trim.
    void askAtColourStop();
    bool askForThread(std::uint64_t line);
    void reportCheck();
    void finishRun();
    void portGone();
    void unlockReceived(std::string_view bytes);
    void endUnlock();
    double now() const;

    QWidget* window_;
    UserDialogs& dialogs_;
    std::unique_ptr<SerialLink> link_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer timer_;
    QElapsedTimer clock_;
    std::unique_ptr<ControllerStream> stream_;
    std::unique_ptr<ControllerUnlock> unlock_;
    std::string unlockInput_;  // a line begun, not yet ended
    QTimer unlockTimer_;
    SendPlan plan_;
    std::vector<DesignThread> threads_;
    QString port_;
    LinkProtocol protocol_ = LinkProtocol::None;
    QString state_;
    double position_[2] = {0, 0};
    bool havePosition_ = false;
    QString stopText_;
    bool running_ = false;
    bool paused_ = false;
    bool asking_ = false;
    bool finished_ = false;   // the last run sent every line
    bool checkOnly_ = false;  // the last run is a check, moving nothing
    bool reportEnd_ = true;   // an early end is told to the person
    std::uint64_t answeredLine_ = 0;
    double stoppedAt_ = 0;
    double startedAt_ = 0;
    double endedAt_ = 0;
};

}  // namespace tessaline
