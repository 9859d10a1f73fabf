// Requests to another system's database daemon, and its answers.
//
// A request is a Message whose data is the type letter, the command letter
// and a payload, sent to the destination's mailbox "configuration" with a
// private reply mailbox "PM<pid>.<n>" of the caller (n from the segment's
// shared sequence word, so names are unique across this system's processes).
// The answer is '$' and the result text, '!' NUL (success without text), or
// '!', the error number as one byte and the error text. Requests and replies
// are at most kQdbMesMax bytes; a longer reply is refused (result code 9).
#pragma once

#include "Message.h"
#include "ProxyPostOffice.h"

#include <cstddef>
#include <string>

inline constexpr int kQdbMesMax = 500000;

// The marker around the return value in a remote execution's result text.
inline constexpr char kQdbRetMarker[] = "!!err@\x03@buf!!";

// The reply-to mailbox of a message that wants no answer.
inline constexpr char kQdbNoReply[] = "no_reply";

extern "C" {

// Sends one request to `dest` (null: this system) and waits for its answer.
// With a format the payload is the formatted text; with a null format the
// next two arguments are a byte pointer and a byte count (an int), copied
// exactly. reply (when not null) gets the text of a '$' answer and must hold
// kQdbMesMax bytes. 0; -1 with the thread's error record set (an error
// answer's number and text, or code 9 for a failed or impossible exchange).
int qdbsendremote(char* reply, const char* dest, int type, int command, const char* format, ...);

// Sends data (length bytes; 0: the NUL-ended text) to destmbox on destsys
// without waiting, once destsys is known to be alive. 0 or -1 (code 9).
int qdbsendmes(int unused, const char* replysys, const char* replymbox, const char* destsys, const char* destmbox,
               const char* data, int length);

// Splits a remote execution's result text in place: retbuf keeps the
// output, *retp the return value, errbuf (when given; it must hold
// kQdbMesMax bytes) the error text. 0, or -1 (kept report, code 5).
int qdbgetret(char* retbuf, char* errbuf, int* retp);

// Runs command on system (null: this one) through its daemon and
// qdbdorem; retbuf (kQdbMesMax bytes) gets the output. The command's return
// value, or -1.
int rem_exec(const char* system, const char* command, char* retbuf, char* errbuf);

// Writes the local tables, or asks system's daemon to write its own.
// 0 or -1.
int qdbsync(const char* system);

// Asks system's daemon (null: the local one) to shut down; wait 0 sends
// without a reply mailbox and returns the send's result.
int shutdownQDB(const char* system, int wait);

// Copies a local regular file to dest (a path on system; null: this
// system) in chunks of at most 100,000 bytes. 0 or the failing step's result.
int copy_file(const char* system, const char* source, const char* dest);

}  // extern "C"

class DbMgr;
// Sends data to `mailbox` (null: "configuration") of every system of db's
// systems table other than db's own whose state is 'A', with reply-to
// system db's name and reply-to mailbox "no_reply"; the sends are not
// checked. 0; -20 for a null db or data; -21 before the manager is available.
int broadcastMsg(DbMgr* db, const char* data, const char* mailbox);

// The daemon's side.
// '$' and the formatted text to the request's reply mailbox (nothing for a
// request without one, or whose reply mailbox is "no_reply").
int qdbsendret(const MessagePtr& request, const char* format, ...) __attribute__((format(printf, 2, 3)));
// '!', Qdb_errno as one byte and the error text, the same way.
int qdbsenderr(const MessagePtr& request);
// Reports a failed receive from msg's LastErr (code 9). -1.
int qdbinmberr(const MessagePtr& msg, const char* caller, const char* mailbox, int unused);
// Receives the next message of mailbox from system and interprets it as a
// reply: 0 with *text after '$' (it lives in msg), or -1 (as qdbsendremote).
int qdbRcvMsg(ProxyPostOffice& proxy, MessagePtr& msg, const char* mailbox, const char* system, char** text);
// Starts qdbdorem for an 'a' request of type '@' (command without its
// letter); qdbdorem answers the request. 1 when started, else 0.
int remexec(const MessagePtr& request, const char* command);
// Writes one chunk of a file copy (text: the request's data after its two
// letters, length bytes) and answers the request. 0 when answered, else -1
// with the error record set (the caller answers with qdbsenderr).
int rcopy_file(const MessagePtr& request, const char* text, int length);

namespace cfgstore {

// A new private reply mailbox name "PM<pid>.<n>".
std::string NextReplyMailbox();

// qdbsendremote with the payload given as bytes and the reply bounded by
// replySize (the text and its NUL).
int SendRemote(char* reply, std::size_t replySize, const char* dest, char type, char command, const char* payload,
               std::size_t length);

// The '$', '!' interpretation shared by qdbsendremote and qdbRcvMsg: 0 with
// *text set after '$' (null for '!' NUL), else -1 with the record set.
// where names the mailbox for the empty-reply report, from the sender for
// the unknown-reply report.
int InterpretReply(const bStr& data, const char* caller, const char* where, const char* from, const char** text,
                   int* textLen);

}  // namespace cfgstore
