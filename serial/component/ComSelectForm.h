#pragma once
// The port selection dialog that the component shows when it must open a port and no port
// number is set.
//
// Creating it probes ports 1 to 50 (ProbePort, a short exclusive open each) and lists those that
// pass as "COM<n>" in ascending order, the first selected. exec() returns mrOk only when OK was
// pressed, mrAbort for Cancel and mrCancel for the title bar's close button; Escape does not
// close it. SelectedComNumber converts the selected name's digits and raises EConvertError when
// there are none (an empty list). Captions that need more room than their stored bounds widen
// the dialog. GUI thread only.

#include <QDialog>
#include <cstdint>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QKeyEvent;
class QShowEvent;

class TComSelectForm : public QDialog {
public:
    enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3 };

    explicit TComSelectForm(QWidget* parent = nullptr);

    std::int32_t SelectedComNumber() const;

    QLabel* Label1;
    QLabel* Label2;
    QFrame* Bevel1;
    QPushButton* OkBtn;
    QPushButton* AbortBtn;
    QComboBox* PortsComboBox;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

public:
    // The title bar's close button and every other dismissal.
    void reject() override;

private:
    void FormCreate();
    void FitCaptions();
};
