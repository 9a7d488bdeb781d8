#pragma once
// The line settings of a DCB on an open tty. Uses the kernel's termios2, so that any baud
// rate the driver can make is set exactly, not only the B-constants of <termios.h>.
//
//   BaudRate              output and input speed (BOTHER)
//   ByteSize              CS5 .. CS8
//   Parity                none, odd (PARODD), even, mark and space (CMSPAR)
//   StopBits              one; one and a half and two both as CSTOPB
//   fParity               INPCK (received parity is checked)
//   fOutxCtsFlow, fRtsControl handshake   CRTSCTS
//   fOutX, fInX           IXON, IXOFF
//   XonChar, XoffChar     VSTART, VSTOP
//
// Everything else in the DCB (DTR/DSR flow, which Linux cannot do, the Xon/Xoff limits,
// fNull ...) has no place in termios and is left to the caller.
#include <cstdint>

#include "platform/serial_api.h"

namespace platform {

// Sets the fields above on the tty `fd` from a DCB the caller has checked (byte size 5 to 8,
// known parity and stop-bits codes); 0 or the system error.
uint32_t ApplyDcbToTty(int fd, const DCB& dcb);

// Overwrites the fields above in `dcb` with what the tty really holds (a driver may refuse
// or force some of them); 0 or the system error.
uint32_t ReadDcbFromTty(int fd, DCB& dcb);

}  // namespace platform
