/* Modem lines for pseudo-terminals, preloaded into the Wine processes that run the tests.
 *
 * A pseudo-terminal has no modem lines: the kernel refuses TIOCMGET and its kin, and Wine's
 * GetCommModemStatus, EscapeCommFunction and WaitCommEvent then fail with error 50. This
 * library answers those requests for a tty that refuses them:
 *   - the input lines (CTS, DSR, DCD, RI) come from the file named by NIMBREL_MODEM_LINES,
 *     which holds their TIOCM_ bits as a decimal number (missing or unreadable: none);
 *   - the output lines (DTR, RTS) are kept per process and read back as they were set.
 * Writers replace the file atomically (write another, then rename), so a read never sees a
 * half-written number. Every other request goes to the real ioctl unchanged. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>

static const int kInputLines = TIOCM_CTS | TIOCM_DSR | TIOCM_CAR | TIOCM_RNG;
static const int kOutputLines = TIOCM_DTR | TIOCM_RTS;

static int outputLines = TIOCM_DTR | TIOCM_RTS;

static int InputLines(void) {
  const char* path = getenv("NIMBREL_MODEM_LINES");
  int lines = 0;
  if (path == NULL) return 0;
  FILE* file = fopen(path, "r");
  if (file == NULL) return 0;
  if (fscanf(file, "%d", &lines) != 1) lines = 0;
  fclose(file);
  return lines & kInputLines;
}

static int IsModemRequest(unsigned long request) {
  return request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
}

/* Answers a modem request that the tty refused. */
static int EmulateModemRequest(unsigned long request, int* lines) {
  switch (request) {
    case TIOCMGET:
      *lines = InputLines() | outputLines;
      return 0;
    case TIOCMSET:
      outputLines = *lines & kOutputLines;
      return 0;
    case TIOCMBIS:
      outputLines |= *lines & kOutputLines;
      return 0;
    default: /* TIOCMBIC */
      outputLines &= ~(*lines & kOutputLines);
      return 0;
  }
}

int ioctl(int fd, unsigned long request, ...) {
  static int (*realIoctl)(int, unsigned long, ...) = NULL;
  if (realIoctl == NULL) realIoctl = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
  va_list args;
  va_start(args, request);
  void* argument = va_arg(args, void*);
  va_end(args);
  const int result = realIoctl(fd, request, argument);
  if (result == 0 || !IsModemRequest(request) || argument == NULL) return result;
  if (errno != EINVAL && errno != ENOTTY) return result;
  return EmulateModemRequest(request, (int*)argument);
}
