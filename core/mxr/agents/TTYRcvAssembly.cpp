#include "TTYRcvAssembly.h"

#include <utility>

namespace {

std::string Named(unsigned short id, const char* why) { return "message " + std::to_string(id) + ": " + why; }

bool NeedsAnswer(const TTYPktBufrPtr& pkt) { return pkt->GetAckNotRequired() == 0; }

}  // namespace

void TTYRcvAssembly::Clear() {
    gathering.clear();
    recent.clear();
    recentSums = 0;
}

void TTYRcvAssembly::DropStale(unsigned nowSecs, std::vector<std::string>* dropped) {
    for (auto it = gathering.begin(); it != gathering.end();) {
        if (nowSecs - it->touched >= StaleSecs) {
            if (dropped != nullptr) dropped->push_back(Named(it->id, "incomplete for 300 s"));
            it = gathering.erase(it);
        } else {
            ++it;
        }
    }
    while (!recent.empty() && nowSecs - recent.front().at >= StaleSecs) {
        recentSums -= recent.front().sums.size();
        recent.pop_front();
    }
}

bool TTYRcvAssembly::IsDuplicate(const TTYPktBufrPtr& pkt) {
    const unsigned short id = pkt->GetPktCtrlId();
    for (auto it = recent.begin(); it != recent.end(); ++it) {
        if (it->id != id) continue;
        const int place = pkt->GetPktId();
        if (it->total == pkt->GetTotalPkts() && place >= 1 && place <= it->total &&
            it->sums[static_cast<std::size_t>(place - 1)] == pkt->GetPacketCheckSum())
            return true;
        // The number now belongs to a new message.
        recentSums -= it->sums.size();
        recent.erase(it);
        return false;
    }
    return false;
}

void TTYRcvAssembly::Remember(unsigned short id, int total, unsigned at, std::vector<unsigned> sums) {
    recentSums += sums.size();
    recent.push_back({id, total, at, std::move(sums)});
    while (recentSums > MaxRecentSums && !recent.empty()) {
        recentSums -= recent.front().sums.size();
        recent.pop_front();
    }
}

TTYRcvAssembly::Result TTYRcvAssembly::Put(const TTYPktBufrPtr& pkt, unsigned nowSecs, TTYPktCtrlPtr* done,
                                           std::vector<std::string>* dropped) {
    DropStale(nowSecs, dropped);
    const unsigned short id = pkt->GetPktCtrlId();
    const int total = pkt->GetTotalPkts();
    const int place = pkt->GetPktId();
    if (total < 1 || total > PipePktCtrl::MaxPktCnt || place < 1 || place > total) return Result::Refused;
    if (NeedsAnswer(pkt) && IsDuplicate(pkt)) return Result::Duplicate;

    auto it = gathering.begin();
    while (it != gathering.end() && it->id != id) ++it;
    if (it != gathering.end() && it->total != total) {
        if (dropped != nullptr) dropped->push_back(Named(id, "a new message took its number"));
        gathering.erase(it);
        it = gathering.end();
    }
    BasePktBufrPtr bp(pkt);
    if (it == gathering.end()) {
        TTYPktCtrlPtr ctrl(new TTYPktCtrl(bp));
        if (ctrl->GetBadFlg() != 0) return Result::Refused;
        if (gathering.size() >= static_cast<std::size_t>(MaxInAssembly)) {
            if (dropped != nullptr) dropped->push_back(Named(gathering.front().id, "too many messages in assembly"));
            gathering.erase(gathering.begin());
        }
        gathering.push_back({ctrl, id, total, nowSecs, std::vector<unsigned>(static_cast<std::size_t>(total), 0)});
        it = gathering.end() - 1;
    } else {
        it->ctrl->PutPktBufr(bp);
        it->touched = nowSecs;
    }
    it->sums[static_cast<std::size_t>(place - 1)] = pkt->GetPacketCheckSum();
    if (!it->ctrl->AllThere()) return Result::Partial;
    *done = it->ctrl;
    std::vector<unsigned> sums = std::move(it->sums);
    gathering.erase(it);
    if (NeedsAnswer(pkt)) Remember(id, total, nowSecs, std::move(sums));
    return Result::Complete;
}
