// Who reads the line: the window's thread through a watch on the descriptor, or the event
// worker; and the hand-over between the two (see the design comment in SioPosixDispatcher.h).
#include "serial/engine/posix/SioPosixDispatcher.h"

void TSioPosixDispatcher::ReceiversChanged() {
    if (!Core().Workers().Started())
        return;
    // The one window the window's thread may read for, or 0.
    const TSioWindowHandle window =
        Messenger() && !Core().Workers().Stopping() ? Core().OnlyReceiver() : 0;
    const bool watching =
        LineWatch_.WatchFor(Messenger(), window, Slot_.Fd(), [this] { ReadOnWindowThread(); });
    if (watching && !LineClaim_.HandedOver())
        ChooseReader(TSioLineReader::WindowThread);
    else if (!Core().HasReceivers() && !LineClaim_.Is(TSioLineReader::EventWorker))
        ChooseReader(TSioLineReader::Undecided);
    else
        ChooseReader(TSioLineReader::EventWorker);
}

void TSioPosixDispatcher::ReaderWanted() {
    if (!LineClaim_.Undecided())
        return;
    {
        std::lock_guard lock(Core().StateLock());
        if (LineClaim_.Is(TSioLineReader::Undecided))
            ChooseReader(TSioLineReader::EventWorker);
    }
    // What came before the worker runs is there for this look already.
    Core().FillInput();
}

void TSioPosixDispatcher::ChooseReader(TSioLineReader reader) {
    const bool changed = LineClaim_.MoveTo(reader);
    if (reader == TSioLineReader::EventWorker)
        StartWorker(TSioWorkerKind::Event);
    UpdateWatch();
    // The event worker takes the device into its poll() set, or leaves it out, from its next
    // wait on.
    if (changed)
        Signals_.DeviceWake.Set();
}

void TSioPosixDispatcher::UpdateWatch() {
    LineWatch_.Update([this] {
        return LineClaim_.Is(TSioLineReader::WindowThread) && !Vanished_.Gone() &&
               !Core().InputFull() && !Core().Workers().Stopping();
    });
}

void TSioPosixDispatcher::HandlerOutlivedBound() {
    LineClaim_.NoteHandedOver();
    if (LineClaim_.Is(TSioLineReader::WindowThread))
        ChooseReader(TSioLineReader::EventWorker);
}

bool TSioPosixDispatcher::TakeLineFromSlowHandler() {
    Signals_.HandOver.Consume();
    // The pass may have ended just as the timer ran out.
    if (!Core().WindowReading() || !LineClaim_.Is(TSioLineReader::WindowThread))
        return false;
    LineClaim_.NoteHandedOver();
    ChooseReader(TSioLineReader::EventWorker);
    return true;
}

void TSioPosixDispatcher::HandlerWasQuick() {
    if (!LineClaim_.EndHandOver())
        return;
    std::lock_guard lock(Core().StateLock());
    ReceiversChanged();
}

void TSioPosixDispatcher::ReadOnWindowThread() {
    if (!LineClaim_.Is(TSioLineReader::WindowThread) || Core().Workers().Stopping()) {
        UpdateWatch();
        return;
    }
    TSioWindowRead read(Core());
    if (!Vanished_.Gone())
        Core().FillInput();
    const std::uint64_t announced = Core().AnnouncedTotal();
    const bool announcing = Announcer_.TryRun([this] {
        const bool watched = Core().Workers().Alive(TSioWorkerKind::Event);
        if (watched)
            Signals_.HandOver.Arm(HandOverBound);
        Core().AnnounceInput();
        if (watched)
            Signals_.HandOver.Disarm();
    });
    if (!announcing)
        WakeAnnouncer();
    // Input a worker read while the handler ran, and which the announcement left behind.
    if (Core().AnnouncedTotal() != announced && Core().InputUnannounced())
        AnnouncementDue();
    // A ring the handlers left full switches the watch off, and nobody here would see a hang-up.
    if (Core().InputFull() && LineClaim_.Is(TSioLineReader::WindowThread)) {
        LineClaim_.NoteHandedOver();
        ChooseReader(TSioLineReader::EventWorker);
    }
    UpdateWatch();
    // A close from inside the handler: no worker may be left to release what it leaves.
    if (read.Outermost() && (ClosePending() || Core().Workers().Stopping())) {
        bool release;
        {
            std::lock_guard lock(Core().StateLock());
            release = ClaimRelease(true);
        }
        if (release)
            Core().ReleaseResources();
    }
}

void TSioPosixDispatcher::AnnouncementDue() {
    // The reader chosen later announces what is due by then.
    if (LineClaim_.Is(TSioLineReader::Undecided))
        return;
    if (LineClaim_.Is(TSioLineReader::WindowThread)) {
        // Announced on the window's thread by a pass of its own, after what it is doing now.
        if (LineWatch_.Trigger())
            return;
    }
    WakeAnnouncer();
}

void TSioPosixDispatcher::AnnounceAfterHandler() {
    if (LineClaim_.Is(TSioLineReader::WindowThread)) {
        AnnouncementDue();
        return;
    }
    // Saves a worker's wake-up per notification while input streams in.
    if (!Announcer_.TryRun([this] { Core().AnnounceInput(); }))
        WakeAnnouncer();
}

void TSioPosixDispatcher::WakeAnnouncer() {
    // The event worker announces, reading what has come meanwhile; once it has ended, or before
    // it is needed, the dispatch worker's cycle does.
    if (Core().Workers().Alive(TSioWorkerKind::Event))
        Signals_.DeviceWake.Set();
    else
        WakeDispatchWorker();
}
