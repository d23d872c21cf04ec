#pragma once

namespace velmora {

// Turns SIGTERM, SIGINT and SIGHUP (a logout, a Ctrl+C in the terminal) into an
// orderly end of the event loop, so that every office process and working
// folder the program holds is cleaned up as on a normal close.
void endEventLoopOnTermination();

// A write to an office that has gone (its pipe closed) fails as a call: the
// kernel's SIGPIPE for it would otherwise end the whole program.
void ignoreBrokenPipes();

// True once such a signal came: the program is ending and asks nothing more
// (a message box or dialog opened after it would keep it alive).
bool terminationRequested();

} // namespace velmora
