#include "app/main/AudioServerNote.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>

namespace {

QtMessageHandler PreviousHandler = nullptr;
bool NoteGiven = false;

void FilterAudioServerWarnings(QtMsgType type, const QMessageLogContext& context,
                               const QString& message) {
    if (!message.startsWith(QLatin1String("PulseAudioService:"))) {
        PreviousHandler(type, context, message);
        return;
    }
    if (NoteGiven)
        return;
    NoteGiven = true;
    std::fputs("No audio server reached: \"Toneingang\" offers no inputs, so the test record "
               "lists the alarms and replies but hears no tones.\n",
               stderr);
}

} // namespace

void InstallAudioServerNote() {
    PreviousHandler = qInstallMessageHandler(FilterAudioServerWarnings);
}
