#include "serial/component/ComSelectForm.h"

#include "runtime/StrToInt.h"
#include "serial/component/SioPortList.h"

#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

namespace {

// The digits follow "COM"; the run-time's copy takes at most 255 characters.
constexpr qsizetype NumberStart = 3;
constexpr qsizetype NumberLength = 255;

} // namespace

TComSelectForm::TComSelectForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName("ComSelectForm");
    setWindowTitle("Select Port");
    setFixedSize(220, 131);
    QFont formFont("MS Sans Serif");
    formFont.setPixelSize(11);
    setFont(formFont);
    QPalette formPalette = palette();
    formPalette.setColor(QPalette::WindowText, Qt::black);
    setPalette(formPalette);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 201, 42);

    Label1 = new QLabel("The configured serial port is not valid.", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(18, 14, 176, 13);
    Label2 = new QLabel("Please choose another port.", this);
    Label2->setObjectName("Label2");
    Label2->setGeometry(18, 30, 133, 13);

    OkBtn = new QPushButton("OK", this);
    OkBtn->setObjectName("OkBtn");
    OkBtn->setGeometry(8, 95, 85, 27);
    OkBtn->setDefault(true);
    AbortBtn = new QPushButton("Cancel", this);
    AbortBtn->setObjectName("AbortBtn");
    AbortBtn->setGeometry(124, 95, 85, 27);
    PortsComboBox = new QComboBox(this);
    PortsComboBox->setObjectName("PortsComboBox");
    PortsComboBox->setEditable(false);
    PortsComboBox->setGeometry(8, 64, 201, 21);

    FitCaptions();

    setTabOrder(OkBtn, AbortBtn);
    setTabOrder(AbortBtn, PortsComboBox);
    OkBtn->setFocus();

    connect(OkBtn, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(AbortBtn, &QPushButton::clicked, this, [this] { done(mrAbort); });

    FormCreate();
}

void TComSelectForm::FormCreate() {
    PortsComboBox->addItems(AvailablePortEntries());
    if (PortsComboBox->count() > 0)
        PortsComboBox->setCurrentIndex(0);
}

void TComSelectForm::FitCaptions() {
    // The stored bounds were measured with another font: a caption that needs more room widens
    // its label, and the frame, the list, the buttons' span and the dialog widen with it.
    const int storedRight = Bevel1->geometry().right() - (Label1->geometry().right() + 1);
    int labelsRight = 0;
    for (QLabel* label : {Label1, Label2}) {
        label->resize(label->size().expandedTo(label->sizeHint()));
        labelsRight = std::max(labelsRight, label->geometry().right());
    }
    const int growth = std::max(0, labelsRight + storedRight + 1 - Bevel1->geometry().right());
    if (growth == 0)
        return;
    Bevel1->resize(Bevel1->width() + growth, Bevel1->height());
    PortsComboBox->resize(PortsComboBox->width() + growth, PortsComboBox->height());
    AbortBtn->move(AbortBtn->x() + growth, AbortBtn->y());
    setFixedSize(width() + growth, height());
}

std::int32_t TComSelectForm::SelectedComNumber() const {
    const QString name = PortsComboBox->currentIndex() >= 0 ? PortsComboBox->currentText() : "";
    return StrToInt(name.mid(NumberStart, NumberLength).toStdString());
}

void TComSelectForm::keyPressEvent(QKeyEvent* event) {
    // No button is the cancel button, so Escape is an ordinary key here.
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TComSelectForm::showEvent(QShowEvent* event) {
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

void TComSelectForm::reject() {
    done(mrCancel);
}
