// The console's answer to SIGINT, SIGTERM and SIGHUP: the first stops the run at once (files in
// progress end without outputs, the summary is printed, exit 128 + the signal); a second one
// ends the process as the system would.
#pragma once

namespace Calvorn {

void InstallStopSignalHandlers();

}  // namespace Calvorn
