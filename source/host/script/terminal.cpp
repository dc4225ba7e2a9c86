#include "script/terminal.h"

#include <atomic>
#include <csignal>
#include <initializer_list>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>

#include <cstdio>
#else
#include <unistd.h>
#endif

namespace host {

namespace {

// Written from a signal handler: it must be a lock-free atomic to be safe there.
std::atomic<int> g_stop{0};
static_assert(std::atomic<int>::is_always_lock_free);

// True for the first request; a later one finds the flag set already.
bool noteStop(int signal) {
  int none = 0;
  return g_stop.compare_exchange_strong(none, signal);
}

#if defined(_WIN32)

BOOL WINAPI onConsoleEvent(DWORD event) {
  const int signal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
  if (!noteStop(signal)) ExitProcess(128 + signal);
  // Windows ends the process once this returns from a closing console: give the main loop
  // the few seconds it allows to shut down; its own exit ends the process sooner.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    Sleep(5000);
  }
  return TRUE;
}

#else

extern "C" void onStopSignal(int signal) {
  if (!noteStop(signal)) _exit(128 + signal);
}

#endif

}  // namespace

void catchStopRequests() {
#if defined(_WIN32)
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
  struct sigaction action = {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
#endif
}

int stopRequested() {
  return g_stop.load();
}

void requestStop(int signal) {
  g_stop.store(signal);
}

bool inputIsTerminal() {
#if defined(_WIN32)
  return _isatty(_fileno(stdin)) != 0;
#else
  return isatty(STDIN_FILENO) != 0;
#endif
}

bool outputIsTerminal() {
#if defined(_WIN32)
  if (_isatty(_fileno(stdout)) == 0) return false;
  HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(console, &mode)) {
    SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
  return true;
#else
  return isatty(STDOUT_FILENO) != 0;
#endif
}

}  // namespace host
