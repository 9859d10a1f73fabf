// Function trace frame. Every member and free function of the framework
// (except BasePtr, bStr and FuncInfo itself) opens one as its first statement.
// The frame keeps the call depth (per thread, so that threads neither contend
// on one counter nor indent each other's lines) and, with MXRFUNCTRACE=YES,
// prints one line on entry and one on exit to stderr, indented by depth:
//   "  Entering: BasePtrLst::Append(,)"
// With tracing off a frame costs one counter update on entry and one on exit.
#pragma once

#include <atomic>

class FuncInfo {
public:
    // Inline: with tracing off a frame is one thread-local count up and down.
    FuncInfo(const char* className_, const char* funcName_, unsigned short parmCnt_, const char* fileName_,
             unsigned short lineNo_)
        : className(className_), funcName(funcName_), fileName(fileName_), parmCnt(parmCnt_), lineNo(lineNo_),
          depth(++callListSz) {
        if (IsTraceOn()) PrintLine("Entering: ");
    }
    ~FuncInfo() {
        if (IsTraceOn()) PrintLine("Leaving: ");
        --callListSz;
    }
    FuncInfo(const FuncInfo&) = delete;
    FuncInfo& operator=(const FuncInfo&) = delete;

    const char* GetClassName() const { return className; }
    void SetClassName(const char* name) { className = name; }
    const char* GetFuncName() const { return funcName; }
    void SetFuncName(const char* name) { funcName = name; }
    const char* GetFileName() const { return fileName; }
    void SetFileName(const char* name) { fileName = name; }
    unsigned short GetParmCnt() const { return parmCnt; }
    void SetParmCnt(unsigned short cnt) { parmCnt = cnt; }
    unsigned short GetLineNo() const { return lineNo; }
    void SetLineNo(unsigned short line) { lineNo = line; }

    // Frames open now on the calling thread.
    static int GetCallListSz();
    static void SetCallListSz(int size);
    // 0 not yet decided, 1 tracing on, anything else off. SetTraceFlag(0)
    // makes the next IsTraceOn read MXRFUNCTRACE again.
    static int GetTraceFlag();
    static void SetTraceFlag(int flag);
    // 1 when tracing is on; decides from MXRFUNCTRACE ("YES" exactly) once.
    static int IsTraceOn() {
        int flag = traceFlag.load(std::memory_order_relaxed);
        return flag == 0 ? DecideTrace() : (flag == 1 ? 1 : 0);
    }

private:
    static int DecideTrace();
    void PrintLine(const char* what) const;

    const char* className;
    const char* funcName;
    const char* fileName;
    unsigned short parmCnt;
    unsigned short lineNo;
    // The depth counted with this frame; the exit line reuses it.
    int depth;

    // Initial-exec: msgframe is always loaded with the program, so its few
    // bytes of thread-local storage can be static; no lookup call per frame.
    static thread_local int callListSz __attribute__((tls_model("initial-exec")));
    static std::atomic<int> traceFlag;
};

// Opens the frame of the enclosing function: MXR_FRAME("BasePtrLst", "Append", 1, "BasePtrLst.c");
#define MXR_FRAME(className, funcName, parmCnt, fileName) \
    FuncInfo mxrFuncInfo_((className), (funcName), (parmCnt), (fileName), __LINE__)

// The same inside a member of a class declared with MXR_CLASS / MXR_ABSTRACT_CLASS
// (ClassPattern.h): the class and source names come from the class.
#define MXR_METHOD_FRAME(funcName, parmCnt) MXR_FRAME(MxrNames::cls, (funcName), (parmCnt), MxrNames::src)
