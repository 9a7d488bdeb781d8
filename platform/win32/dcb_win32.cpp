#include "platform/win32/dcb_win32.h"

namespace platform {

DCB FromNativeDcb(const ::DCB& native) {
  DCB dcb;
  dcb.BaudRate = native.BaudRate;
  dcb.fBinary = native.fBinary != 0;
  dcb.fParity = native.fParity != 0;
  dcb.fOutxCtsFlow = native.fOutxCtsFlow != 0;
  dcb.fOutxDsrFlow = native.fOutxDsrFlow != 0;
  dcb.fDtrControl = static_cast<uint8_t>(native.fDtrControl);
  dcb.fDsrSensitivity = native.fDsrSensitivity != 0;
  dcb.fTXContinueOnXoff = native.fTXContinueOnXoff != 0;
  dcb.fOutX = native.fOutX != 0;
  dcb.fInX = native.fInX != 0;
  dcb.fNull = native.fNull != 0;
  dcb.fRtsControl = static_cast<uint8_t>(native.fRtsControl);
  dcb.XonLim = native.XonLim;
  dcb.XoffLim = native.XoffLim;
  dcb.ByteSize = native.ByteSize;
  dcb.Parity = native.Parity;
  dcb.StopBits = native.StopBits;
  dcb.XonChar = native.XonChar;
  dcb.XoffChar = native.XoffChar;
  return dcb;
}

void ToNativeDcb(const DCB& dcb, ::DCB& native) {
  native.DCBlength = sizeof native;
  native.BaudRate = dcb.BaudRate;
  native.fBinary = dcb.fBinary;
  native.fParity = dcb.fParity;
  native.fOutxCtsFlow = dcb.fOutxCtsFlow;
  native.fOutxDsrFlow = dcb.fOutxDsrFlow;
  native.fDtrControl = dcb.fDtrControl;
  native.fDsrSensitivity = dcb.fDsrSensitivity;
  native.fTXContinueOnXoff = dcb.fTXContinueOnXoff;
  native.fOutX = dcb.fOutX;
  native.fInX = dcb.fInX;
  native.fNull = dcb.fNull;
  native.fRtsControl = dcb.fRtsControl;
  native.XonLim = dcb.XonLim;
  native.XoffLim = dcb.XoffLim;
  native.ByteSize = dcb.ByteSize;
  native.Parity = dcb.Parity;
  native.StopBits = dcb.StopBits;
  native.XonChar = dcb.XonChar;
  native.XoffChar = dcb.XoffChar;
}

}  // namespace platform
