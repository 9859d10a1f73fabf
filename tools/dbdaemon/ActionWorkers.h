// The daemon stand-in never runs a restore or remove action inline: a
// COMMON state copy that asks for one starts "qdbrecover -A <action> <tag>"
// in a process of its own, so the daemon keeps serving the requests that
// the action sends back to it (a restore asks the other copy's system for a
// remote remove, which may ask this one in turn).
#pragma once

// Installs the worker start as the instance rules' action for this process.
void UseActionWorkers();
// The start-up pass runs on a thread of its own and needs each restore done
// before it looks at the next instance: on the calling thread, actions run
// inline and are waited for.
void RunActionsInlineOnThisThread();
