// The per-thread error record behind Qdb_errno and the error text, and the
// clean-up steps that qdbcleanup runs.
#pragma once

namespace cfgstore {

// Appends a message to the calling thread's error text (a line end between
// two messages). Ends the process by abort only when no memory can be had.
void AppendErrorText(const char* message);

// Registers a step for qdbcleanup (the database lock's release, the daemon's
// mailbox removal); steps run in the order of registration. At most 8.
// Returns 0, or -1 when the table is full.
int AddCleanupStep(void (*step)());

}  // namespace cfgstore
