#include "app/window/Controls.h"

#include "app/window/EventHook.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QPalette>
#include <QRadioButton>

TPanel::TPanel(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
}

QColor TPanel::Color() const {
    return palette().color(QPalette::Window);
}

void TPanel::SetColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
}

QColor TPanel::FontColor() const {
    return palette().color(QPalette::WindowText);
}

void TPanel::SetFontColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

void TComboBox::showPopup() {
    if (OnDropDown_)
        OnDropDown_();
    QComboBox::showPopup();
}

TRadioGroup::TRadioGroup(const QString& caption, const std::vector<std::string>& items, int columns,
                         QWidget* parent)
    : QGroupBox(caption, parent), Group_(new QButtonGroup(this)) {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, 4, 4, 4);
    layout->setSpacing(0);
    const int count = static_cast<int>(items.size());
    const int rows = (count + columns - 1) / columns;
    for (int i = 0; i < count; ++i) {
        auto* button =
            new QRadioButton(QString::fromStdString(items[static_cast<std::size_t>(i)]), this);
        Group_->addButton(button, i);
        layout->addWidget(button, i % rows, i / rows);
        Buttons_.push_back(button);
    }
}

int TRadioGroup::ItemIndex() const {
    return Group_->checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
    if (index >= 0 && index < ItemCount())
        Item(index)->setChecked(true);
}

QWidget* TRadioGroup::FocusItem() const {
    const int index = ItemIndex();
    return index >= 0 ? Item(index) : (Buttons_.empty() ? nullptr : Item(0));
}

void IgnoreWheelUnlessFocused(QComboBox* selector) {
    selector->setFocusPolicy(Qt::StrongFocus);
    new TEventHook(
        selector,
        [selector](QObject*, QEvent* event) {
            return event->type() == QEvent::Wheel && !selector->hasFocus();
        },
        selector);
}
