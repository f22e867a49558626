#pragma once
// Without a reachable audio server Qt Multimedia warns in its own terms
// ("PulseAudioService: pa_context_connect() failed") at every start, the first thing a newcomer
// sees. Those warnings are replaced by one plain note of what it means for the tone input;
// every other message goes to the handler that was installed before.
//
// Installs a process-wide Qt message handler; call once on the GUI thread, before the window.

void InstallAudioServerNote();
