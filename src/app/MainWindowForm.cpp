#include "app/MainWindowForm.h"

#include "app/CanvasWidget.h"
#include "app/GcodePane.h"
#include "app/MarkerImage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTextEdit>

#include <array>
#include <utility>

namespace tessaline {

namespace {

enum class Kind {
    Frame, Label, Button, Check, Option, Text, Notes, EditCombo, ListCombo,
    GcodePane, StatsPane, Viewport, Canvas, Image, VScroll, HScroll, Slider
};

enum Flag : unsigned {
    None = 0,
    Hidden = 1u << 0,
    Disabled = 1u << 1,
    Checked = 1u << 2,
    RedText = 1u << 3,
    Arial = 1u << 4,
    Narrow = 1u << 5,  // a smaller size where a long caption meets its neighbour
};

struct ControlSpec {
    Kind kind;
    const char* name;
    const char* parent;  // "" for the client area
    const char* text;
    int left, top, width, height;  // twips, relative to the container
    unsigned flags;
};

// Containers come before their children; later entries lie above earlier ones.
constexpr ControlSpec kControls[] = {
    // Left column
    {Kind::Frame, "Frame2_0", "", "", 75, 60, 2475, 7995, None},
    {Kind::Label, "Label15", "Frame2_0", "Important Notes:", 120, 150, 2200, 240, None},
    {Kind::Notes, "RimpNotes", "Frame2_0", "", 60, 390, 2355, 615, None},
    {Kind::Label, "Label2", "Frame2_0", "Gcode Header", 120, 1110, 2200, 240, None},
    {Kind::Check, "G90", "Frame2_0", "G90", 120, 1350, 720, 285, Checked},
    {Kind::Check, "G21", "Frame2_0", "G21", 870, 1350, 720, 285, Checked},
    {Kind::Check, "G64", "Frame2_0", "G64", 1620, 1350, 720, 285, Checked},
    {Kind::Label, "Label3", "Frame2_0", "Gcode Footer", 120, 1740, 2200, 240, None},
    {Kind::Check, "M02", "Frame2_0", "M02", 120, 1980, 720, 285, Checked},
    {Kind::Check, "M30", "Frame2_0", "M30", 870, 1980, 720, 285, Checked},
    {Kind::Check, "M786", "Frame2_0", "M786", 1620, 1980, 780, 285, Checked | RedText},
    {Kind::Label, "Label22", "Frame2_0", "Feed (mm/min)", 120, 2400, 2200, 240, None},
    {Kind::EditCombo, "cmbFeed", "Frame2_0", "1500", 120, 2640, 2235, 330, None},
    {Kind::Label, "Label7", "Frame2_0", "Min. X:", 120, 3180, 900, 240, None},
    {Kind::Label, "MinX", "Frame2_0", "", 1020, 3180, 1380, 240, None},
    {Kind::Label, "Label8", "Frame2_0", "Min. Y:", 120, 3540, 900, 240, None},
    {Kind::Label, "MinY", "Frame2_0", "", 1020, 3540, 1380, 240, None},
    {Kind::Label, "Label9", "Frame2_0", "Max. X:", 120, 3900, 900, 240, None},
    {Kind::Label, "MaxX", "Frame2_0", "", 1020, 3900, 1380, 240, None},
    {Kind::Label, "Label10", "Frame2_0", "Max. Y:", 120, 4260, 900, 240, None},
    {Kind::Label, "MaxY", "Frame2_0", "", 1020, 4260, 1380, 240, None},
    {Kind::Frame, "Frame2_1", "Frame2_0", "Thread Color", 60, 5460, 2325, 2445, None},

    // Design panel
    {Kind::Frame, "Frame1", "", "", 2640, 45, 11025, 8010, None},
    {Kind::Label, "Label4", "Frame1", "Total Stitches:", 150, 210, 1200, 240, None},
    {Kind::Label, "lblStitch", "Frame1", "", 1380, 210, 1260, 240, None},
    {Kind::Label, "Label5", "Frame1", "Total Colors:", 150, 450, 1200, 240, None},
    {Kind::Label, "LblColor", "Frame1", "", 1380, 450, 1260, 240, None},
    {Kind::Label, "Label19", "Frame1", "Jump Stitches:", 2760, 210, 1140, 240, None},
    {Kind::Label, "JStitch", "Frame1", "", 3900, 210, 1740, 240, None},
    {Kind::Label, "Label6", "Frame1", "Dimensions:", 2760, 450, 1140, 240, None},
    {Kind::Label, "lblHe", "Frame1", "", 3900, 450, 1800, 240, None},
    {Kind::Label, "lblH", "Frame1", "", 150, 690, 600, 240, Hidden},
    {Kind::Label, "lblW", "Frame1", "", 780, 690, 600, 240, Hidden},
    {Kind::Label, "Fname", "Frame1", "", 1410, 690, 1200, 240, Hidden},
    {Kind::Label, "Label1", "Frame1", "Gcode", 150, 690, 3600, 240, None},
    {Kind::Label, "Label18", "Frame1", "", 3900, 690, 1740, 240, None},
    {Kind::Frame, "Frame4", "Frame1", "Gcode Parameters", 5715, 165, 5220, 675, None},
    {Kind::Option, "Zmove", "Frame4", "Z Moves", 120, 285, 1020, 285, Checked},
    {Kind::Label, "Label24", "Frame4", "Z-motor counter:", 1170, 315, 1200, 240, None},
    {Kind::ListCombo, "CmbZmotorCounter", "Frame4", "", 2370, 255, 660, 330, None},
    {Kind::Text, "txtZ", "Frame4", "-8", 3120, 255, 600, 330, None},
    {Kind::Label, "Label23", "Frame4", "Short Z", 3810, 315, 600, 240, None},
    {Kind::Text, "TxtSZ", "Frame4", "-2", 4440, 255, 600, 330, None},
    {Kind::Check, "Xinrt", "Frame1", "X invert", 7395, 870, 1050, 285, None},
    {Kind::Check, "Yinrt", "Frame1", "Y invert", 8445, 870, 1050, 285, None},
    {Kind::Button, "Command6", "Frame1", "Populate", 9690, 855, 1245, 315, Disabled},
    {Kind::Viewport, "Picture2", "Frame1", "", 150, 945, 6645, 6645, None},
    {Kind::Canvas, "Picture1", "Picture2", "", 0, 0, 10000, 10000, None},
    {Kind::Image, "ImgDCentre", "Picture1", "", 0, 0, 240, 240, None},
    {Kind::Image, "ImgCtr", "Picture1", "", 0, 0, 240, 240, None},
    {Kind::Image, "ImgCur", "Picture1", "", 0, 0, 480, 480, None},
    {Kind::VScroll, "VScroll1", "Frame1", "", 6840, 975, 285, 6645, None},
    {Kind::HScroll, "HScroll1", "Frame1", "", 135, 7650, 6690, 270, None},

    // G-code pane, above the design panel
    {Kind::GcodePane, "RGcode", "", "", 10035, 1230, 3450, 6705, None},

    // Command row
    {Kind::Button, "Command5", "", "Open DST", 1065, 8115, 1200, 750, None},
    {Kind::Button, "Command3", "", "SAVE GCODE", 2280, 8115, 1200, 750, Disabled},
    {Kind::Check, "NeedlePoint", "", "Show Needle Point", 3855, 8100, 1860, 285, Checked},
    {Kind::Button, "Command2", "", "Draw", 3735, 8445, 1890, 420, Disabled},
    {Kind::Check, "Check1", "", "Show Cross Hair when scrolling Gcode", 5745, 8085, 3400, 255, Checked},
    {Kind::Label, "Label20_6", "", "Machine SPM:", 5775, 8490, 2250, 300, None},
    {Kind::Slider, "SLAni", "", "", 8115, 8340, 2415, 255, None},
    {Kind::Label, "Label11", "", "Simulation Speed", 8430, 8610, 1800, 240, Arial},
    {Kind::Label, "Label16", "", "Thread Thickness", 10515, 8550, 1260, 240, Narrow},
    {Kind::ListCombo, "Combo1", "", "", 11790, 8475, 540, 330, None},
    {Kind::Label, "Label14", "", "Scale:", 11010, 8190, 720, 240, Arial},
    {Kind::ListCombo, "cmbscale", "", "", 11775, 8130, 555, 330, None},
    {Kind::Button, "cmdExit", "", "Exit", 12360, 8160, 1200, 750, None},

    // Time estimate
    {Kind::Frame, "Frame3", "", "Estimated Time", 75, 8895, 11490, 1275, Arial},
    {Kind::Label, "Label20_0", "Frame3", "Machine SPM:", 120, 285, 1440, 240, Narrow},
    {Kind::EditCombo, "CmbSPM", "Frame3", "100", 1575, 240, 660, 330, None},
    {Kind::Label, "Label20_2", "Frame3", "Thread Change Time:", 120, 615, 1440, 240, Narrow},
    {Kind::EditCombo, "CmbTCT", "Frame3", "10", 1575, 570, 660, 330, None},
    {Kind::Label, "Label20_3", "Frame3", "Min.", 2250, 615, 350, 240, None},
    {Kind::Label, "Label20_1", "Frame3", "Hoop Installation:", 120, 945, 1440, 240, Narrow},
    {Kind::EditCombo, "CmbHI", "Frame3", "10", 1575, 900, 660, 330, None},
    {Kind::Label, "Label20_4", "Frame3", "Min.", 2250, 945, 350, 240, None},
    {Kind::StatsPane, "RTET", "Frame3", "", 4320, 180, 5805, 1005, None},

    // Hoop options
    {Kind::Label, "Label25", "", "Hoop Diameter:", 11640, 9120, 1170, 240, None},
    {Kind::EditCombo, "cmbHoopDia", "", "", 12840, 9000, 780, 330, None},
    {Kind::Label, "Label26", "", "Show Hoop :", 11640, 9480, 1170, 240, None},
    {Kind::Check, "ChkHoop", "", "", 12960, 9480, 300, 285, Checked},
    {Kind::Label, "Label27", "", "Show Boundary:", 11640, 9840, 1290, 240, None},
    {Kind::Check, "ChkBRect", "", "", 12960, 9840, 300, 285, Checked},
};

QWidget* create(const ControlSpec& spec, QWidget* parent) {
    const QString text = QString::fromUtf8(spec.text);
    switch (spec.kind) {
    case Kind::Frame: return new QGroupBox(text, parent);
    case Kind::Label: return new QLabel(text, parent);
    case Kind::Button: return new QPushButton(text, parent);
    case Kind::Check: {
        auto* box = new QCheckBox(text, parent);
        box->setChecked(spec.flags & Checked);
        return box;
    }
    case Kind::Option: {
        auto* option = new QRadioButton(text, parent);
        option->setChecked(spec.flags & Checked);
        // Alone in its frame, an auto-exclusive option could be clicked off; a group keeps it on.
        (new QButtonGroup(parent))->addButton(option);
        return option;
    }
    case Kind::Text: return new QLineEdit(text, parent);
    case Kind::Notes: {
        auto* notes = new QPlainTextEdit(text, parent);
        notes->setTabChangesFocus(true);
        return notes;
    }
    case Kind::EditCombo: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setEditText(text);
        return combo;
    }
    case Kind::ListCombo: return new QComboBox(parent);
    case Kind::GcodePane: return new GcodePane(parent);
    case Kind::StatsPane: {
        auto* pane = new QTextEdit(parent);
        pane->setReadOnly(true);
        // A long line (the hoop warning) wraps within the pane's width rather than running out of sight.
        pane->setLineWrapMode(QTextEdit::WidgetWidth);
        return pane;
    }
    case Kind::Viewport: {
        auto* viewport = new QWidget(parent);
        viewport->setAutoFillBackground(true);
        return viewport;
    }
    case Kind::Canvas: return new CanvasWidget(parent);
    case Kind::Image: return new MarkerImage(parent);
    case Kind::VScroll: return new QScrollBar(Qt::Vertical, parent);
    case Kind::HScroll: return new QScrollBar(Qt::Horizontal, parent);
    case Kind::Slider: return new QSlider(Qt::Horizontal, parent);
    }
    return nullptr;
}

}  // namespace

// Tool tips the form gives its controls at creation.
constexpr std::pair<const char*, const char*> kToolTips[] = {
    {"txtZ", "Value of Z"},
};

void buildForm(QWidget* client) {
    QFont arial = client->font();
    arial.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    for (const ControlSpec& spec : kControls) {
        QWidget* parent = client;
        if (spec.parent[0] != '\0') parent = client->findChild<QWidget*>(QString::fromUtf8(spec.parent));
        Q_ASSERT(parent);
        QWidget* widget = create(spec, parent);
        widget->setObjectName(QString::fromUtf8(spec.name));
        widget->setGeometry(twipsToPixels(spec.left), twipsToPixels(spec.top), twipsToPixels(spec.width),
                            twipsToPixels(spec.height));
        if (spec.flags & Disabled) widget->setEnabled(false);
        if (spec.flags & Hidden) widget->setVisible(false);
        if (spec.flags & Arial) {
            widget->setFont(arial);
        } else if (parent != client) {
            // A frame's caption font is its own: its children keep the window's font.
            widget->setFont(client->font());
        }
        if (spec.flags & Narrow) {
            QFont narrow = widget->font();
            narrow.setPixelSize(10);
            widget->setFont(narrow);
        }
        if (spec.flags & RedText) {
            // Red only while enabled: a disabled control's caption greys like every other.
            QPalette palette = widget->palette();
            for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
                palette.setColor(group, QPalette::WindowText, Qt::red);
                palette.setColor(group, QPalette::ButtonText, Qt::red);
            }
            widget->setPalette(palette);
        }
    }

    // The 36 swatches: a 6 x 6 grid in "Thread Color"; the 35 bars in "Estimated Time".
    auto* swatchFrame = client->findChild<QWidget*>(QStringLiteral("Frame2_1"));
    for (int i = 0; i < 36; ++i) {
        auto* swatch = new QLabel(swatchFrame);
        swatch->setObjectName(QStringLiteral("Label17_%1").arg(i));
        swatch->setAutoFillBackground(true);
        swatch->setFrameShape(QFrame::Box);
        swatch->setGeometry(twipsToPixels(120 + (i % 6) * 345), twipsToPixels(300 + (i / 6) * 345),
                            twipsToPixels(300), twipsToPixels(300));
    }
    auto* estimateFrame = client->findChild<QWidget*>(QStringLiteral("Frame3"));
    for (int i = 36; i <= 70; ++i) {
        auto* bar = new QLabel(estimateFrame);
        bar->setObjectName(QStringLiteral("Label17_%1").arg(i));
        bar->setAutoFillBackground(true);
    }
    for (const auto& [name, tip] : kToolTips) client->findChild<QWidget*>(QString::fromUtf8(name))->setToolTip(QString::fromUtf8(tip));
    // The statistics pane lies above the bars it is moved along.
    client->findChild<QWidget*>(QStringLiteral("RTET"))->raise();
}

}  // namespace tessaline
