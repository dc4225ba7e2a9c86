#pragma once

// The terminal the host runs in: requests to stop (Ctrl-C, SIGTERM, a closed terminal) and
// whether a person types the input. Each system has its own branch in terminal.cpp.

namespace host {

// From now on the first stop request only sets a flag, which the host's loops look at between
// statements, so the host can unload, save and clean up before it ends; a second one ends the
// process at once. Call once, from the main thread, before any other thread starts.
void catchStopRequests();

// What a second stop request does before it ends the process, such as removing a temporary
// folder. It runs on a thread of its own while the host's threads go on. Null: nothing.
void onLastStop(void (*lastWords)());

// The signal number of the first stop request (SIGINT for Ctrl-C), or 0 when none came.
int stopRequested();

// As if a stop request for `signal` had come; 0 forgets it. For tests.
void requestStop(int signal);

// True when standard input is a terminal, so a person is typing.
bool inputIsTerminal();
// True when standard output is a terminal, so a person reads it. On Windows the console is
// asked to take the escape sequence that clears a line, as Windows 10 and later ones do.
bool outputIsTerminal();

}  // namespace host
