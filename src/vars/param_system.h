#pragma once
// System variables: store entries 0..50 whose values come from the running system.
#include <memory>
#include <string>

#include "vars/param.h"

namespace vesk {

class TParamCollection;

enum SysVarId : uint8_t {
    SV_RESULT = 0,
    SV_LCLICK,
    SV_RCLICK,
    SV_LPUSH,
    SV_RPUSH,
    SV_MOUSEX,
    SV_MOUSEY,
    SV_TEXTDELAY,
    SV_HISTORYCOUNT,
    SV_PARAMCOUNT,
    SV_PARAMSTR,
    SV_SENDER,
    SV_SCRWIDTH,
    SV_SCRHEIGHT,
    SV_TICKCOUNT,
    SV_PCTICKCOUNT,
    SV_UPDATECOUNT,
    SV_YEAR,
    SV_MONTH,
    SV_DAY,
    SV_WEEK,
    SV_HOUR,
    SV_MIN,
    SV_SEC,
    SV_FONTS,
    SV_FIXEDFONTS,
    SV_FULLSCR,
    SV_CURSOR,
    SV_SELSTR,
    SV_SELINDEX,
    SV_PI,
    SV_CGDITHER,
    SV_1HOUR,
    SV_1MIN,
    SV_1SEC,
    SV_KEYPUSH,
    SV_KEYCLICK,
    SV_DISPLAYMODECOUNT,
    SV_DISPLAYMODEINDEX,
    SV_TITLE,
    SV_SOUNDON,
    SV_ACTIVECOMPO,
    SV_KEYREPEAT,
    SV_HISTORYMAXCOUNT,
    SV_TEMP,
    SV_MIDIPORT,
    SV_MIDIPORTS,
    SV_WHEELDOWN,
    SV_WHEELUP,
    SV_ISDEBUG,
    SV_STACKCOUNT
};

// The names of the system variables by number.
const char* SystemVarName(int id);
// The fixed type of a system variable (0 for "@Result" and "@Temp", whose type follows
// what they stand for).
uint8_t SystemVarType(int id);
bool SystemVarWritable(int id);

// What higher layers implement to answer the system variables of their subsystems.
class ISystemVarProvider {
  public:
    virtual ~ISystemVarProvider() = default;
    // The current value, or nullptr when this provider does not answer `id`.
    virtual std::unique_ptr<TCustomParam> ReadSystemVar(int id) = 0;
    // A write, already converted to the variable's own type.
    virtual void WriteSystemVar(int id, const TCustomParam& value) = 0;
    // The running call's result value that "@Result" stands for, or nullptr.
    virtual TCustomParam* CallResult() = 0;
};

class TParamSystem final : public TCustomParam {
  public:
    TParamSystem(uint8_t id, TParamCollection* store) : SysId(id), store_(store) {}
    const uint8_t SysId;

    int32_t Count() const override;
    uint8_t ParamType() const override;
    bool AsFlag() const override;
    Real AsFloat() const override;
    int32_t AsInt() const override;
    std::string AsStr() const override;
    void SetFlag(bool b) override;
    void SetFloat(Real x) override;
    void SetInt(int32_t n) override;
    void SetStr(std::string_view s) override;
    int32_t IntAt(int32_t i) const override;
    void SetIntAt(int32_t i, int32_t n) override;
    Real FloatAt(int32_t i) const override;
    void SetFloatAt(int32_t i, Real x) override;
    bool FlagAt(int32_t i) const override;
    void SetFlagAt(int32_t i, bool b) override;
    std::string StrAt(int32_t i) const override;
    void SetStrAt(int32_t i, std::string_view s) override;
    int32_t DimCount() const override;
    int32_t DimSize(int32_t k) const override;
    void SetDims(const std::vector<int32_t>& sizes) override;
    void FillInt(int32_t n) override;
    void FillFloat(Real x) override;
    void FillFlag(bool b) override;
    void FillStr(std::string_view s) override;
    void CopyMem(const TCustomParam& src) override;
    void MakeScalar() override;

  private:
    // "@Result" and "@Temp" stand for another value; nullptr for the others or when the
    // value they stand for is missing.
    TCustomParam* Forward() const;
    bool Forwards() const { return SysId == SV_RESULT || SysId == SV_TEMP; }
    // Applies a read to what the variable stands for; a neutral answer without it.
    template <class Fn>
    auto Via(Fn fn) const -> decltype(fn(*Forward())) {
        auto* f = Forward();
        return f ? fn(*f) : decltype(fn(*f)){};
    }
    // The current value in the variable's own type.
    std::unique_ptr<TCustomParam> Snapshot() const;
    bool IsArrayVar() const;
    void Write(const TCustomParam& v);
    // Raises the error of a write no system variable has a setter for.
    [[noreturn]] void NoSetter() const;

    TParamCollection* store_;
};

}  // namespace vesk
