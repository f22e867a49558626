#include "app/window/WidgetText.h"

#include <QComboBox>

std::string Latin1Bytes(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

QString FromLatin1Bytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

int SelectedItemIndex(const QComboBox& box) {
    const int index = box.currentIndex();
    return index >= 0 && box.itemText(index) == box.currentText() ? index : -1;
}
