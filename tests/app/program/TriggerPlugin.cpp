// Test-only Qt plugin that plays the operator inside the unmodified quorvane program: loaded
// through QT_QPA_GENERIC_PLUGINS=quorvanetrigger:<code>[+<code>...], it waits for the main
// window, types the code into "Edit1" key by key (through the window's own key filter) and
// clicks "SpeedButton1" once the window has armed it. Then it watches the newest row of the test
// record ("RecordList") and prints it whenever it changes, as "record:" and its columns separated
// by tabs; once the row has a verdict it saves a picture of the window to $QUORVANE_TEST_SHOT,
// when that is set, and sends the next code. The program itself carries no test path.

#include <QApplication>
#include <QGenericPlugin>
#include <QKeyEvent>
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
        const QTreeWidgetItem* row = list ? list->topLevelItem(0) : nullptr;
        if (row == nullptr)
            return;
        QStringList columns;
        for (int column = 0; column < row->columnCount(); ++column)
            columns << row->text(column);
        const QString line = columns.join(QLatin1Char('\t'));
        if (line == LastRow_)
            return;
        LastRow_ = line;
        std::printf("record:%s\n", line.toUtf8().constData());
        std::fflush(stdout);
        const QString shot = qEnvironmentVariable("QUORVANE_TEST_SHOT");
        if (columns.last().isEmpty())
            return;
        if (!shot.isEmpty())
            form->grab().save(shot);
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
