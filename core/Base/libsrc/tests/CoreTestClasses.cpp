#include "CoreTestClasses.h"

#include <atomic>

#include "ClassDefine.h"
#include "EnumDefine.h"

namespace {
std::atomic<int> liveProbes{0};
}

MXR_CLASS_DEFINE(Probe);
MXR_ENUM_TABLE(Probe, GetColourCvtPtr, RED, BLUE);

Probe::Probe() : label(0), colour(RED) {
    MXR_METHOD_FRAME("Probe", 0);
    ++liveProbes;
}

Probe::Probe(int label_) : label(label_), colour(RED) {
    MXR_METHOD_FRAME("Probe", 1);
    ++liveProbes;
}

Probe::~Probe() {
    MXR_METHOD_FRAME("~Probe", 0);
    if (OnDestroy()) {
        auto hook = std::move(OnDestroy());
        OnDestroy() = nullptr;
        hook(this);
    }
    if (destroyLog != nullptr) destroyLog->push_back(static_cast<char>(label));
    --liveProbes;
}

std::string* Probe::destroyLog = nullptr;

int Probe::Live() { return liveProbes.load(); }

std::function<void(Probe*)>& Probe::OnDestroy() {
    static std::function<void(Probe*)> hook;
    return hook;
}

MXR_ABSTRACT_CLASS_DEFINE(Animal);
MXR_CLASS_DEFINE(Dog);
MXR_CLASS_DEFINE(Puppy);
MXR_CLASS_DEFINE(Cat);
