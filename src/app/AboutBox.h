#pragma once
// The About box: title and version, author, credits. Modeless; OK, Enter and Escape close it.

#include <QDialog>

namespace tessaline {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace tessaline
