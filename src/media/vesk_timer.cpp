#include "media/vesk_timer.h"

#include "base/stream.h"
#include "display/vesk_base_list.h"

namespace vesk {

bool TVeskTimer::Step(int32_t elapsed) {
    if (fired_ && autoScrap_) {
        // Gone once the script has taken its event.
        return !Owner() || !Owner()->Events().Find(Id(), PR_ONNOTIFY);
    }
    if (delay_ < 0) return false;
    since_ += elapsed;
    if (since_ < delay_) return false;
    // The firing time moves on by whole intervals, so a long frame fires once and the
    // rhythm stays.
    since_ = delay_ > 0 ? since_ % delay_ : 0;
    QueueEvent(PR_ONNOTIFY);
    fired_ = true;
    if (autoScrap_) return !Owner() || !Owner()->Events().Find(Id(), PR_ONNOTIFY);
    return false;
}

int32_t TVeskTimer::GetIntProp(int32_t index) {
    switch (index) {
        case PR_DELAY:
            return delay_;
        case PR_PAUSED:
            return paused_;
        case PR_AUTOSCRAP:
            return autoScrap_;
        default:
            return TVeskComponent::GetIntProp(index);
    }
}

void TVeskTimer::SetIntProp(int32_t index, int32_t value) {
    switch (index) {
        case PR_DELAY:
            delay_ = value;
            return;
        case PR_PAUSED:
            paused_ = value != 0;
            return;
        case PR_AUTOSCRAP:
            autoScrap_ = value != 0;
            return;
        default:
            TVeskComponent::SetIntProp(index, value);
    }
}

std::string TVeskTimer::GetStrProp(int32_t index) {
    if (index == PR_ONNOTIFY) return notifyPage_;
    return TVeskComponent::GetStrProp(index);
}

void TVeskTimer::SetStrProp(int32_t index, const std::string& value) {
    if (index == PR_ONNOTIFY)
        notifyPage_ = value;
    else
        TVeskComponent::SetStrProp(index, value);
}

void TVeskTimer::SaveState(StreamWriter& w) {
    TVeskComponent::SaveState(w);
    w.I32(delay_);
    w.Flag(paused_);
    w.Flag(autoScrap_);
    w.Str(notifyPage_);
    w.I32(int32_t(since_));
    w.Flag(fired_);
}

void TVeskTimer::LoadState(StreamReader& r, int32_t version) {
    TVeskComponent::LoadState(r, version);
    delay_ = r.I32("timer delay");
    paused_ = r.Flag("paused");
    autoScrap_ = r.Flag("auto scrap");
    notifyPage_ = r.Str("notify page");
    since_ = r.I32("time since firing");
    if (since_ < 0) since_ = 0;
    fired_ = r.Flag("fired");
}

}  // namespace vesk
