// The test record's controls in the band between the option groups and the status line: the
// tone input, the sequence standard and the level on one line, the record list below. The band
// starts below the lowest option group as the window's fonts have sized it (the ten-character
// pre-tone group grows past its stored bounds), so no stored control is covered or moved. The
// controls come after every stored control in the tab order.

#include "app/testrecord/TestRecordRow.h"
#include "app/window/Controls.h"
#include "app/window/MainForm.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>

namespace {

QLabel* MakeLabel(QWidget* parent, const char* caption, QRect bounds) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setGeometry(bounds);
    label->resize(label->size().expandedTo(label->sizeHint()));
    return label;
}

QComboBox* MakeList(QWidget* parent, QRect bounds) {
    auto* box = new QComboBox(parent);
    box->setGeometry(bounds);
    return box;
}

// Widths that fit the usual contents at the window's font and leave the verdict in sight; the
// last column takes the rest, and tool tips show whatever is cut off.
constexpr int ColumnWidths[rcColumnCount - 1] = {58, 78, 70, 100, 108, 146, 108, 80};

} // namespace

void TMainForm::CreateTestRecordControls(QWidget* client) {
    int top = 0;
    for (const QWidget* group : {RadioGroup1, RadioGroup2, RadioGroup3, RadioGroup4, RadioGroup5})
        top = std::max(top, group->geometry().bottom() + 2);
    const int bottom = height() - StatusLine->height() - 2;
    GroupBox1 = new QGroupBox(QStringLiteral("Prüfprotokoll"), client);
    GroupBox1->setFlat(true);
    GroupBox1->setGeometry(8, top, 888, bottom - top);

    Label7 = MakeLabel(GroupBox1, "Toneingang", {0, 19, 60, 13});
    ComboBox4 = MakeList(GroupBox1, {64, 15, 260, 21});
    Label8 = MakeLabel(GroupBox1, "Tonfolge", {340, 19, 44, 13});
    ComboBox5 = MakeList(GroupBox1, {390, 15, 80, 21});
    Label9 = MakeLabel(GroupBox1, "Pegel", {486, 19, 30, 13});

    ProgressBar1 = new QProgressBar(GroupBox1);
    ProgressBar1->setGeometry(522, 16, 200, 19);
    // Whole dBFS from the quietest level worth showing up to full scale.
    ProgressBar1->setRange(-60, 0);
    ProgressBar1->setValue(-60);
    ProgressBar1->setTextVisible(true);

    ListView1 = new QTreeWidget(GroupBox1);
    ListView1->setGeometry(0, 39, 888, GroupBox1->height() - 39);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    QStringList titles;
    for (const std::string& title : RecordColumnTitles())
        titles << QString::fromStdString(title);
    ListView1->setHeaderLabels(titles);
    for (int column = 0; column < rcColumnCount - 1; ++column)
        ListView1->setColumnWidth(column, ColumnWidths[column]);

    Timer4 = new QTimer(this);
    Timer4->setSingleShot(true);
    Timer5 = new QTimer(this);
    Timer5->setInterval(100);

    const std::pair<QObject*, const char*> names[] = {{GroupBox1, "GroupBox1"},
                                                      {Label7, "Label7"},
                                                      {ComboBox4, "ComboBox4"},
                                                      {Label8, "Label8"},
                                                      {ComboBox5, "ComboBox5"},
                                                      {Label9, "Label9"},
                                                      {ProgressBar1, "ProgressBar1"},
                                                      {ListView1, "ListView1"},
                                                      {Timer4, "Timer4"},
                                                      {Timer5, "Timer5"}};
    for (const auto& [control, name] : names)
        control->setObjectName(QString::fromLatin1(name));

    QWidget::setTabOrder(ComboBox3, ComboBox4);
    QWidget::setTabOrder(ComboBox4, ComboBox5);
    QWidget::setTabOrder(ComboBox5, ListView1);
}
