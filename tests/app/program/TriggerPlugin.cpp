// Test-only Qt plugin that plays the operator inside the unmodified quorvane program: loaded
// through QT_QPA_GENERIC_PLUGINS=quorvanetrigger:<code>[+<code>...], it waits for the main
// window, types the code into "Edit1" key by key (through the window's own key filter) and
// clicks "SpeedButton1" once the window has armed it. Then it watches the newest row of the test
// record ("RecordList") and prints it whenever it changes, as "record:" and its columns separated
// by tabs. Once the row has a verdict ("Ergebnis") it sends the next code; when
// $QUORVANE_TEST_SHOT is set, it first selects the row, waits for its picture below the list and
// saves a picture of the window there, then one of the row's measurement sheet beside it
// ("-Messblatt.png"). The program itself carries no test path.

#include <QApplication>
#include <QGenericPlugin>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
        edit->clear();
        for (QChar c : Codes_.takeFirst()) {
            QKeyEvent press(QEvent::KeyPress, c.toUpper().unicode(), Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, c.toUpper().unicode(), Qt::NoModifier,
                              QString(c));
            QApplication::sendEvent(edit, &press);
            QApplication::sendEvent(edit, &release);
        }
        trigger->click();
        Watch_.start(100);
    }

    void WatchRecord() {
        QWidget* form = FindMainForm();
        auto* list = form ? form->findChild<QTreeWidget*>(QStringLiteral("RecordList")) : nullptr;
        QTreeWidgetItem* row = list ? list->topLevelItem(0) : nullptr;
        if (row == nullptr)
            return;
        QStringList columns;
        int verdict = -1;
        for (int column = 0; column < row->columnCount(); ++column) {
            columns << row->text(column);
            if (list->headerItem()->text(column) == QLatin1String("Ergebnis"))
                verdict = column;
        }
        if (const QString line = columns.join(QLatin1Char('\t')); line != LastRow_) {
            LastRow_ = line;
            std::printf("record:%s\n", line.toUtf8().constData());
            std::fflush(stdout);
        }
        if (verdict < 0 || row->text(verdict).isEmpty())
            return;
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

    static QWidget* FindMainForm() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == QLatin1String("MainForm"))
                return widget;
        return nullptr;
    }

    QStringList Codes_;
    QTimer Poll_;
    QTimer Watch_;
    QString LastRow_;
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
