#pragma once
// The window's link to the machine: holds the serial port while connected, streams a send plan
// through the controller stream with the window's event loop (a socket notifier on the port, a
// timer for status queries), asks at colour stops, and says how a run ended.

#include "design/DesignFormat.h"
#include "gcode/MachineProfile.h"
#include "machine/SendPlan.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <vector>

class QSocketNotifier;
class QWidget;

namespace tessaline {

class ControllerStream;
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
    // Holds the machine; not at a colour stop, nor while grbl is not moving (it would not hold).
    void pause();
    void resume();
    // Ends the run: the controller is held and its queue dropped; the run ends once it settles.
    void stop();

    // stop(), serving events until the controller has settled and the run has ended.
    void stopAndWait();

    // Connection, controller state, machine position and stitch count, for the status bar.
    QString statusText() const;

signals:
    // Connected, disconnected, a run started, paused, continued or ended.
    void stateChanged();
    void statusChanged(const QString& text);

private:
    void readPort();
    void tick();
    void askAtColourStop();
    void finishRun();
    void portGone();
    double now() const;
    std::uint64_t stitchesDone() const;

    QWidget* window_;
    UserDialogs& dialogs_;
    std::unique_ptr<SerialLink> link_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer timer_;
    QElapsedTimer clock_;
    std::unique_ptr<ControllerStream> stream_;
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
    std::uint64_t answeredLine_ = 0;
    double stoppedAt_ = 0;
};

}  // namespace tessaline
