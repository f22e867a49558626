// Test-only Qt plugin that plays the operator inside the unmodified quorvane program: loaded
// through QT_QPA_GENERIC_PLUGINS=quorvanetrigger:<code>[+<code>...], it waits for the main
// window, types the code into "Edit1" key by key (through the window's own key filter) and
// clicks "SpeedButton1" once the window has armed it. Then it watches the newest row of the test
// record ("RecordList") and prints it whenever it changes, as "record:" and its columns separated
// by tabs. Once the row has a verdict ("Ergebnis") it sends the next code; when
// $QUORVANE_TEST_SHOT is set, it first selects the row, waits for its picture below the list and
// saves a picture of the window there, then one of the row's measurement sheet beside it
// ("-Messblatt.png").
//
// With "plan=<name>=<code>" (the name "Dauertest*<count>" for a Dauertest) it types the code and
// starts that plan from the "Prüfablauf" box instead, answers the count it is asked, prints every
// row as above, and at the end prints the report dialog's rows and note as "report:" and closes the
// dialog; with $QUORVANE_TEST_SHOT set it saves the window once the second row is judged
// ("-Ablauf.png") and the report dialog
// ("-Bericht.png"). The program itself carries no test path.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QGenericPlugin>
#include <QGroupBox>
#include <QHash>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>

namespace {

class TTriggerDriver : public QObject {
public:
    explicit TTriggerDriver(const QString& codes) : Codes_(codes.split(QLatin1Char('+'))) {
        connect(&Poll_, &QTimer::timeout, this, [this] { Step(); });
        Poll_.start(50);
        connect(&Watch_, &QTimer::timeout, this, [this] { WatchRecord(); });
    }

private:
    void Step() {
        QWidget* form = FindMainForm();
        if (form == nullptr || !form->isVisible())
            return;
        auto* edit = form->findChild<QLineEdit*>(QStringLiteral("Edit1"));
        auto* trigger = form->findChild<QPushButton*>(QStringLiteral("SpeedButton1"));
        if (edit == nullptr || trigger == nullptr)
            return;
        Poll_.stop();
        const QStringList plan = Codes_.first().split(QLatin1Char('='));
        if (plan.size() == 3 && plan[0] == QLatin1String("plan")) {
            Codes_ = {plan[2]};
            Type(edit);
            StartPlan(form, plan[1]);
            return;
        }
        Type(edit);
        trigger->click();
        Watch_.start(100);
    }

    // Types the next code key by key, through the window's own key filter.
    void Type(QLineEdit* edit) {
        edit->clear();
        for (QChar c : Codes_.takeFirst()) {
            QKeyEvent press(QEvent::KeyPress, c.toUpper().unicode(), Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, c.toUpper().unicode(), Qt::NoModifier,
                              QString(c));
            QApplication::sendEvent(edit, &press);
            QApplication::sendEvent(edit, &release);
        }
    }

    void WatchRecord() {
        QWidget* form = FindMainForm();
        auto* list = form ? form->findChild<QTreeWidget*>(QStringLiteral("RecordList")) : nullptr;
        QTreeWidgetItem* row = list ? list->topLevelItem(0) : nullptr;
        if (row == nullptr)
            return;
        // During a run every row that changed, oldest first, so a verdict that came just before
        // the next alarm is not lost behind it.
        for (int older = list->topLevelItemCount() - 1; PlanWatch_.isActive() && older > 0; --older)
            Print(list, list->topLevelItem(older));
        const int verdict = Print(list, row);
        if (verdict < 0 || row->text(verdict).isEmpty())
            return;
        if (PlanWatch_.isActive()) {
            // During a run: the window with its progress, once the second row is judged.
            const QString shot = qEnvironmentVariable("QUORVANE_TEST_SHOT");
            if (!shot.isEmpty() && list->topLevelItemCount() == 2 && Shot_ != row)
                form->grab().save(
                    QString(shot).replace(QLatin1String(".png"), QLatin1String("-Ablauf.png")));
            Shot_ = row;
            return;
        }
        // The picture shows once the row is complete: the row selected, its picture below.
        if (const QString shot = qEnvironmentVariable("QUORVANE_TEST_SHOT"); !shot.isEmpty()) {
            if (list->currentItem() != row)
                list->setCurrentItem(row);
            const auto* picture = form->findChild<QLabel*>(QStringLiteral("PictureView"));
            if (picture == nullptr || picture->pixmap().isNull())
                return;
            if (Shot_ != row) {
                form->grab().save(shot);
                // Then its measurement sheet, as a double click opens it.
                emit list->itemDoubleClicked(row, 0);
                if (auto* detail = form->findChild<QWidget*>(QStringLiteral("AlarmDetail"))) {
                    QApplication::processEvents();
                    detail->grab().save(QString(shot).replace(QLatin1String(".png"),
                                                              QLatin1String("-Messblatt.png")));
                    detail->close();
                }
            }
            Shot_ = row;
        }
        if (!Codes_.isEmpty())
            Step();
    }

    // Prints the row when it changed; returns the column of its verdict.
    int Print(const QTreeWidget* list, const QTreeWidgetItem* row) {
        QStringList columns;
        int verdict = -1;
        for (int column = 0; column < row->columnCount(); ++column) {
            columns << row->text(column);
            if (list->headerItem()->text(column) == QLatin1String("Ergebnis"))
                verdict = column;
        }
        if (const QString line = columns.join(QLatin1Char('\t')); line != LastRows_[row]) {
            LastRows_[row] = line;
            std::printf("record:%s\n", line.toUtf8().constData());
            std::fflush(stdout);
        }
        return verdict;
    }

    // Picks the plan from the box's menu; the count it asks is answered from the plan watch.
    void StartPlan(QWidget* form, const QString& plan) {
        const QStringList parts = plan.split(QLatin1Char('*'));
        Count_ = parts.size() > 1 ? parts[1].toInt() : 0;
        auto* box = form->findChild<QGroupBox*>(QStringLiteral("PlanRun"));
        auto* start = box ? box->findChild<QPushButton*>() : nullptr;
        if (start == nullptr || start->menu() == nullptr)
            return;
        for (QAction* action : start->menu()->actions())
            if (action->text().startsWith(parts[0]))
                QTimer::singleShot(0, action, &QAction::trigger);
        connect(&PlanWatch_, &QTimer::timeout, this, [this] { WatchPlan(); });
        PlanWatch_.start(100);
        Watch_.start(100);
    }

    void WatchPlan() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* ask = qobject_cast<QInputDialog*>(widget); ask && ask->isVisible()) {
                ask->setIntValue(Count_);
                ask->accept();
            }
            auto* dialog = qobject_cast<QDialog*>(widget);
            if (dialog == nullptr || !dialog->isVisible() ||
                dialog->windowTitle() != QStringLiteral("Prüfbericht"))
                continue;
            // Every row as it stands now, then the report: the run ends as its last row is judged.
            QWidget* form = FindMainForm();
            if (auto* list = form->findChild<QTreeWidget*>(QStringLiteral("RecordList")))
                for (int older = list->topLevelItemCount() - 1; older >= 0; --older)
                    Print(list, list->topLevelItem(older));
            const auto* note = dialog->findChild<QPlainTextEdit*>(QStringLiteral("Bemerkung"));
            QString rows;
            for (const QRadioButton* choice : dialog->findChildren<QRadioButton*>())
                if (choice->isChecked())
                    rows = choice->text();
            if (const QString shot = qEnvironmentVariable("QUORVANE_TEST_SHOT"); !shot.isEmpty())
                dialog->grab().save(
                    QString(shot).replace(QLatin1String(".png"), QLatin1String("-Bericht.png")));
            std::printf("report:%s\t%s\n", rows.toUtf8().constData(),
                        note ? note->toPlainText().toUtf8().constData() : "");
            std::fflush(stdout);
            dialog->reject();
            PlanWatch_.stop();
        }
    }

    static QWidget* FindMainForm() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == QLatin1String("MainForm"))
                return widget;
        return nullptr;
    }

    QStringList Codes_;
    QTimer Poll_;
    QTimer Watch_;
    QTimer PlanWatch_;
    int Count_ = 0;
    QHash<const QTreeWidgetItem*, QString> LastRows_;
    const QTreeWidgetItem* Shot_ = nullptr;
};

} // namespace

class TTriggerPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "TriggerPlugin.json")

public:
    QObject* create(const QString& key, const QString& parameters) override {
        if (key != QLatin1String("quorvanetrigger"))
            return nullptr;
        return new TTriggerDriver(parameters);
    }
};

#include "TriggerPlugin.moc"
