#pragma once
// Answers the window's dialogs in tests: scripted file names, recorded messages.

#include "app/UserDialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace tessaline::testing {

struct RecordedMessage {
    UserDialogs::Icon icon;
    QString title;
    QString text;
};

struct RecordedFileDialog {
    QString title;
    QStringList filters;
    QString selected;
};

class FakeDialogs : public UserDialogs {
public:
    std::deque<QString> fileNames;  // answers to the next file dialogs; empty means cancelled
    QString saveFilter;             // the filter in force when a save dialog is accepted
    std::vector<RecordedMessage> messages;
    std::vector<RecordedFileDialog> fileDialogs;
    bool confirmAnswer = true;   // the answer to every yes/no question
    std::vector<QString> questions;
    std::optional<int> numberAnswer;  // the answer to the next number question; none: cancelled
    int offeredNumber = 0;            // what the last number question offered
    int numberMaximum = 0;
    std::vector<QString> shownFolders;  // folders the desktop was asked to show
    bool folderShown = false;           // what asking the desktop returns
    std::optional<ConnectionChoice> connection;  // the answer to every connect dialog
    std::vector<ConnectionRequest> connectionRequests;
    // Answers to colour stops, one each; when they run out, Continue. Each stop is recorded.
    std::deque<bool> threadAnswers;
    std::vector<std::pair<QString, QColor>> threadStops;
    int trimStops = 0;  // trim stops asked about; each is answered "go on"
    struct CheckReport {
        QString summary;
        QList<RefusedLine> lines;
    };
    std::vector<CheckReport> checkReports;  // every check on the controller shown
    std::optional<ResumeAnswer> resumeAnswer;  // the answer to every resume dialog; none: cancelled
    std::vector<ResumeOffer> resumeOffers;

    QString openFileName(QWidget*, const QString& title, const QStringList& filters, const QString& selected) override {
        fileDialogs.push_back({title, filters, selected});
        return next();
    }
    QString saveFileName(QWidget*, const QString& title, const QStringList& filters, const QString& selected,
                         QString* chosenFilter) override {
        fileDialogs.push_back({title, filters, selected});
        if (chosenFilter) *chosenFilter = saveFilter.isEmpty() ? selected : saveFilter;
        return next();
    }
    void message(QWidget*, Icon icon, const QString& title, const QString& text) override {
        messages.push_back({icon, title, text});
    }
    std::optional<int> askNumber(QWidget*, const QString&, const QString&, int value, int, int maximum) override {
        offeredNumber = value;
        numberMaximum = maximum;
        return std::exchange(numberAnswer, std::nullopt);
    }
    bool confirm(QWidget*, const QString&, const QString& text) override {
        questions.push_back(text);
        return confirmAnswer;
    }
    bool showFolder(const QString& folder) override {
        shownFolders.push_back(folder);
        return folderShown;
    }
    std::optional<ConnectionChoice> askConnection(QWidget*, const ConnectionRequest& request) override {
        connectionRequests.push_back(request);
        return connection;
    }
    bool askThread(QWidget*, const QString& thread, const QColor& colour) override {
        threadStops.emplace_back(thread, colour);
        if (threadAnswers.empty()) return true;
        const bool answer = threadAnswers.front();
        threadAnswers.pop_front();
        return answer;
    }
    bool askTrim(QWidget*) override {
        ++trimStops;
        return true;
    }

    void showRefusedLines(QWidget*, const QString& summary, const QList<RefusedLine>& lines) override {
        checkReports.push_back({summary, lines});
    }
    std::optional<ResumeAnswer> askResume(QWidget*, const ResumeOffer& offer) override {
        resumeOffers.push_back(offer);
        return resumeAnswer;
    }

private:
    QString next() {
        if (fileNames.empty()) return {};
        QString name = fileNames.front();
        fileNames.pop_front();
        return name;
    }
};

}  // namespace tessaline::testing
