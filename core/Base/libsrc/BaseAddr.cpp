#include "BaseAddr.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "BaseAddrEnt.h"
#include "ClassDefine.h"
#include "MachineName.h"
#include "MxrAssert.h"

MXR_CLASS_DEFINE(BaseAddr);

namespace {

std::atomic<int> mxrWorldFlg{0};

// The host name is published once and then only read, on any thread: the
// published string is never changed or freed, so a reader may keep a
// reference. Replacing it (SetCurrentHost, tests only) retires the old one.
constinit std::mutex hostLock;
std::atomic<const bStr*> currentHost{nullptr};
std::vector<std::unique_ptr<bStr>>* hostStore = nullptr;  // never destroyed: readers may run at exit

const bStr* PublishHost(const bStr& name) {
    if (hostStore == nullptr) hostStore = new std::vector<std::unique_ptr<bStr>>();
    hostStore->push_back(std::make_unique<bStr>(name));
    return hostStore->back().get();
}

// Process and thread ids are system calls; each thread keeps its own, and a
// child process forgets what its parent's thread had.
constinit thread_local long cachedPid __attribute__((tls_model("initial-exec"))) = 0;
constinit thread_local long cachedTid __attribute__((tls_model("initial-exec"))) = 0;

void ForgetIdsInChild() {
    cachedPid = 0;
    cachedTid = 0;
}

const int atForkRegistered = pthread_atfork(nullptr, nullptr, &ForgetIdsInChild);

}  // namespace

const char* GetMxrPipeName() {
    MXR_FRAME("BaseAddr", "GetMxrPipeName", 0, "BaseAddr.c");
    return "\\\\.\\PIPE\\mxr_pipe";
}

BaseAddr::BaseAddr() : host(GetCurrentHost()), pid(GetCurrentPid()), tid(GetCurrentTid()) {
    MXR_METHOD_FRAME("BaseAddr", 0);
}

BaseAddr::BaseAddr(bStr host_, long pid_, long tid_) : host(host_), pid(pid_), tid(tid_) {
    MXR_METHOD_FRAME("BaseAddr", 3);
}

BaseAddr::~BaseAddr() { MXR_METHOD_FRAME("~BaseAddr", 0); }

bStr BaseAddr::GetHost() const {
    MXR_METHOD_FRAME("GetHost", 0);
    return host;
}

void BaseAddr::SetHost(bStr host_) {
    MXR_METHOD_FRAME("SetHost", 1);
    host = host_;
}

long BaseAddr::GetPid() const {
    MXR_METHOD_FRAME("GetPid", 0);
    return pid;
}

void BaseAddr::SetPid(long pid_) {
    MXR_METHOD_FRAME("SetPid", 1);
    pid = pid_;
}

long BaseAddr::GetTid() const {
    MXR_METHOD_FRAME("GetTid", 0);
    return tid;
}

void BaseAddr::SetTid(long tid_) {
    MXR_METHOD_FRAME("SetTid", 1);
    tid = tid_;
}

int BaseAddr::IsCorrectProcess() const {
    MXR_METHOD_FRAME("IsCorrectProcess", 0);
    // An address made here shares the host's text: no compare needed.
    const bStr& current = GetCurrentHostRef();
    if (host.StrVal() != current.StrVal() && host != current) return 0;
    if (pid == 0 && GetMxrWorldFlg() != 0) return 1;
    if (pid != GetCurrentPid()) return 0;
    return tid == GetCurrentTid() ? 1 : 0;
}

BaseMsgRcvr* BaseAddr::GetMsgRcvrAddr() const {
    MXR_METHOD_FRAME("GetMsgRcvrAddr", 0);
    return BaseAddrEnt::LookUpRoute(host, pid, tid);
}

const bStr& BaseAddr::GetCurrentHostRef() {
    MXR_FRAME("BaseAddr", "GetCurrentHostRef", 0, "BaseAddr.c");
    if (const bStr* h = currentHost.load(std::memory_order_acquire)) return *h;
    std::lock_guard<std::mutex> guard(hostLock);
    if (const bStr* h = currentHost.load(std::memory_order_relaxed)) return *h;
    bStr name(std::getenv("MXRHOSTNAME"));
    if (name.StrLen() == 0) {
        int rc = MxrMachineName(&name);
        MXR_ASSERT(rc != -1, "rc != -1", "BaseAddr");
    }
    const bStr* h = PublishHost(name);
    currentHost.store(h, std::memory_order_release);
    return *h;
}

bStr BaseAddr::GetCurrentHost() {
    MXR_FRAME("BaseAddr", "GetCurrentHost", 0, "BaseAddr.c");
    return GetCurrentHostRef();
}

void BaseAddr::SetCurrentHost(bStr host_) {
    MXR_FRAME("BaseAddr", "SetCurrentHost", 1, "BaseAddr.c");
    std::lock_guard<std::mutex> guard(hostLock);
    currentHost.store(host_.StrLen() == 0 ? nullptr : PublishHost(host_), std::memory_order_release);
}

long BaseAddr::GetCurrentPid() {
    MXR_FRAME("BaseAddr", "GetCurrentPid", 0, "BaseAddr.c");
    if (GetMxrWorldFlg() != 0) return 0;
    static_cast<void>(atForkRegistered);
    if (cachedPid == 0) cachedPid = static_cast<long>(getpid());
    return cachedPid;
}

long BaseAddr::GetCurrentTid() {
    MXR_FRAME("BaseAddr", "GetCurrentTid", 0, "BaseAddr.c");
    if (GetMxrWorldFlg() != 0) return 0;
    if (cachedTid == 0) cachedTid = static_cast<long>(gettid());
    return cachedTid;
}

int BaseAddr::GetMxrWorldFlg() {
    MXR_FRAME("BaseAddr", "GetMxrWorldFlg", 0, "BaseAddr.c");
    return mxrWorldFlg.load(std::memory_order_relaxed);
}

void BaseAddr::SetMxrWorldFlg(int flg) {
    MXR_FRAME("BaseAddr", "SetMxrWorldFlg", 1, "BaseAddr.c");
    mxrWorldFlg.store(flg, std::memory_order_relaxed);
}
