#include "app/window/CodeField.h"

#include "app/window/WindowRules.h"

#include <QFontMetricsF>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QValidator>
#include <algorithm>

namespace {

// QLineEdit's fixed inner margin on each side, and its cursor.
constexpr int LineEditHorizontalMargin = 2;
constexpr int CursorWidth = 1;

const QString AdmittedCharacters = QStringLiteral("0123456789ABCDEabcde");

// Qt runs the validator on every change of the text, whatever made it, before the change
// reaches the field; a validator may rewrite the text, which is how the filter applies.
class TCodeValidator : public QValidator {
public:
    explicit TCodeValidator(const TCodeField& field) : QValidator(nullptr), Field_(field) {}

    State validate(QString& input, int& pos) const override {
        const std::u32string edited = input.toStdU32String();
        const TFilteredCode filtered =
            FilterCodeEdit(Accepted_, edited, static_cast<std::size_t>(std::max(pos, 0)),
                           static_cast<std::size_t>(Field_.MaxCodeLength()));
        Accepted_ = filtered.Text;
        input = QString::fromStdU32String(filtered.Text);
        pos = static_cast<int>(filtered.Cursor);
        return Acceptable;
    }

private:
    const TCodeField& Field_;
    // The text the field was last given; what an edit inserted is told apart from it.
    mutable std::u32string Accepted_;
};

} // namespace

TCodeField::TCodeField(int storedPixelSize, QWidget* parent)
    : QLineEdit(parent), StoredPixelSize_(storedPixelSize) {
    auto* validator = new TCodeValidator(*this);
    validator->setParent(this);
    setValidator(validator);
}

void TCodeField::SetMaxCodeLength(int length) {
    MaxCodeLength_ = std::max(length, 0);
    if (text().size() > MaxCodeLength_)
        setText(text().left(MaxCodeLength_));
    FitFont();
}

void TCodeField::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    FitFont();
}

void TCodeField::FitFont() {
    QFont fitted = font();
    for (int pixels = StoredPixelSize_; pixels > 1; --pixels) {
        fitted.setPixelSize(pixels);
        const QFontMetricsF metrics(fitted);
        qreal widest = 0;
        for (const QChar c : AdmittedCharacters)
            widest = std::max(widest, metrics.horizontalAdvance(QString(MaxCodeLength_, c)));
        if (widest <= TextRoom(fitted))
            break;
    }
    if (fitted != font())
        setFont(fitted);
}

qreal TCodeField::TextRoom(const QFont& font) const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, this)
                               .marginsRemoved(textMargins());
    const QFontMetrics metrics(font);
    const int bearings =
        std::max(0, -metrics.minLeftBearing()) + std::max(0, -metrics.minRightBearing());
    return contents.width() - 2 * LineEditHorizontalMargin - CursorWidth - bearings;
}
