#include "app/UserDialogs.h"

#include "session/SessionOptions.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QInputDialog>
#include <QIntValidator>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QUrl>

namespace tessaline {

QString DesktopDialogs::openFileName(QWidget* parent, const QString& title, const QStringList& filters,
                                     const QString& selected) {
    QString chosen = selected;
    return QFileDialog::getOpenFileName(parent, title, QString(), filters.join(QStringLiteral(";;")), &chosen);
}

QString DesktopDialogs::saveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                                     const QString& selected, QString* chosenFilter) {
    QString chosen = selected;
    // The window asks before replacing, once the extension it adds is known.
    QString name = QFileDialog::getSaveFileName(parent, title, QString(), filters.join(QStringLiteral(";;")), &chosen,
                                                QFileDialog::DontConfirmOverwrite);
    if (chosenFilter) *chosenFilter = chosen;
    return name;
}

void DesktopDialogs::message(QWidget* parent, Icon icon, const QString& title, const QString& text) {
    const QMessageBox::Icon boxIcon = icon == Icon::Information ? QMessageBox::Information
                                      : icon == Icon::Warning   ? QMessageBox::Warning
                                                                : QMessageBox::Critical;
    QMessageBox box(boxIcon, title, text, QMessageBox::Ok, parent);
    // Paths and reasons in a message can be copied.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
}

bool DesktopDialogs::confirm(QWidget* parent, const QString& title, const QString& text) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

std::optional<int> DesktopDialogs::askNumber(QWidget* parent, const QString& title, const QString& label, int value,
                                             int minimum, int maximum) {
    bool accepted = false;
    const int number = QInputDialog::getInt(parent, title, label, value, minimum, maximum, 1, &accepted);
    if (!accepted) return std::nullopt;
    return number;
}

bool DesktopDialogs::showFolder(const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

std::optional<ConnectionChoice> DesktopDialogs::askConnection(QWidget* parent, const ConnectionRequest& request) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Connect to the Machine"));
    auto* form = new QFormLayout(&dialog);
    // Editable: a device not in the list (a pseudo-terminal, a renamed port) can be typed.
    auto* port = new QComboBox(&dialog);
    port->setObjectName(QStringLiteral("cmbPort"));
    port->setEditable(true);
    port->addItems(request.ports);
    port->setEditText(request.port.isEmpty() && !request.ports.isEmpty() ? request.ports.front() : request.port);
    port->setMinimumContentsLength(32);
    form->addRow(QStringLiteral("Serial port:"), port);
    auto* baud = new QComboBox(&dialog);
    baud->setObjectName(QStringLiteral("cmbBaud"));
    baud->setEditable(true);
    for (int speed : {9600, 19200, 38400, 57600, 115200, 230400, 250000, 460800, 921600}) baud->addItem(QString::number(speed));
    baud->setValidator(new QIntValidator(1, 4000000, baud));
    baud->setEditText(QString::number(request.baud));
    form->addRow(QStringLiteral("Speed (baud):"), baud);
    form->addRow(QStringLiteral("Machine profile:"), new QLabel(request.profile, &dialog));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Connect"));
    if (!request.problem.isEmpty()) {
        auto* problem = new QLabel(request.problem, &dialog);
        problem->setWordWrap(true);
        form->addRow(problem);
        buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    }
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return ConnectionChoice{port->currentText().trimmed(), baud->currentText().toInt()};
}

bool DesktopDialogs::askThread(QWidget* parent, const QString& thread, const QColor& colour) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Colour Stop"),
                    QStringLiteral("Thread the machine with\n%1\nthen choose Continue.").arg(thread),
                    QMessageBox::NoButton, parent);
    QPixmap swatch(48, 48);
    swatch.fill(colour);
    QPainter(&swatch).drawRect(0, 0, 47, 47);
    box.setIconPixmap(swatch);
    QPushButton* go = box.addButton(QStringLiteral("Continue"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Stop Run"), QMessageBox::RejectRole);
    box.setDefaultButton(go);
    box.exec();
    return box.clickedButton() == go;
}

bool DesktopDialogs::askTrim(QWidget* parent) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Trim Stop"),
                    QStringLiteral("Cut the thread for the jump that follows,\nthen choose Continue."),
                    QMessageBox::NoButton, parent);
    QPushButton* go = box.addButton(QStringLiteral("Continue"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Stop Run"), QMessageBox::RejectRole);
    box.setDefaultButton(go);
    box.exec();
    return box.clickedButton() == go;
}

void DesktopDialogs::showRefusedLines(QWidget* parent, const QString& summary, const QList<RefusedLine>& lines) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Check on the Controller"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(summary, &dialog);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label);
    if (!lines.isEmpty()) {
        auto* table = new QTableWidget(static_cast<int>(lines.size()), 3, &dialog);
        table->setHorizontalHeaderLabels({QStringLiteral("Line"), QStringLiteral("Program text"), QStringLiteral("Controller's error")});
        table->verticalHeader()->hide();
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        for (int row = 0; row < table->rowCount(); ++row) {
            const RefusedLine& refused = lines[row];
            table->setItem(row, 0, new QTableWidgetItem(QString::number(refused.line)));
            table->setItem(row, 1, new QTableWidgetItem(refused.text));
            table->setItem(row, 2, new QTableWidgetItem(refused.error));
        }
        table->resizeColumnsToContents();
        table->horizontalHeader()->setStretchLastSection(true);
        table->setMinimumWidth(640);
        layout->addWidget(table);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.exec();
}

std::optional<ResumeAnswer> DesktopDialogs::askResume(QWidget* parent, const ResumeOffer& offer) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Resume from Stitch"));
    auto* form = new QFormLayout(&dialog);
    form->addRow(new QLabel(offer.lastConfirmed > 0
                                ? QStringLiteral("The machine confirmed needle moves up to %1 of %2.").arg(offer.lastConfirmed).arg(offer.moves)
                                : QStringLiteral("The machine confirmed no needle move of %1.").arg(offer.moves),
                            &dialog));
    auto* picked = new QRadioButton(offer.picked ? QStringLiteral("The stitch picked on the preview: move %1").arg(*offer.picked)
                                                 : QStringLiteral("The stitch picked on the preview (click the preview first)"),
                                    &dialog);
    picked->setEnabled(offer.picked.has_value());
    auto* caret = new QRadioButton(offer.caret ? QStringLiteral("The move on the caret's line: move %1").arg(*offer.caret)
                                               : QStringLiteral("The move on the caret's line (the caret is on none)"),
                                   &dialog);
    caret->setEnabled(offer.caret.has_value());
    auto* back = new QRadioButton(&dialog);
    auto* count = new QSpinBox(&dialog);
    count->setRange(0, 1000000);
    count->setValue(3);
    const auto showBack = [&] {
        const auto move = resumeMoveOf(offer, {ResumeWay::Back, static_cast<std::uint64_t>(count->value()), 0});
        back->setText(QStringLiteral("Back from the last confirmed move: move %1").arg(move.value_or(0)));
    };
    showBack();
    QObject::connect(count, &QSpinBox::valueChanged, &dialog, showBack);
    (offer.picked ? picked : back)->setChecked(true);
    form->addRow(picked);
    form->addRow(caret);
    form->addRow(back, count);
    auto* tieIns = new QSpinBox(&dialog);
    tieIns->setRange(0, kMaxTieIns);
    form->addRow(QStringLiteral("Tie-in strokes in place:"), tieIns);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Resume"));
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    ResumeAnswer answer;
    answer.way = picked->isChecked() ? ResumeWay::Picked : caret->isChecked() ? ResumeWay::Caret : ResumeWay::Back;
    answer.back = static_cast<std::uint64_t>(count->value());
    answer.tieIns = tieIns->value();
    return answer;
}

}  // namespace tessaline
