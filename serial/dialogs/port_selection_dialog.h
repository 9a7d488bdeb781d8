#pragma once
// Connects the port object's prompt for a port number to the "Select Port" dialog.

namespace sio {

// From now on, a port opening without a port number shows the dialog modally over the
// active window: OK gives the selected number, any other ending no number.
void InstallPortSelectionDialog();

}  // namespace sio
