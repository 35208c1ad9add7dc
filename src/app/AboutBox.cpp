#include "app/AboutBox.h"

#include "app/AppInfo.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessaline {

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About ") + kAppTitle);

    auto* layout = new QVBoxLayout(this);
    auto addLine = [&](const QString& name, const QString& text) {
        auto* label = new QLabel(text, this);
        label->setObjectName(name);
        label->setAlignment(Qt::AlignHCenter);
        layout->addWidget(label);
        return label;
    };
    QLabel* title = addLine(QStringLiteral("lblTitle"), versionTitleLine());
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    title->setFont(titleFont);
    addLine(QStringLiteral("lblAuthor"), QStringLiteral("Author: Marovek"));
    addLine(QStringLiteral("lblOrigin"), QStringLiteral("Made in Slovenia"));
    layout->addSpacing(8);
    addLine(QStringLiteral("lblThanks"), QStringLiteral("Special Thanks to:"));
    addLine(QStringLiteral("lblCredits"), QStringLiteral("the makers who turned their CNC tables into embroidery machines"));
    addLine(QStringLiteral("lblAnd"), QStringLiteral("And "));

    auto* family = new QGroupBox(QStringLiteral("My family"), this);
    family->setObjectName(QStringLiteral("fraFamily"));
    auto* familyLayout = new QVBoxLayout(family);
    auto* names = new QLabel(QStringLiteral("Ana, Luka and Neža, for their patience\nwith every stitch."), family);
    names->setAlignment(Qt::AlignHCenter);
    familyLayout->addWidget(names);
    layout->addWidget(family);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace tessaline
