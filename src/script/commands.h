#pragma once
// The command classes. Control flow, variables, properties and system commands run here;
// the object and media commands keep their running state here and hand their effect to
// the display root (script_env.h), which does nothing but step past them until the
// display layer provides it.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "script/command.h"
#include "script/script_env.h"

namespace vesk {

// ---- control flow

class TComIf : public TCommand {
  public:
    enum { fCondition = 0 };
    using TCommand::TCommand;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComElseif : public TComIf {
  public:
    using TComIf::TComIf;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComElse : public TCommand {
  public:
    using TCommand::TCommand;
    bool GetRunNext() const override { return true; }
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComLabel : public TCommand {
  public:
    enum { fName = 0 };
    using TCommand::TCommand;
    bool MatchLabel(std::string_view name) const override { return TextAt(fName) == name; }
};

class TComComment : public TComLabel {
  public:
    using TComLabel::TComLabel;
    bool GetRunNext() const override { return false; }
    bool GetDisabled() const override { return true; }
};

class TComJump : public TCommand {
  public:
    enum { fPage = 0, fTarget, fCondition };
    using TCommand::TCommand;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComCall : public TCommand {
  public:
    enum { fPage = 0, fTarget, fResultVar, fCondition, fArguments };
    using TCommand::TCommand;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComExit : public TCommand {
  public:
    enum { fCondition = 0, fTarget };
    using TCommand::TCommand;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComBreak : public TComExit {
  public:
    using TComExit::TComExit;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComContinue : public TComExit {
  public:
    using TComExit::TComExit;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComWhile : public TCommand {
  public:
    enum { fCondition = 0, fEnd };
    using TCommand::TCommand;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComWhileInit : public TCommand {
  public:
    enum { fStatement = 0, fStart };
    using TCommand::TCommand;
    bool GetRunNext() const override { return true; }
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComWhileLoop : public TComWhileInit {
  public:
    using TComWhileInit::TComWhileInit;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

// ---- waiting and yielding

class TComWait : public TCommand {
  public:
    enum { fCondition = 0, fTime, fBlockEvents };
    using TCommand::TCommand;
    void Prepare(TCallMan& cm) override;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
    bool BlocksEvents() const override { return BlockEvents; }
    bool YieldsInEvent() const override { return true; }
    bool HasState() const override { return true; }
    void SaveState(StreamWriter& w, TCallMan& cm) const override;
    void LoadState(StreamReader& r, TCallMan& cm) override;

    int32_t Remaining = 0;
    int32_t FirstFrame = 0;
    bool BlockEvents = false;
};

class TComDoEvent : public TCommand {
  public:
    using TCommand::TCommand;
    bool GetRunNext() const override { return false; }
    bool YieldsInEvent() const override { return true; }
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

// ---- variables and properties

class TComCalc : public TCommand {
  public:
    enum { fStatement = 0 };
    using TCommand::TCommand;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComVarNew : public TCommand {
  public:
    enum { fName = 0, fType, fInitial, fScope };
    using TCommand::TCommand;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComVarDel : public TCommand {
  public:
    enum { fName = 0 };
    using TCommand::TCommand;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComGetProp : public TCommand {
  public:
    enum { fObject = 0, fProperty, fVar };
    using TCommand::TCommand;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComSetProp : public TCommand {
  public:
    enum { fObject = 0, fProperty, fValue };
    using TCommand::TCommand;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

// ---- system

class TComGameSave : public TCommand {
  public:
    enum { fSlot = 0, fLoadPage, fLoadTarget, fCaption };
    using TCommand::TCommand;
    bool GetRunNext() const override { return false; }
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComGameLoad : public TCommand {
  public:
    enum { fSlot = 0 };
    using TCommand::TCommand;
    bool GetRunNext() const override { return false; }
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComPCReset : public TCommand {
  public:
    enum { fPage = 0, fTarget, fAllFrames };
    using TCommand::TCommand;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComReset : public TComPCReset {
  public:
    using TComPCReset::TComPCReset;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

class TComTerminate : public TCommand {
  public:
    using TCommand::TCommand;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
};

// ---- object and media commands

// Whether `name` equals one of the lines (CR LF, LF or CR separated) of any of `texts`; the
// object lists of Flip and the cabinet commands.
bool NameListed(const std::vector<std::string>& texts, std::string_view name);

// Commands whose whole effect belongs to the display root.
class TComDisplay : public TCommand {
  public:
    using TCommand::TCommand;
    void Prepare(TCallMan& cm) override;
    void Execute(TCallMan& cm, TPage*& page, int32_t& pc) override;
    void Abort(TCallMan& cm) override;
};

class TComComponent : public TComDisplay {
  public:
    using TComDisplay::TComDisplay;
    // Evaluates the properties this command carries in the order objects take them and
    // hands each to `apply` with its value, or nullptr when the expression yielded none.
    void ApplyProps(TCallMan& cm,
                    const std::function<void(int index, const TCustomParam* value)>& apply);
};
class TComControl : public TComComponent {
  public:
    using TComComponent::TComComponent;
};
class TComTimer : public TComComponent {
  public:
    using TComComponent::TComComponent;
};
class TComSound : public TComComponent {
  public:
    using TComComponent::TComComponent;
};
class TComCabinet : public TComComponent {
  public:
    enum { fProperties = 0, fExclude, fNames };
    using TComComponent::TComComponent;
    // The texts of the Names values, for the display root to select objects with.
    std::vector<std::string> EvalNames(TCallMan& cm);
};
class TComCabinetSave : public TComCabinet {
  public:
    using TComCabinet::TComCabinet;
};
class TComCabinetLoad : public TComCabinet {
  public:
    using TComCabinet::TComCabinet;
};

// The control commands differ only in the object they create, which the display root
// reads from the type code.
template <uint8_t Code>
class TComControlOf final : public TComControl {
  public:
    using TComControl::TComControl;
};
using TComBoxNew = TComControlOf<CC_BOXNEW>;
using TComImgNew = TComControlOf<CC_IMGNEW>;
using TComMesNew = TComControlOf<CC_MESNEW>;
using TComMovie = TComControlOf<CC_MOVIE>;
using TComCinema = TComControlOf<CC_CINEMA>;
using TComCaption = TComControlOf<CC_CAPTION>;
using TComMenu = TComControlOf<CC_MENU>;
using TComBtnNew = TComControlOf<CC_BUTTON>;
using TComParticleNew = TComControlOf<CC_PARTICLENEW>;
using TComFireNew = TComControlOf<CC_FIRENEW>;
using TComEditNew = TComControlOf<CC_EDITNEW>;
using TComMemoNew = TComControlOf<CC_MEMONEW>;
using TComMapImgNew = TComControlOf<CC_MAPIMGNEW>;
using TComWaveNew = TComControlOf<CC_WAVENEW>;
using TComTileNew = TComControlOf<CC_TILENEW>;
using TComSliderNew = TComControlOf<CC_SLIDERNEW>;
using TComScrollbarNew = TComControlOf<CC_SCROLLBARNEW>;
using TComGaugeNew = TComControlOf<CC_GAUGENEW>;
using TComCGCaption = TComControlOf<CC_CGCAPTION>;
using TComPrevMenuNew = TComControlOf<CC_PREVMENUNEW>;

// The other display commands without a running state.
template <uint8_t Code>
class TComDisplayOf final : public TComDisplay {
  public:
    using TComDisplay::TComDisplay;
};
using TComObjDel = TComDisplayOf<CC_OBJDEL>;
using TComClrHist = TComDisplayOf<CC_CLRHIST>;
using TComMenuClose = TComDisplayOf<CC_MENUCLOSE>;
using TComTextClr = TComDisplayOf<CC_TEXTCLR>;
using TComCallHist = TComDisplayOf<CC_CALLHIST>;
using TComClrRead = TComDisplayOf<CC_CLRREAD>;
using TComMediaPlay = TComDisplayOf<CC_MEDIAPLAY>;
using TComPropMotion = TComDisplayOf<CC_PROPMOTION>;
using TComEntryHist = TComDisplayOf<CC_FORMATHIST>;

class TComFlip : public TComDisplay {
  public:
    enum {
        fEffect = 0,
        fTime,
        fReverse,
        fTargetMode,
        fTargetNames,
        fDeleteOld,
        fParam1,
        fParam2,
        fSource,
        fBlockEvents
    };
    using TComDisplay::TComDisplay;
    // Evaluates the expressions (effect, time, flags, target names), then lets the display
    // root take the snapshot and start the transition.
    void Prepare(TCallMan& cm) override;
    bool BlocksEvents() const override { return BlockEvents; }
    bool YieldsInEvent() const override { return TimeValue > 0; }
    bool HasState() const override { return true; }
    void SaveState(StreamWriter& w, TCallMan& cm) const override;
    void LoadState(StreamReader& r, TCallMan& cm) override;

    // True when `name` is one of the lines of the target names.
    bool ListsName(std::string_view name) const;

    int32_t Phase = 0;
    int32_t Effect = 0;
    int32_t Duration = 1;   // Time, at least 1
    int32_t TimeValue = 0;  // Time as written (0 when empty)
    bool HasTime = false;
    bool BlockEvents = false;
    bool DeleteOld = false;
    bool Reverse = false;
    bool HasTargetMode = false;
    int32_t TargetMode = 0;
    std::vector<std::string> TargetNames;  // the texts of the TargetNames values
    uint32_t StartTick = 0;
    // The transition's parameters as the display evaluated them at the start.
    bool HasParam[2] = {false, false};
    int32_t ParamValue[2] = {0, 0};
    bool HasSource = false;
    std::string SourceText;
    // Set when a loaded game put this flip back in the middle of its run: the display
    // starts its transition again where it was.
    bool RestoreTransition = false;
};

class TComTextIns : public TComDisplay {
  public:
    enum { fTextBlock = 0, fTarget, fTrackRead, fWait, fBlockEvents };
    using TComDisplay::TComDisplay;
    void Prepare(TCallMan& cm) override;
    bool BlocksEvents() const override { return BlockEvents; }
    bool YieldsInEvent() const override { return Window != 0 && Wait; }
    bool HasState() const override { return true; }
    void SaveState(StreamWriter& w, TCallMan& cm) const override;
    void LoadState(StreamReader& r, TCallMan& cm) override;
    // The stored text block, which the message window reads.
    const std::string& TextBlock() const { return TextAt(fTextBlock); }

    ObjectId Window = 0;
    bool Wait = false;
    bool BlockEvents = false;
};

class TComMovieStop : public TComDisplay {
  public:
    enum { fObject = 0, fTime, fWait, fBlockEvents };
    using TComDisplay::TComDisplay;
    void Prepare(TCallMan& cm) override;
    bool BlocksEvents() const override { return BlockEvents; }
    bool YieldsInEvent() const override { return Waiting; }
    bool HasState() const override { return true; }
    void SaveState(StreamWriter& w, TCallMan& cm) const override;
    void LoadState(StreamReader& r, TCallMan& cm) override;

    ObjectId Target = 0;
    bool Waiting = false;
    bool BlockEvents = false;
};

}  // namespace vesk
