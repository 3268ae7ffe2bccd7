#pragma once
// The display root until the display-object tree joins the engine: no objects, an event
// queue that nothing fills, object and media commands that only step past themselves.
#include <memory>
#include <string>

#include "script/script_env.h"
#include "vars/param.h"

namespace vesk {

class TNullDisplay final : public IScriptDisplay {
  public:
    ObjectId FindObject(const std::string&) override { return 0; }
    std::string ObjectName(ObjectId) override { return {}; }
    TTimerList& Events() override { return events_; }
    std::unique_ptr<TCustomParam> GetProp(ObjectId, int32_t) override { return nullptr; }
    void SetProp(ObjectId, int32_t, const TCustomParam&) override {}
    void FreeAll() override { events_.Clear(); }

  private:
    TTimerList events_;
};

}  // namespace vesk
