// libHVinit: what the service and every process-monitor tool share to reach
// HV-init: the table "hvinit-shm", the client of the command pipe
// "\\.\pipe\hvinitpipe" and the small string routines both sides use.
// Every function reports its failures through pxm_err and returns a code.
#pragma once

#include "HvinitLayout.h"

#include <cstddef>
#include <initializer_list>
#include <span>

namespace hvinit {

inline constexpr const char* kPipeName = "\\\\.\\pipe\\hvinitpipe";
inline constexpr const char* kShmName = "hvinit-shm";
inline constexpr std::size_t kRequestBytes = 1024;  // longest request, NUL included
inline constexpr std::size_t kFieldBytes = 256;     // one field of split_args
inline constexpr int kReplyWaitMs = 10000;          // longest wait for a reply (HV_TEST_TIME_SCALE)
inline constexpr int kRequestTries = 4;

// Command numbers of the pipe protocol.
enum Command : int {
    kCmdNone = 0,
    kCmdConfign = 1,      // CONFIGN: comment out a duplicate configuration line
    kCmdConfinq = 2,      // CONFINQ: is the process in the configuration file
    kCmdDelGrpNum = 3,    // DELGRPNMUM
    kCmdExitVal = 4,      // EXITVAL
    kCmdFork = 5,         // FORK
    kCmdGetGrpNum = 6,    // GETGRPNUM
    kCmdKill = 7,         // KILL
    kCmdRecover = 8,      // RECOVER
    kCmdSvrReady = 9,     // SVRREADY
    kCmdTellState = 10,   // TELLSTATE
    kCmdUpdate = 11,      // UPDATE
    kCmdUpdateConf = 12,  // UPDATECONF
};

// One exchange on the command pipe with an explicit reply size: reads at most
// replySize - 1 bytes and always terminates the reply inside the buffer.
// Waits at most waitMs for the reply. Result as hvi_exchange.
int Exchange(char* reply, std::size_t replySize, const char* request, int waitMs = kReplyWaitMs);

// hvi_request with an explicit reply size and the arguments as a list.
int Request(char* reply, std::size_t replySize, int command, std::initializer_list<const char*> args);
int Request(char* reply, std::size_t replySize, int command, std::span<const char* const> args);

}  // namespace hvinit

// ---- The table -------------------------------------------------------------
// One kept handle per process. 1 created, -2 it already existed (the handle is
// kept and usable), -1 it could not be created.
int hvi_shm_create();
// Opens the existing table: 1, or -1 when there is none.
int hvi_shm_get();
// Maps the whole table of the kept handle: its base, or null.
void* hvi_shm_attach();
// Unmaps a view; null and (void*)-1 are accepted and do nothing. 0 or -1.
int hvi_shm_detach(void* address);
// Closes the kept handle and forgets it (nothing to do without one). 0 or -1.
int hvi_shm_remove();

// ---- The command pipe --------------------------------------------------------
// One request and its reply. The caller states how much it accepts by
// pre-filling `reply` with a text: at most strlen(reply) bytes are read, and
// the reply is always terminated inside that text's buffer. Result: the bytes
// read (above 0); -1 the pipe could not be opened; -3 the write or the read
// failed, no reply came within 10 s, or it was empty.
int hvi_exchange(char* reply, const char* request);
// Builds "<command> " followed by each argument and one blank, up to the null
// that ends the list, and tries the exchange up to 4 times, 1 s apart. A try
// fails when the exchange fails or the reply reads -3. The accepted length is
// strlen(reply) as pre-filled, for every try. 0 with the reply in `reply`;
// -2 after four failures or when the request does not fit in 1024 bytes.
int hvi_request(char* reply, int command, ...);
// 0 when HV-init serves requests (it replies 1 or 0); -1 when the request
// fails; otherwise the reply's integer value.
int checkserverready();

// ---- String routines -----------------------------------------------------------
// Splits `line` at blanks into 256-byte fields, skipping leading and repeated
// blanks, up to a newline or NUL. Only the first maxFields fields are stored,
// but all are counted. A field of 256 characters or more is reported and ends
// the split with the fields before it. Returns the count.
int split_args(const char* line, char (*fields)[hvinit::kFieldBytes], int maxFields);
// First occurrence of pattern in text; an empty pattern matches at the start.
const char* find_substring(const char* text, const char* pattern);
// Cuts trailing blanks, tabs, carriage returns and newlines. Returns 0.
int trim_trailing(char* text);
// Each doubled c ("::") becomes two blanks; at most 1,025 characters looked at.
void blank_pair(char* text, char c);
// Every c becomes a blank; at most 257 characters looked at.
void blank_char(char* text, char c);
// 1 when none of the first 256 characters is a letter, else 0.
int is_pid_text(const char* text);
// Copy src into dst (dstSize bytes, always terminated) and cut the copy at its
// first '.' (cut_at_dot) or '|' (cut_at_bar). The cut position, or null when
// there is none.
char* cut_at_dot(const char* src, char* dst, std::size_t dstSize);
char* cut_at_bar(const char* src, char* dst, std::size_t dstSize);
// The name by which processes are compared: the program part of a command
// (before '|'), its last '/' component, without one leading '(' and without
// the part from the last ')' on. Written to dst (always terminated); returns dst.
char* proc_base_name(const char* command, char* dst, std::size_t dstSize);
