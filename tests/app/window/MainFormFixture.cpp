#include "MainFormFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <cstdlib>
#include <fstream>

TModalAnswerer::TModalAnswerer() {
    Poll_.setInterval(10);
    connect(&Poll_, &QTimer::timeout, this, [this] { Answer(); });
    Poll_.start();
}

void TModalAnswerer::Answer() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible())
        return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        Messages.push_back(box->text());
        if (!Buttons.empty()) {
            for (QAbstractButton* button : box->buttons())
                if (button->text() == Buttons.front()) {
                    Buttons.erase(Buttons.begin());
                    button->click();
                    return;
                }
        }
        box->accept();
        return;
    }
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        Dialogs.push_back(QString::fromLatin1(dialog->metaObject()->className()));
        if (AcceptDialogs) {
            if (auto* list = dialog->findChild<QComboBox*>(); list && DialogItem >= 0)
                list->setCurrentIndex(DialogItem);
            dialog->accept();
        } else
            dialog->reject();
    }
}

TWorkingFolder::TWorkingFolder() : Previous_(std::filesystem::current_path()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-wd-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a working folder");
    Path_ = pattern;
    std::filesystem::current_path(Path_);
}

TWorkingFolder::~TWorkingFolder() {
    std::error_code ignored;
    std::filesystem::current_path(Previous_, ignored);
    std::filesystem::remove_all(Path_, ignored);
}

void TWorkingFolder::WriteFile(const std::string& name, const std::string& content) const {
    std::ofstream(Path_ / name, std::ios::binary) << content;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    return QTest::qWaitFor(condition, static_cast<int>(timeout.count()));
}

std::string AwaitBytes(TVirtualComPort& port, std::size_t count,
                       std::chrono::milliseconds timeout) {
    std::string got;
    WaitUntil(
        [&] {
            got += port.Read(count - got.size(), std::chrono::milliseconds(5));
            return got.size() >= count;
        },
        timeout);
    return got;
}

void ChooseItem(QComboBox& box, int index) {
    box.setCurrentIndex(index);
    emit box.activated(index);
}

TMainFormTest::TMainFormTest()
    : Capture([this](const std::string&, const std::string& text) { Reports.push_back(text); }) {}

TMainFormTest::~TMainFormTest() = default;

TVirtualComPort& TMainFormTest::AddPort(unsigned comNumber) {
    Ports.push_back(std::make_unique<TVirtualComPort>(Dir, comNumber));
    return *Ports.back();
}

TMainForm& TMainFormTest::CreateForm() {
    Form = std::make_unique<TMainForm>();
    Form->show();
    return *Form;
}

void TMainFormTest::StopTimers() {
    Form->Timer1->stop();
    Form->Timer2->stop();
    Form->Timer3->stop();
}
