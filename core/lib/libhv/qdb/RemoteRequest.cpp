// The requester's side: private reply mailboxes, qdbsendremote, qdbsendmes
// and the interpretation of a reply.
#include "QdbLock.h"
#include "QdbStartup.h"
#include "SharedManagerPipe.h"
#include "ShmMgr.h"
#include "QdbErrRecord.h"
#include "ReplyDeadline.h"
#include "qdberr.h"
#include "qdbmes.h"
#include "qdbpaths.h"
#include "flg.h"
#include "platform/TestTimeScale.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Used only when the process has no segment.
std::atomic<std::uint32_t> g_localSeq{0};

const char* LocalNode() { return pQdb_uname ? pQdb_uname : ""; }

// How long a sender that holds the database lock waits for the manager.
constexpr unsigned kLockedManagerWaitMs = 10000;

// Bounds the wait for the manager while the calling thread holds the
// database lock: the manager's host takes that lock as it starts, so an
// endless wait there would never end. Without the lock the wait is endless.
class ManagerWaitUnderLock {
public:
    ManagerWaitUnderLock() {
        if (cfgstore::LockHolds() > 0) bound_.emplace(portlib::platform::ScaledMs(kLockedManagerWaitMs));
    }

private:
    std::optional<SharedManagerPipe::Bound> bound_;
};

}  // namespace

namespace cfgstore {

std::string NextReplyMailbox() {
    std::uint32_t n;
    if (pQdb_shgp != nullptr) {
        // One word shared by every process of the system, incremented in place.
        std::atomic_ref<std::int32_t> seq(pQdb_shgp->mailboxSeq);
        n = static_cast<std::uint32_t>(seq.fetch_add(1, std::memory_order_relaxed)) + 1;
    } else {
        n = g_localSeq.fetch_add(1) + 1;
    }
    char name[48];
    std::snprintf(name, sizeof name, "PM%lu.%lu", static_cast<unsigned long>(::getpid()),
                  static_cast<unsigned long>(n));
    return name;
}

int InterpretReply(const bStr& data, const char* caller, const char* where, const char* from, const char** text,
                   int* textLen) {
    *text = nullptr;
    *textLen = 0;
    if (data.StrPtr() == nullptr)
        return hv_err(23, 393, QDB_MES, "received message with no data on %s", where);
    const int len = data.StrLen();
    if (len == 0) return hv_err(23, 393, "received message with zero length on %s", where);
    const char* d = data.StrPtr();
    if (d[0] == '!') {
        if (len < 2 || d[1] == '\0') return 0;
        Qdb_errno = static_cast<signed char>(d[1]);
        // The text may hold NUL bytes; the error text is a C text.
        cfgstore::AppendErrorText(std::string(d + 2, static_cast<std::size_t>(len - 2)).c_str());
        return -1;
    }
    if (d[0] == '$') {
        *text = d + 1;
        *textLen = len - 1;
        return 0;
    }
    const unsigned char first = static_cast<unsigned char>(d[0]);
    return hv_err(23, 394, "%s: unknown message type=%d('%c') received %s", caller, first,
                  first >= 32 && first < 127 ? first : '?', from);
}

int SendRemote(char* reply, std::size_t replySize, const char* dest, char type, char command, const char* payload,
               std::size_t length) {
    qdbpinit();
    if (dest == nullptr || *dest == '\0') dest = LocalNode();
    if (length + 2 > static_cast<std::size_t>(kQdbMesMax))
        return hv_err(23, 0, QDB_ARGS, "qdbsendremote: request of %zu bytes exceeds %d", length + 2, kQdbMesMax);
    if (type == '@' && (command == '&' || command == '>')) {
        // A remote remove or restore first marks the action in the local
        // database, so that no second one starts while it runs. A mark that
        // is there already is no failure.
        qdberrcheck();
        const std::string mark = std::string(command == '&' ? "!remove!" : "!restore!") + dest;
        if (flg_create(nullptr, mark.c_str()) != 0) {
            if (Qdb_errno != QDB_EXIST) return -1;
            qdberrclr();
        }
    }
    std::string request;
    request.reserve(length + 2);
    request += type;
    request += command;
    if (length > 0) request.append(payload, length);

    const std::string mbox = NextReplyMailbox();
    const ManagerWaitUnderLock managerWait;
    ProxyPostOffice proxy;
    if (proxy.CreateMailBox(mbox.c_str()) != Message::OKAY)
        return hv_err(23, 371, QDB_MES, "qdbsendremote: cannot create private mailbox %s", mbox.c_str());
    if (qdbsendmes(0, LocalNode(), mbox.c_str(), dest, gps(kPathDaemonMailbox), request.data(),
                   static_cast<int>(request.size())) == -1) {
        proxy.RemoveMailBox(mbox.c_str());
        return -1;
    }
    // The answer is waited for at most REMOTETIMEOUT seconds: a daemon that
    // took the request and never answers (gone, or stuck in a script) would
    // hold this caller, and a transfer behind it, without end. The mailbox
    // goes with the deadline, so a late answer finds nobody and is dropped.
    MessagePtr answer;
    bool expired = false;
    {
        std::optional<ReplyDeadline> deadline;
        if (pQdb_remotetime > 0) deadline.emplace(mbox, static_cast<unsigned>(pQdb_remotetime) * 1000u);
        answer = proxy.RcvFromHostMbox(dest, mbox.c_str());
        expired = deadline && deadline->Expired();
    }
    proxy.RemoveMailBox(mbox.c_str());
    if (expired && (!answer.Ok() || answer->GetLastErr() != Message::OKAY))
        return hv_err(23, 373, QDB_MES, "qdbsendremote: no answer from system \"%s\" within %d s (REMOTETIMEOUT)", dest,
                      pQdb_remotetime);
    if (!answer.Ok() || answer->GetLastErr() != Message::OKAY) return qdbinmberr(answer, "qdbsendremote", mbox.c_str(), 0);

    const std::string where = "private mailbox " + mbox;
    const bStr data = answer->GetDataStr();
    const char* text = nullptr;
    int textLen = 0;
    const std::string from = std::string("by machine \"") + LocalNode() + "\"";
    int rc = InterpretReply(data, "qdbsendremote", where.c_str(), from.c_str(), &text, &textLen);
    if (rc != 0 || text == nullptr) return rc;
    if (static_cast<std::size_t>(textLen) + 1 > replySize)
        return hv_err(23, 394, QDB_MES, "qdbsendremote: reply of %d bytes from \"%s\" exceeds %zu", textLen, dest,
                      replySize - 1);
    if (reply != nullptr) {
        std::memcpy(reply, text, static_cast<std::size_t>(textLen));
        reply[textLen] = '\0';
    }
    return 0;
}

}  // namespace cfgstore

extern "C" int qdbsendremote(char* reply, const char* dest, int type, int command, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string payload;
    if (format != nullptr) {
        va_list copy;
        va_copy(copy, args);
        const int n = std::vsnprintf(nullptr, 0, format, copy);
        va_end(copy);
        if (n < 0 || n > kQdbMesMax - 2) {
            va_end(args);
            return hv_err(23, 0, QDB_ARGS, "qdbsendremote: request text exceeds %d bytes", kQdbMesMax);
        }
        payload.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(payload.data(), payload.size(), format, args);
        payload.resize(static_cast<std::size_t>(n));
    } else {
        const char* bytes = va_arg(args, const char*);
        const int count = va_arg(args, int);
        if (count < 0 || (count > 0 && bytes == nullptr)) {
            va_end(args);
            return hv_err(23, 0, QDB_ARGS, "qdbsendremote: bad payload (%d bytes)", count);
        }
        if (count > 0) payload.assign(bytes, static_cast<std::size_t>(count));
    }
    va_end(args);
    return cfgstore::SendRemote(reply, kQdbMesMax, dest, static_cast<char>(type), static_cast<char>(command),
                                payload.data(), payload.size());
}

extern "C" int qdbsendmes(int, const char* replysys, const char* replymbox, const char* destsys, const char* destmbox,
                          const char* data, int length) {
    qdbpinit();
    if (destsys == nullptr || destmbox == nullptr || data == nullptr || length < 0)
        return hv_err(23, 387, QDB_ARGS, "qdbsendmes: missing destination or data");
    const ManagerWaitUnderLock managerWait;
    ProxyPostOffice proxy;
    const Message::enMessageErr alive = proxy.IsHostAlive(destsys);
    if (alive != Message::OKAY)
        return hv_err(23, 326, QDB_MES, "destination system \"%s Message:err %d\" is not alive.", destsys,
                      static_cast<int>(alive));
    const int n = length > 0 ? length : static_cast<int>(std::strlen(data));
    MessagePtr msg(new Message());
    msg->SetDataStr(bStr::FromBytes(data, n));
    msg->SetReplyToSys(bStr(replysys ? replysys : ""));
    msg->SetReplyToMbox(bStr(replymbox ? replymbox : ""));
    if (proxy.SendToMboxAsynch(destsys, destmbox, msg) != Message::OKAY)
        return hv_err(24, 387, QDB_MES, "can't send to destination \"%s\"", destsys);
    qdberrcheck();
    return 0;
}

int qdbinmberr(const MessagePtr& msg, const char* caller, const char* mailbox, int) {
    if (!msg.Ok()) return -1;
    switch (msg->GetLastErr()) {
    case Message::NOSUCHMBOX:
        return hv_err(23, 371, QDB_MES, "%s: ::receive had bad name error on mailbox %s", caller, mailbox);
    case Message::NOMESSAGE: return -1;
    case Message::SYNCHSENDFAILED:
    case Message::SYNCHRCVFAILED: return hv_err(23, 373, QDB_MES, "%s: :: destination went out of service", caller);
    case Message::INTERNALERR:
        return hv_err(23, 372, QDB_MES, "%s: ::receive internal error on mailbox %s", caller, mailbox);
    default:
        return hv_err(23, 374, QDB_MES, "%s: ::receive had unknown ::lastErr() status %d on mailbox %s", caller,
                      static_cast<int>(msg->GetLastErr()), mailbox);
    }
}

int qdbRcvMsg(ProxyPostOffice& proxy, MessagePtr& msg, const char* mailbox, const char* system, char** text) {
    qdbpinit();
    msg = proxy.RcvFromHostMbox(system ? system : "", mailbox ? mailbox : "");
    if (!msg.Ok() || msg->GetLastErr() != Message::OKAY) {
        qdbinmberr(msg, "qdbRcvMsg", mailbox, 0);
        return -1;
    }
    const std::string where = std::string("on mailbox ") + (mailbox ? mailbox : "") + " from " + (system ? system : "");
    const char* t = nullptr;
    int len = 0;
    const std::string from = std::string("from system '") + (system ? system : "") + "'";
    const int rc = cfgstore::InterpretReply(msg->GetDataStr(), "qdbRcvMsg", where.c_str(), from.c_str(), &t, &len);
    if (text != nullptr) *text = const_cast<char*>(t);
    return rc;
}
