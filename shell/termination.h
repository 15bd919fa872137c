#pragma once
// SIGTERM, SIGINT and SIGHUP end the program cleanly through its event loop: a screen-saver
// daemon ends its saver this way, and so may a user. The handler only writes to a pipe; the loop
// reads it and quits, so windows close and the cursor comes back as on any other exit.

class QCoreApplication;

namespace tess {

void QuitOnTerminationSignals(QCoreApplication& app);

}  // namespace tess
