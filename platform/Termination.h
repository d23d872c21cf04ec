#pragma once

namespace velmora {

// Turns SIGTERM, SIGINT and SIGHUP (a logout, a Ctrl+C in the terminal) into an
// orderly end of the event loop, so that every office process and working
// folder the program holds is cleaned up as on a normal close.
void endEventLoopOnTermination();

// True once such a signal came: the program is ending and asks nothing more
// (a message box or dialog opened after it would keep it alive).
bool terminationRequested();

} // namespace velmora
