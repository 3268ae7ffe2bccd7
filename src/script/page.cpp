#include "script/page.h"

#include <algorithm>

#include "base/cp932.h"
#include "base/error.h"
#include "script/commands.h"
#include "script/script_env.h"
#include "vars/param_collection.h"

namespace vesk {

namespace {

// The smallest stored command: its type byte and header.
constexpr int64_t kMinCommandBytes = 1 + 4 + 1 + 1 + 4;

}  // namespace

TPage::TPage(std::string name, TParamCollection* store) : Name(std::move(name)), store_(store) {}

TPage::~TPage() {
    Commands.clear();
    if (store_) {
        // The page's own variable goes with the page.
        if (auto* item = store_->Find("\x01" + Name)) store_->Delete(item);
    }
}

bool TPage::HasProp(uint8_t code, int index) const {
    if (code >= kCommandTypeCount || index < 0 || index >= kPropertyCount) return false;
    return (PropertySet[code][size_t(index) / 8] >> (index % 8)) & 1;
}

void TPage::SetPropBit(uint8_t code, int index, bool on) {
    if (code >= kCommandTypeCount || index < 0 || index >= kPropertyCount) return;
    uint8_t& b = PropertySet[code][size_t(index) / 8];
    uint8_t bit = uint8_t(1u << (index % 8));
    b = on ? uint8_t(b | bit) : uint8_t(b & ~bit);
}

TPage::LoadResult TPage::LoadFromBytes(const uint8_t* data, size_t size) {
    Commands.clear();
    ViewStream s(data, size);
    StreamReader r(s);
    try {
        Version = r.I32("page version");
        if (Version > kPageVersionMax) return LoadResult::TooNew;
        if (Version < kPageVersionMin) return LoadResult::TooOld;
        ResultType = r.U8("page result type");
        PropertySetCount = r.I32("property set count");
        PropertySetSize = r.I32("property set size");
        PropertySetRest.clear();
        const int32_t setCount = std::max(PropertySetCount, 0);
        const int32_t setSize = std::max(PropertySetSize, 0);
        r.CheckCount(setCount, setSize, "property sets");
        for (auto& set : PropertySet) set.fill(0);
        size_t keep = std::min<size_t>(size_t(setSize), kPropertySetBytes);
        const int32_t used = std::min<int32_t>(setCount, kCommandTypeCount);
        // What the table does not keep is kept aside, for the writer. CheckCount has made
        // sure that it is all in the data.
        PropertySetRest.resize(size_t(PropertySetRestSize()));
        size_t at = 0;
        auto readRest = [&](size_t n) {
            if (n == 0) return;
            r.Raw(PropertySetRest.data() + at, n, "property set");
            at += n;
        };
        for (int32_t i = 0; i < used; ++i) {
            if (keep) r.Raw(PropertySet[size_t(i)].data(), keep, "property set");
            readRest(size_t(setSize) - keep);
        }
        // Records for type codes the player does not know are read in one go (a count of
        // empty records must not cost a loop).
        readRest(PropertySetRest.size() - at);
        int32_t count = r.I32("command count");
        if (count < 0) count = 0;
        r.CheckCount(count, kMinCommandBytes, "commands");
        Commands.reserve(size_t(count));
        for (int32_t i = 0; i < count; ++i) {
            // Only the low seven bits choose the command; the high one is kept for the writer.
            uint8_t stored = r.U8("command type");
            auto cmd = CreateCommand(this, stored & 0x7F);
            cmd->HighTypeBit = (stored & 0x80) != 0;
            cmd->LoadFromStream(r, Version);
            Commands.push_back(std::move(cmd));
        }
    } catch (...) {
        Commands.clear();
        throw;
    }
    return LoadResult::Ok;
}

TPage::LoadResult TPage::Load(const std::string& name, IPageSource& source) {
    Commands.clear();
    Name = name;
    return LoadFromBytes(source.LoadPage(name));
}

void TPage::SaveToStream(Stream& s, int32_t version) const {
    StreamWriter w(s);
    w.I32(version);
    w.U8(ResultType);
    if (PropertySetsFitLayout()) {
        w.I32(PropertySetCount);
        w.I32(PropertySetSize);
        const int32_t setCount = std::max(PropertySetCount, 0);
        const size_t setSize = size_t(std::max(PropertySetSize, 0));
        const size_t keep = std::min<size_t>(setSize, kPropertySetBytes);
        const int32_t used = std::min<int32_t>(setCount, kCommandTypeCount);
        size_t at = 0;
        auto writeRest = [&](size_t n) {
            if (n == 0) return;
            w.Raw(PropertySetRest.data() + at, n);
            at += n;
        };
        for (int32_t i = 0; i < used; ++i) {
            if (keep) w.Raw(PropertySet[size_t(i)].data(), keep);
            writeRest(setSize - keep);
        }
        writeRest(PropertySetRest.size() - at);
    } else {
        w.I32(kCommandTypeCount);
        w.I32(kPropertySetBytes);
        for (const auto& set : PropertySet) w.Raw(set.data(), set.size());
    }
    w.I32(Count());
    for (const auto& cmd : Commands) {
        w.U8(uint8_t(cmd->GetType() | (cmd->HighTypeBit ? 0x80 : 0)));
        cmd->SaveToStream(w, version);
    }
}

int64_t TPage::PropertySetRestSize() const {
    const int64_t setCount = std::max(PropertySetCount, 0);
    const int64_t setSize = std::max(PropertySetSize, 0);
    const int64_t used = std::min<int64_t>(setCount, kCommandTypeCount);
    return used * std::max<int64_t>(setSize - kPropertySetBytes, 0) + (setCount - used) * setSize;
}

bool TPage::PropertySetsFitLayout() const {
    if (int64_t(PropertySetRest.size()) != PropertySetRestSize()) return false;
    const int32_t used = std::clamp<int32_t>(PropertySetCount, 0, kCommandTypeCount);
    const size_t keep = size_t(std::clamp<int32_t>(PropertySetSize, 0, kPropertySetBytes));
    for (size_t i = 0; i < PropertySet.size(); ++i)
        for (size_t b = 0; b < kPropertySetBytes; ++b)
            if (PropertySet[i][b] && (int32_t(i) >= used || b >= keep)) return false;
    return true;
}

std::vector<uint8_t> TPage::SaveToBytes(int32_t version) const {
    MemoryStream m;
    SaveToStream(m, version);
    return std::move(m.Bytes());
}

void TPage::UpdatePropertySets() {
    for (auto& set : PropertySet) set.fill(0);
    for (const auto& cmd : Commands) {
        if (!IsComponentCode(cmd->GetType())) continue;
        const TCommandField& f = cmd->Field(0);
        for (uint8_t k : f.PropIndex) SetPropBit(cmd->GetType(), k, true);
    }
}

int32_t TPage::FindLabel(std::string_view name) const {
    for (int32_t i = 0; i < Count(); ++i)
        if (Commands[size_t(i)]->MatchLabel(name)) return i;
    return -1;
}

int32_t TPage::IndexOf(const TCommand* cmd) const {
    for (int32_t i = 0; i < Count(); ++i)
        if (Commands[size_t(i)].get() == cmd) return i;
    return -1;
}

std::unique_ptr<TCommand> CreateCommand(TPage* page, uint8_t code) {
    switch (code) {
        case CC_IF:
            return std::make_unique<TComIf>(page, code);
        case CC_ELSEIF:
            return std::make_unique<TComElseif>(page, code);
        case CC_ELSE:
            return std::make_unique<TComElse>(page, code);
        case CC_LABEL:
            return std::make_unique<TComLabel>(page, code);
        case CC_JUMP:
            return std::make_unique<TComJump>(page, code);
        case CC_CALL:
            return std::make_unique<TComCall>(page, code);
        case CC_EXIT:
            return std::make_unique<TComExit>(page, code);
        case CC_WAIT:
            return std::make_unique<TComWait>(page, code);
        case CC_BOXNEW:
            return std::make_unique<TComBoxNew>(page, code);
        case CC_IMGNEW:
            return std::make_unique<TComImgNew>(page, code);
        case CC_MESNEW:
            return std::make_unique<TComMesNew>(page, code);
        case CC_TIMER:
            return std::make_unique<TComTimer>(page, code);
        case CC_MOVIE:
            return std::make_unique<TComMovie>(page, code);
        case CC_FLIP:
            return std::make_unique<TComFlip>(page, code);
        case CC_CALC:
            return std::make_unique<TComCalc>(page, code);
        case CC_VARNEW:
            return std::make_unique<TComVarNew>(page, code);
        case CC_VARDEL:
            return std::make_unique<TComVarDel>(page, code);
        case CC_GETPROP:
            return std::make_unique<TComGetProp>(page, code);
        case CC_SETPROP:
            return std::make_unique<TComSetProp>(page, code);
        case CC_OBJDEL:
            return std::make_unique<TComObjDel>(page, code);
        case CC_TEXTINS:
            return std::make_unique<TComTextIns>(page, code);
        case CC_MOVIESTOP:
            return std::make_unique<TComMovieStop>(page, code);
        case CC_CLRHIST:
            return std::make_unique<TComClrHist>(page, code);
        case CC_CINEMA:
            return std::make_unique<TComCinema>(page, code);
        case CC_CAPTION:
            return std::make_unique<TComCaption>(page, code);
        case CC_MENU:
            return std::make_unique<TComMenu>(page, code);
        case CC_MENUCLOSE:
            return std::make_unique<TComMenuClose>(page, code);
        case CC_COMMENT:
            return std::make_unique<TComComment>(page, code);
        case CC_TEXTCLR:
            return std::make_unique<TComTextClr>(page, code);
        case CC_CALLHIST:
            return std::make_unique<TComCallHist>(page, code);
        case CC_BUTTON:
            return std::make_unique<TComBtnNew>(page, code);
        case CC_WHILE:
            return std::make_unique<TComWhile>(page, code);
        case CC_WHILEINIT:
            return std::make_unique<TComWhileInit>(page, code);
        case CC_WHILELOOP:
            return std::make_unique<TComWhileLoop>(page, code);
        case CC_BREAK:
            return std::make_unique<TComBreak>(page, code);
        case CC_CONTINUE:
            return std::make_unique<TComContinue>(page, code);
        case CC_PARTICLENEW:
            return std::make_unique<TComParticleNew>(page, code);
        case CC_FIRENEW:
            return std::make_unique<TComFireNew>(page, code);
        case CC_GAMESAVE:
            return std::make_unique<TComGameSave>(page, code);
        case CC_GAMELOAD:
            return std::make_unique<TComGameLoad>(page, code);
        case CC_PCRESET:
            return std::make_unique<TComPCReset>(page, code);
        case CC_RESET:
            return std::make_unique<TComReset>(page, code);
        case CC_SOUND:
            return std::make_unique<TComSound>(page, code);
        case CC_EDITNEW:
            return std::make_unique<TComEditNew>(page, code);
        case CC_MEMONEW:
            return std::make_unique<TComMemoNew>(page, code);
        case CC_TERMINATE:
            return std::make_unique<TComTerminate>(page, code);
        case CC_DOEVENT:
            return std::make_unique<TComDoEvent>(page, code);
        case CC_CLRREAD:
            return std::make_unique<TComClrRead>(page, code);
        case CC_MAPIMGNEW:
            return std::make_unique<TComMapImgNew>(page, code);
        case CC_WAVENEW:
            return std::make_unique<TComWaveNew>(page, code);
        case CC_TILENEW:
            return std::make_unique<TComTileNew>(page, code);
        case CC_SLIDERNEW:
            return std::make_unique<TComSliderNew>(page, code);
        case CC_SCROLLBARNEW:
            return std::make_unique<TComScrollbarNew>(page, code);
        case CC_GAUGENEW:
            return std::make_unique<TComGaugeNew>(page, code);
        case CC_CGCAPTION:
            return std::make_unique<TComCGCaption>(page, code);
        case CC_MEDIAPLAY:
            return std::make_unique<TComMediaPlay>(page, code);
        case CC_PREVMENUNEW:
            return std::make_unique<TComPrevMenuNew>(page, code);
        case CC_PROPMOTION:
            return std::make_unique<TComPropMotion>(page, code);
        case CC_FORMATHIST:
            return std::make_unique<TComEntryHist>(page, code);
        case CC_SAVECABINET:
            return std::make_unique<TComCabinetSave>(page, code);
        case CC_LOADCABINET:
            return std::make_unique<TComCabinetLoad>(page, code);
        default:
            Fail(VESK_JP("不正なコマンド"));
    }
}

}  // namespace vesk
