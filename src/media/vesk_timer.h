#pragma once
// TVeskTimer (object kind 15): queues PR_ONNOTIFY every PR_DELAY milliseconds of unpaused
// time (0: every frame; negative: stopped). With auto scrap it fires once and goes as soon
// as its event has left the queue.
#include <string>

#include "display/vesk_object.h"

namespace vesk {

class TVeskTimer final : public TVeskComponent {
  public:
    using TVeskComponent::TVeskComponent;

    int32_t Kind() const override { return LT_TIMER; }
    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    bool Step(int32_t elapsed) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  private:
    int32_t delay_ = 0;
    bool paused_ = false;
    bool autoScrap_ = false;
    std::string notifyPage_;
    int64_t since_ = 0;  // ms since the last firing
    bool fired_ = false;
};

}  // namespace vesk
