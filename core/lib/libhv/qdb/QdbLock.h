// The database lock "HVNT-sem" and the daemon-available event "HVNTQDB".
// One recursive lock serialises every access to the segment by all threads
// of all processes; the event exists while the database daemon lives and is
// signalled once it has loaded the database.
#pragma once

// The wait without end of qdbgetlock.
inline constexpr unsigned kQdbWaitForever = 0xFFFFFFFF;

// Once per process: deals with the event (the daemon makes it; the manager
// waits for it to appear; any other process needs it and waits until it is
// signalled) and then creates or opens the lock `name` + "-sem". Failures
// are reported critical (the process ends). doinit and n are not used.
void qdbinitlocks(int doinit, const char* name, int n);

// The number of every report about the database lock: it cannot be had or
// made, it was abandoned, the daemon that signals it is not there in time.
inline constexpr int kMsgDatabaseLock = 459;

// Waits for the lock (ms milliseconds, kQdbWaitForever: without end). 0 when
// held (a lock abandoned by a dead holder is held too, with a warning, once
// what the holder left half-done is cleared). While a thread holds the
// lock, SIGINT, SIGTERM and SIGHUP are held back from it;
// 1 on time-out; -1 when the process has no lock or the wait failed (then
// reported in the thread's error record).
int qdbgetlock(const char* file, int line, unsigned ms);
// The threads of this process inside qdbgetlock's wait now: what a watcher
// (a test) checks to know that a thread waits for a lock held elsewhere.
int qdbLockWaiters(void);
// Releases one hold: 0; 1 when the thread held none; -1 without a lock.
int qdbrlslock(const char* file, int line);
// Drops every hold of the calling thread.
void qdbrlsall(void);

// The daemon: signals the event. 0, or 187 (HV_ERROR_SEM_NOT_FOUND) when this process has no event,
// else the errno of the failure.
int doDaemonAvail(void);
// Waits until the event `eventName` is signalled, at most INITTIMEOUT
// seconds; a time-out, a lost daemon or a failed wait is reported critical.
void sleep_till_qdb_avail(const char* eventName);

namespace cfgstore {
// Releases every hold of the database lock that the calling thread has and
// answers how many there were; RetakeLock takes it back to that depth.
// A call that waits for another process (the manager) runs between the two,
// so that the manager never waits for a lock its caller holds.
int ReleaseWholeLock();
void RetakeLock(int depth);
// The holds of the database lock the calling thread has (0: none).
int LockHolds();

// The process is stopping: loops that try again (a copy's reload, a
// restore's retries) end after the try they are in.
void RequestStop();
bool StopRequested();
// Stops the process's changes: requests the stop, lets no other thread
// start a change (a thread that holds the lock finishes its own), and takes
// the lock, waiting at most ms. qdbgetlock's result. The caller cleans up
// and ends the process; its releases leave the lock closed to the others.
int CloseLockForStop(unsigned ms);
}  // namespace cfgstore
