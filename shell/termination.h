#pragma once
// SIGTERM, SIGINT and SIGHUP end the program cleanly through its event loop: a screen-saver
// daemon ends its saver this way, and so may a user. The handler only writes to a pipe; the loop
// reads it and quits, so windows close and the cursor comes back as on any other exit. Then the
// program dies by that same signal, as the daemons expect of a saver they ended (an exit status
// of 0 would be "exited abnormally" to them).

class QCoreApplication;

namespace tess {

void QuitOnTerminationSignals(QCoreApplication& app);

// The signal that ended the event loop, or 0 when none did.
int TerminationSignal();

// With a signal received: its default action restored and the signal raised again, which ends
// the process by it. Without one, nothing happens.
void DieByTerminationSignal();

}  // namespace tess
