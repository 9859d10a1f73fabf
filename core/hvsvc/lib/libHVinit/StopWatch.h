// Stopping the watching of every monitored process at once, straight in the
// HV-init table: no request goes to the monitor, which skips stopped slots.
#pragma once

// Every in-use slot in state M becomes S; slots in other states stay as they
// are. 0, or -1 when the table cannot be opened or mapped (reported).
int stopwatch();
