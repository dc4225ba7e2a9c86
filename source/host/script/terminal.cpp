// Stop requests and whether a person types, on each system.

#include "script/terminal.h"

#include <atomic>
#include <csignal>
#include <initializer_list>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>

#include <cstdio>
#else
#include <pthread.h>
#include <unistd.h>

#include <thread>
#endif

namespace host {

namespace {

std::atomic<int> g_stop{0};
std::atomic<void (*)()> g_lastWords{nullptr};

void sayLastWords() {
  if (void (*lastWords)() = g_lastWords.load()) lastWords();
}

// True for the first request; a later one finds the flag set already.
bool noteStop(int signal) {
  int none = 0;
  return g_stop.compare_exchange_strong(none, signal);
}

#if defined(_WIN32)

BOOL WINAPI onConsoleEvent(DWORD event) {
  const int signal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
  if (!noteStop(signal)) {
    sayLastWords();
    ExitProcess(128 + signal);
  }
  // Windows ends the process once this returns from a closing console: give the main loop
  // the few seconds it allows to shut down; its own exit ends the process sooner.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    Sleep(5000);
  }
  return TRUE;
}

#endif

}  // namespace

void catchStopRequests() {
#if defined(_WIN32)
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
  // Blocked here, before any other thread starts, the requests stay blocked in every thread and
  // reach only the thread below, which waits for them: none is left pending in a thread blocked
  // in a read, and what a request does runs on a thread, not in a signal handler.
  static sigset_t requests;
  sigemptyset(&requests);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&requests, signal);
  pthread_sigmask(SIG_BLOCK, &requests, nullptr);
  std::thread([] {
    for (;;) {
      int signal = 0;
      if (sigwait(&requests, &signal) != 0 || noteStop(signal)) continue;
      sayLastWords();
      _exit(128 + signal);
    }
  }).detach();
#endif
}

void onLastStop(void (*lastWords)()) {
  g_lastWords = lastWords;
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
