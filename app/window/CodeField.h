#pragma once
// The code field: a single-line edit that admits only code characters whichever way text
// arrives (typed, pasted, dropped, composed, from an input method), and shows a whole code.
//
// Every change passes one filter before it reaches the field (FilterCodeEdit): characters other
// than 0-9, A-E and a-e are dropped, then what was inserted is cut so that the text stays within
// MaxCodeLength. Qt's own maximum length stays unlimited, because it would cut a paste before
// the filter has seen it. The font keeps its stored pixel size while a full-length code of the
// widest admitted characters fits the field's bounds, and otherwise takes the largest size that
// fits. GUI thread.

#include <QLineEdit>

class TCodeField : public QLineEdit {
public:
    TCodeField(int storedPixelSize, QWidget* parent);

    int MaxCodeLength() const { return MaxCodeLength_; }
    // Cuts a longer text, and fits the font to the new length.
    void SetMaxCodeLength(int length);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitFont();
    // The width a code may take without scrolling, as QLineEdit lays out its text.
    qreal TextRoom(const QFont& font) const;

    int StoredPixelSize_;
    int MaxCodeLength_ = 0;
};
