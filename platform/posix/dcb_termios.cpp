// This file uses the kernel's termios2 (<asm/termbits.h>), which cannot share a translation
// unit with <termios.h>.
#include "platform/posix/dcb_termios.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "platform/system_error.h"

namespace platform {

namespace {

constexpr tcflag_t kSizeFlags[] = {CS5, CS6, CS7, CS8};

tcflag_t ParityFlags(uint8_t parity) {
  switch (parity) {
    case kOddParity: return PARENB | PARODD;
    case kEvenParity: return PARENB;
    case kMarkParity: return PARENB | CMSPAR | PARODD;
    case kSpaceParity: return PARENB | CMSPAR;
    default: return 0;
  }
}

uint8_t ParityOf(tcflag_t cflag) {
  if (!(cflag & PARENB)) return kNoParity;
  if (cflag & CMSPAR) return (cflag & PARODD) ? kMarkParity : kSpaceParity;
  return (cflag & PARODD) ? kOddParity : kEvenParity;
}

uint8_t ByteSizeOf(tcflag_t cflag) {
  for (uint8_t i = 0; i < 4; ++i) {
    if ((cflag & CSIZE) == kSizeFlags[i]) return static_cast<uint8_t>(5 + i);
  }
  return 8;
}

void SetFlag(tcflag_t& flags, tcflag_t flag, bool on) {
  if (on) {
    flags |= flag;
  } else {
    flags &= ~flag;
  }
}

void SetControlFlags(termios2& tty, const DCB& dcb) {
  tty.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT) | CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
  tty.c_cflag |= BOTHER | kSizeFlags[dcb.ByteSize - 5] | ParityFlags(dcb.Parity);
  SetFlag(tty.c_cflag, CSTOPB, dcb.StopBits != kOneStopBit);
  SetFlag(tty.c_cflag, CRTSCTS, dcb.fOutxCtsFlow || dcb.fRtsControl == kRtsControlHandshake);
  tty.c_ispeed = dcb.BaudRate;
  tty.c_ospeed = dcb.BaudRate;
}

void SetInputFlags(termios2& tty, const DCB& dcb) {
  SetFlag(tty.c_iflag, INPCK, dcb.fParity && dcb.Parity != kNoParity);
  SetFlag(tty.c_iflag, IXON, dcb.fOutX);
  SetFlag(tty.c_iflag, IXOFF, dcb.fInX);
  tty.c_iflag &= ~IXANY;
  tty.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
  tty.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
}

// RTS/CTS flow as the tty has it: a DCB that asked for it keeps its way of asking, one
// that did not (or a tty that refused it) is told what the tty does.
void ReadHardwareFlow(tcflag_t cflag, DCB& dcb) {
  const bool asked = dcb.fOutxCtsFlow || dcb.fRtsControl == kRtsControlHandshake;
  if (cflag & CRTSCTS) {
    if (!asked) {
      dcb.fOutxCtsFlow = true;
      dcb.fRtsControl = kRtsControlHandshake;
    }
  } else {
    dcb.fOutxCtsFlow = false;
    if (dcb.fRtsControl == kRtsControlHandshake) dcb.fRtsControl = kRtsControlEnable;
  }
}

uint32_t GetTermios(int fd, termios2& tty) {
  return ioctl(fd, TCGETS2, &tty) == 0 ? kErrorSuccess : SystemErrorFromErrno(errno);
}

}  // namespace

uint32_t ApplyDcbToTty(int fd, const DCB& dcb) {
  termios2 tty{};
  if (const uint32_t error = GetTermios(fd, tty)) return error;
  SetControlFlags(tty, dcb);
  SetInputFlags(tty, dcb);
  return ioctl(fd, TCSETS2, &tty) == 0 ? kErrorSuccess : SystemErrorFromErrno(errno);
}

uint32_t ReadDcbFromTty(int fd, DCB& dcb) {
  termios2 tty{};
  if (const uint32_t error = GetTermios(fd, tty)) return error;
  dcb.BaudRate = tty.c_ospeed;
  dcb.ByteSize = ByteSizeOf(tty.c_cflag);
  dcb.Parity = ParityOf(tty.c_cflag);
  // One and a half stop bits are what two stop bits mean with five data bits.
  if (!(tty.c_cflag & CSTOPB)) {
    dcb.StopBits = kOneStopBit;
  } else {
    dcb.StopBits = dcb.ByteSize == 5 ? kOne5StopBits : kTwoStopBits;
  }
  dcb.fParity = (tty.c_iflag & INPCK) != 0 && dcb.Parity != kNoParity;
  ReadHardwareFlow(tty.c_cflag, dcb);
  dcb.fOutX = (tty.c_iflag & IXON) != 0;
  dcb.fInX = (tty.c_iflag & IXOFF) != 0;
  dcb.XonChar = static_cast<char>(tty.c_cc[VSTART]);
  dcb.XoffChar = static_cast<char>(tty.c_cc[VSTOP]);
  return kErrorSuccess;
}

}  // namespace platform
