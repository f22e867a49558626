#include "app/window/AlarmDetailWindow.h"

#include "app/tonecheck/MeasurementSheet.h"

#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QColor Missed(192, 0, 0);

QTreeWidget* SheetTable(QWidget* parent, const TAlarmJudgement& judgement) {
    auto* table = new QTreeWidget(parent);
    table->setObjectName(QStringLiteral("SheetTable"));
    table->setRootIsDecorated(false);
    table->setUniformRowHeights(true);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    QStringList titles;
    for (const std::string& title : SheetColumnTitles())
        titles << QString::fromStdString(title);
    table->setHeaderLabels(titles);
    for (const TSheetRow& row : SheetRows(judgement)) {
        auto* item = new QTreeWidgetItem(table);
        for (int column = 0; column < scColumnCount; ++column)
            item->setText(column, QString::fromStdString(row[static_cast<std::size_t>(column)]));
        if (row[scResult] != "ok")
            item->setForeground(scResult, Missed);
        if (row[scReserve].starts_with("\u2212"))
            item->setForeground(scReserve, Missed);
    }
    for (int column = 0; column < scColumnCount; ++column)
        table->resizeColumnToContents(column);
    // Every line in sight: the table asks for the height its rows need.
    const int rows = table->topLevelItemCount();
    const int rowHeight = rows > 0 ? table->visualItemRect(table->topLevelItem(0)).height() : 0;
    table->setMinimumHeight(table->header()->sizeHint().height() + rows * rowHeight + 4);
    return table;
}

int TableWidth(const QTreeWidget& table) {
    int width = 4;
    for (int column = 0; column < table.columnCount(); ++column)
        width += table.columnWidth(column);
    return width;
}

} // namespace

QDialog* ShowAlarmDetail(QWidget* parent, const TTestRecordRow& row, const QPixmap& picture) {
    auto* view = new QDialog(parent);
    view->setObjectName(QStringLiteral("AlarmDetail"));
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setWindowTitle(
        QStringLiteral("Prüfprotokoll %1 %2")
            .arg(QString::fromStdString(row.Alarm.Time), QString::fromStdString(row.Alarm.Code)));
    auto* layout = new QVBoxLayout(view);
    auto* verdict = new QLabel(QString::fromStdString(row.Verdict.Text), view);
    verdict->setWordWrap(true);
    layout->addWidget(verdict);
    int width = 600;
    if (row.Judgement) {
        if (const std::string receivers = ReceiverText(row.Judgement->Receivers);
            !receivers.empty())
            layout->addWidget(new QLabel(QString::fromStdString("Empfänger " + receivers), view));
        if (!row.Judgement->Sheet.empty()) {
            QTreeWidget* table = SheetTable(view, *row.Judgement);
            layout->addWidget(table);
            width = std::max(width, TableWidth(*table));
        }
    }
    if (!picture.isNull()) {
        auto* area = new QScrollArea(view);
        auto* label = new QLabel(area);
        label->setPixmap(picture);
        area->setWidget(label);
        area->setMinimumHeight(std::min(picture.height() + 4, 520));
        layout->addWidget(area);
        width = std::max(width, picture.width() + 4);
    }
    view->resize(std::min(width + 40, 1400), view->sizeHint().height());
    view->show();
    return view;
}
