// Function trace frame. Every member and free function of the framework
// (except BasePtr, bStr and FuncInfo itself) opens one as its first statement.
// With MXRFUNCTRACE=YES (or SetTraceFlag(1)) a frame prints one line on entry
// and one on exit to stderr, indented by the call depth of its thread:
//   "  Entering: BasePtrLst::Append(,)"
// With tracing off a frame tests one flag on entry and one on exit, and
// nothing else. The flag is set while tracing is on or undecided, and while
// any frame that entered with the flag set is still open: every frame that
// enters the slow way leaves the slow way, so each thread keeps its frames
// on a stack of its own (a frame that entered the fast way finds the stack
// empty when it leaves). The depth counts only frames opened while tracing.
#pragma once

#include <atomic>

// What a frame prints: its function's names, constant for the program's life.
struct FuncSite {
    const char* className;
    const char* funcName;
    const char* fileName;
    unsigned short parmCnt;
    unsigned short lineNo;
};

class FuncInfo {
public:
    // The frame of a function whose names are a constant site.
    explicit FuncInfo(const FuncSite& site_) : site(&site_) {
        if (__builtin_expect(MayTrace(), false)) Enter(site);
    }
    // The same with names given one by one (kept in the frame itself).
    FuncInfo(const char* className_, const char* funcName_, unsigned short parmCnt_, const char* fileName_,
             unsigned short lineNo_);
    ~FuncInfo() {
        if (__builtin_expect(MayTrace(), false)) Leave(site);
    }
    FuncInfo(const FuncInfo&) = delete;
    FuncInfo& operator=(const FuncInfo&) = delete;

    const char* GetClassName() const { return site->className; }
    void SetClassName(const char* name) { Own().className = name; }
    const char* GetFuncName() const { return site->funcName; }
    void SetFuncName(const char* name) { Own().funcName = name; }
    const char* GetFileName() const { return site->fileName; }
    void SetFileName(const char* name) { Own().fileName = name; }
    unsigned short GetParmCnt() const { return site->parmCnt; }
    void SetParmCnt(unsigned short cnt) { Own().parmCnt = cnt; }
    unsigned short GetLineNo() const { return site->lineNo; }
    void SetLineNo(unsigned short line) { Own().lineNo = line; }

    // Traced frames open now on the calling thread.
    static int GetCallListSz();
    static void SetCallListSz(int size);
    // 0 not yet decided, 1 tracing on, anything else off. SetTraceFlag(0)
    // makes the next frame read MXRFUNCTRACE again.
    static int GetTraceFlag();
    static void SetTraceFlag(int flag);
    // 1 when tracing is on; decides from MXRFUNCTRACE ("YES" exactly) once.
    static int IsTraceOn();
    // False only once tracing is known to be off (and no frame that entered
    // the slow way is open): a function may then take a shortcut that opens
    // fewer frames than its traced path.
    static bool MayTrace() { return checkFrames.load(std::memory_order_relaxed); }

    // The slow way in and out of a frame. Enter decides when undecided and,
    // when tracing, counts the frame and prints its entry line with names;
    // either way the frame goes on the thread's stack. Leave takes the
    // thread's innermost frame off the stack (none: the leaving frame entered
    // the fast way) and, when it printed its entry line, prints the exit line
    // at that line's depth (with names, or the entry line's names when null)
    // while tracing is still on, and counts down.
    static void Enter(const FuncSite* names);
    static void Leave(const FuncSite* names);

private:
    // The frame's own copy of its names, made on the first change.
    FuncSite& Own();

    const FuncSite* site;
    FuncSite own;          // filled only when a name is changed or given one by one

    // Set while a frame has more to do than the test: tracing is on, or not
    // yet decided, or a frame that entered the slow way is open.
    static std::atomic<bool> checkFrames;
};

// The frame that MXR_FRAME opens: the names stay those of its site, and it
// holds nothing, so with tracing off it costs a test of the flag on entry and
// on exit.
class FuncFrame {
public:
    explicit FuncFrame(const FuncSite& site) {
        if (__builtin_expect(FuncInfo::MayTrace(), false)) FuncInfo::Enter(&site);
    }
    ~FuncFrame() {
        if (__builtin_expect(FuncInfo::MayTrace(), false)) FuncInfo::Leave(nullptr);
    }
    FuncFrame(const FuncFrame&) = delete;
    FuncFrame& operator=(const FuncFrame&) = delete;
};

// Opens the frame of the enclosing function: MXR_FRAME("BasePtrLst", "Append", 1, "BasePtrLst.c");
#define MXR_FRAME(className, funcName, parmCnt, fileName)                                         \
    static constexpr FuncSite mxrFuncSite_{(className), (funcName), (fileName), (parmCnt), __LINE__}; \
    FuncFrame mxrFuncInfo_(mxrFuncSite_)

// The same inside a member of a class declared with MXR_CLASS / MXR_ABSTRACT_CLASS
// (ClassPattern.h): the class and source names come from the class.
#define MXR_METHOD_FRAME(funcName, parmCnt) MXR_FRAME(MxrNames::cls, (funcName), (parmCnt), MxrNames::src)
