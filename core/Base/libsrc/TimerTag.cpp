#include "TimerTag.h"

#include "BaseWorld.h"
#include "ClassDefine.h"
#include "MxrAssert.h"

MXR_LOCAL_CLASS_DEFINE(TimerTag);

unsigned TimerTag::nextTagValue = 0;

namespace {
// Constructed after the class's registration, destroyed at exit.
TimerTagLst tagList;
}  // namespace

TimerTag::TimerTag() : TagValue(nextTagValue++) { MXR_METHOD_FRAME("TimerTag", 0); }

TimerTag::~TimerTag() { MXR_METHOD_FRAME("~TimerTag", 0); }

unsigned TimerTag::GetTagValue() const {
    MXR_METHOD_FRAME("GetTagValue", 0);
    return TagValue;
}

void TimerTag::SetTagValue(unsigned value) {
    MXR_METHOD_FRAME("SetTagValue", 1);
    TagValue = value;
}

int TimerTag::operator==(const TimerTag& o) const {
    MXR_METHOD_FRAME("operator==", 1);
    return TagValue == o.TagValue ? 1 : 0;
}

int TimerTag::CancelTimer() {
    MXR_METHOD_FRAME("CancelTimer", 0);
    BaseWorld* worldPtr = BaseWorld::GetWorldPtr();
    MXR_ASSERT(worldPtr != 0, "worldPtr != 0", "TimerTag");
    return worldPtr->GetTimerManager().CancelTimer(TimerTagPtr(this));
}

int TimerTag::ResetTimer() {
    MXR_METHOD_FRAME("ResetTimer", 0);
    BaseWorld* worldPtr = BaseWorld::GetWorldPtr();
    MXR_ASSERT(worldPtr != 0, "worldPtr != 0", "TimerTag");
    return worldPtr->GetTimerManager().ResetTimer(TimerTagPtr(this));
}

unsigned TimerTag::GetNextTagValue() {
    MXR_METHOD_FRAME("GetNextTagValue", 0);
    return nextTagValue;
}

TimerTagLst& TimerTag::GetTagList() {
    MXR_METHOD_FRAME("GetTagList", 0);
    return tagList;
}

TimerTagPtr TimerTag::GetTimerTag() {
    MXR_METHOD_FRAME("GetTimerTag", 0);
    {
        // Every timer start walks the pool: through the plain list, without
        // the companions' frames.
        BasePtrLstIter it(tagList);
        for (BasePtr t = it.First(); t.GetPtr() != nullptr; t = it.Next()) {
            // Held by the pool's cell and by t: nobody else has it.
            if (t->GetRefCnt() == 2) {
                it.DeleteCurrentItem();
                tagList.Append(t);
                return TimerTagPtr(t);
            }
        }
    }
    TimerTagPtr fresh(new TimerTag());
    tagList.Append(fresh);
    return fresh;
}
