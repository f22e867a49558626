// Test-only Qt plugin that plays the operator inside the unmodified quorvane program: loaded
// through QT_QPA_GENERIC_PLUGINS=quorvanetrigger:<code>, it waits for the main window, types the
// code into "Edit1" key by key (through the window's own key filter) and clicks "SpeedButton1"
// once the window has armed it. The program itself carries no test path.

#include <QApplication>
#include <QGenericPlugin>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

class TTriggerDriver : public QObject {
public:
    explicit TTriggerDriver(QString code) : Code_(std::move(code)) {
        connect(&Poll_, &QTimer::timeout, this, [this] { Step(); });
        Poll_.start(50);
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
        for (QChar c : Code_) {
            QKeyEvent press(QEvent::KeyPress, c.toUpper().unicode(), Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, c.toUpper().unicode(), Qt::NoModifier,
                              QString(c));
            QApplication::sendEvent(edit, &press);
            QApplication::sendEvent(edit, &release);
        }
        trigger->click();
    }

    static QWidget* FindMainForm() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == QLatin1String("MainForm"))
                return widget;
        return nullptr;
    }

    QString Code_;
    QTimer Poll_;
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
