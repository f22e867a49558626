#pragma once
// The two kinds of control the main window needs beyond Qt's own widgets.
//
// TPanel is a framed caption with its own background and font colour (the status panels, the
// carrier lamp, the link banner). TRadioGroup is a titled group of exclusive radio buttons
// addressed by item index, laid out in columns filled top to bottom; it always has one item
// selected once ItemIndex is set. TComboBox is a drop-down list that tells, just before its list
// opens, so the items can be made afresh. All are plain widgets of the GUI thread.

#include <QColor>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QString>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class QButtonGroup;
class QRadioButton;

class TPanel : public QLabel {
public:
    explicit TPanel(QWidget* parent);

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    QColor Color() const;
    void SetColor(const QColor& color);
    QColor FontColor() const;
    void SetFontColor(const QColor& color);
};

class TComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;

    // Runs before the list opens; it must not throw.
    void SetOnDropDown(std::function<void()> handler) { OnDropDown_ = std::move(handler); }
    void showPopup() override;

private:
    std::function<void()> OnDropDown_;
};

// A wheel notch over a selector passed on the way would change what it selects: the selector
// takes the wheel only while it has the focus.
void IgnoreWheelUnlessFocused(QComboBox* selector);

class TRadioGroup : public QGroupBox {
public:
    TRadioGroup(const QString& caption, const std::vector<std::string>& items, int columns,
                QWidget* parent);

    int ItemIndex() const;
    void SetItemIndex(int index);
    int ItemCount() const { return static_cast<int>(Buttons_.size()); }
    QRadioButton* Item(int index) const { return Buttons_.at(static_cast<std::size_t>(index)); }
    // The button that takes the keyboard focus when the group is tabbed to.
    QWidget* FocusItem() const;

private:
    QButtonGroup* Group_;
    std::vector<QRadioButton*> Buttons_;
};
