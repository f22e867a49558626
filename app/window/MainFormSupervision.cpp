// Link supervision: the poll request, the encoder's replies and the link watchdog.

#include "app/window/Controls.h"
#include "app/window/MainForm.h"
#include "app/window/PlanRunPanel.h"
#include "app/window/TestRecordPanel.h"

#include <QApplication>
#include <QTimer>
#include <utility>

void TMainForm::Timer1Timer() {
    if (!SioComPort1->Open() && !OpenPortQuietly())
        return;
    try {
        SioComPort1->WriteString(std::string(PollRequest));
        OutputFullReported_ = false;
    } catch (const EOutputBufferTooSmall&) {
        // While the line does not drain, every tick would fail the same way: told once, until a
        // poll goes out again.
        if (!std::exchange(OutputFullReported_, true))
            throw;
    }
}

bool TMainForm::OpenPortQuietly() {
    // A poll never asks the operator for a port: with none chosen it waits until one is picked
    // in "Schnittstellenauswahl".
    if (SioComPort1->ComNumber() == 0)
        return false;
    // The chosen port's failure was reported when it was chosen; while it stays busy or
    // forbidden, polls try again without a box on every tick, and polling starts once it opens.
    try {
        SioComPort1->SetOpen(true);
    } catch (...) {
        return false;
    }
    return SioComPort1->Open();
}

bool TMainForm::EncoderReachable() const {
    return SioComPort1->DeviceAttached() && Panel4->isHidden();
}

void TMainForm::SioComPort1TriggerAvail(TSioCustomComPort& CP, std::uint16_t Count) {
    for (std::uint16_t i = 0; i < Count; ++i) {
        const TReplyKind reply = DecodeReplyByte(CP.ReadChar());
        ShowReply(reply);
        ApplyReply(reply, LastReplyWasAck, LinkWatchdog);
        TestRecord->ReplyReceived(reply);
        PlanRun->ReplyReceived(reply);
    }
}

void TMainForm::ShowReply(TReplyKind reply) {
    switch (reply) {
    case TReplyKind::Ack:
        Panel2->SetCaption(QStringLiteral("ACK"));
        Panel3->SetCaption(QString());
        break;
    case TReplyKind::CarrierNeutral:
        Panel1->SetColor(QApplication::palette().color(QPalette::Button));
        break;
    case TReplyKind::CarrierLime:
        Panel1->SetColor(QColor(0, 255, 0));
        break;
    case TReplyKind::Nak:
        Panel2->SetCaption(QStringLiteral("NAK"));
        Panel3->SetCaption(QStringLiteral("Puffer voll"));
        break;
    case TReplyKind::EncoderRunning:
        Panel3->SetCaption(QStringLiteral("Geber läuft"));
        break;
    case TReplyKind::Ignored:
        break;
    }
}

void TMainForm::Timer3Timer() {
    if (!WatchdogTickShowsBanner(LinkWatchdog)) {
        Panel4->hide();
        return;
    }
    if (Panel4->isHidden()) {
        TestRecord->LinkLost();
        PlanRun->LinkLost();
    }
    Panel4->show();
    Panel4->SetColor(QColor(255, 255, 0));
    Panel4->SetFontColor(QColor(255, 0, 0));
    Panel4->SetCaption(QStringLiteral("Verbindung unterbrochen"));
    Panel2->SetCaption(QStringLiteral(" "));
    Panel3->SetCaption(QStringLiteral(" "));
}
