#pragma once
// The seam between the window and the user's dialogs: file choosers and message boxes.
// The window asks through this interface so that tests can answer instead of a person.

#include "session/ResumePick.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace tessaline {

// What Machine > Connect offers: the serial devices found, the last port and speed, the chosen
// profile, and why that profile cannot stream (empty when it can).
struct ConnectionRequest {
    QStringList ports;
    QString port;
    int baud = 115200;
    QString profile;
    QString problem;
};

// A line the controller refused when it checked the program.
struct RefusedLine {
    quint64 line = 0;  // in the program, from 1
    QString text;      // the line as sent
    QString error;     // the controller's words
};

struct ConnectionChoice {
    QString port;
    int baud = 115200;
};

class UserDialogs {
public:
    enum class Icon { Information, Warning, Critical };

    virtual ~UserDialogs() = default;
    // Empty when cancelled. filters are name filters ("Gcode (*.GC)"); selected is preselected.
    virtual QString openFileName(QWidget* parent, const QString& title, const QStringList& filters,
                                 const QString& selected) = 0;
    // Empty when cancelled; chosenFilter receives the filter in force when the user accepted.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                                 const QString& selected, QString* chosenFilter) = 0;
    virtual void message(QWidget* parent, Icon icon, const QString& title, const QString& text) = 0;
    // A yes/no question whose safe answer, No, is the default; true for Yes.
    virtual bool confirm(QWidget* parent, const QString& title, const QString& text) = 0;
    // A whole number from minimum to maximum, offering value; nothing when cancelled.
    virtual std::optional<int> askNumber(QWidget* parent, const QString& title, const QString& label, int value,
                                         int minimum, int maximum) = 0;
    // Asks the desktop to show folder in its file manager; false when it could not ask.
    virtual bool showFolder(const QString& folder) = 0;
    // The port and speed to connect at; nothing when cancelled. With a problem it cannot be accepted.
    virtual std::optional<ConnectionChoice> askConnection(QWidget* parent, const ConnectionRequest& request) = 0;
    // A colour stop: names the next thread beside a swatch of colour; true once it is threaded
    // (go on), false to end the run.
    virtual bool askThread(QWidget* parent, const QString& thread, const QColor& colour) = 0;
    // A trim stop: the thread is to be cut before the jumps that follow; true once it is (go on),
    // false to end the run.
    virtual bool askTrim(QWidget* parent) = 0;
    // The lines the controller refused in its check, one a row, below a summary.
    virtual void showRefusedLines(QWidget* parent, const QString& summary, const QList<RefusedLine>& lines) = 0;
    // Where a run resumes: the picked stitch, the caret's move or moves back from the last one
    // confirmed (shown), and the tie-in strokes; nothing when cancelled.
    virtual std::optional<ResumeAnswer> askResume(QWidget* parent, const ResumeOffer& offer) = 0;
};

// The real dialogs of the desktop.
class DesktopDialogs : public UserDialogs {
public:
    QString openFileName(QWidget* parent, const QString& title, const QStringList& filters,
                         const QString& selected) override;
    QString saveFileName(QWidget* parent, const QString& title, const QStringList& filters, const QString& selected,
                         QString* chosenFilter) override;
    void message(QWidget* parent, Icon icon, const QString& title, const QString& text) override;
    bool confirm(QWidget* parent, const QString& title, const QString& text) override;
    std::optional<int> askNumber(QWidget* parent, const QString& title, const QString& label, int value, int minimum,
                                 int maximum) override;
    bool showFolder(const QString& folder) override;
    std::optional<ConnectionChoice> askConnection(QWidget* parent, const ConnectionRequest& request) override;
    bool askThread(QWidget* parent, const QString& thread, const QColor& colour) override;
    bool askTrim(QWidget* parent) override;
    void showRefusedLines(QWidget* parent, const QString& summary, const QList<RefusedLine>& lines) override;
    std::optional<ResumeAnswer> askResume(QWidget* parent, const ResumeOffer& offer) override;
};

}  // namespace tessaline
