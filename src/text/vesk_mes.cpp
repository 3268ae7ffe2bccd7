#include "text/vesk_mes.h"

#include <algorithm>

#include "base/error.h"
#include "base/stream.h"
#include "display/vesk_base.h"
#include "display/vesk_base_list.h"
#include "gfx/custom_dibx.h"
#include "text/history.h"
#include "text/read_list.h"
#include "text/text_services.h"
#include "text/vesk_label.h"

namespace vesk {

namespace {

// The anti-alias level PR_ANTIALIAS turns on.
constexpr int32_t kAntialiasOn = 3;

}  // namespace

TVeskMes::TVeskMes(TVeskBaseList* owner, const TTextServices* services)
    : TVeskControl(owner),
      services_(services),
      word_(std::make_unique<TTpWord>(services ? *services : TTextServices{})),
      mesData_(services) {
    word_->Antialias = kAntialiasOn;
    word_->Paging = true;
    word_->TextDelay = textDelay_;
    word_->OnEvent = [this](const std::string& text) {
        if (!onNotify_.empty()) QueueEvent(PR_ONNOTIFY, SplitTextLines(text));
    };
}

TVeskMes::~TVeskMes() {
    // Pages point into the word's glyphs.
    pages_.clear();
}

TWdPage* TVeskMes::CurrentPage() const {
    if (pageIndex_ < 0 || pageIndex_ >= PageCount()) return nullptr;
    return pages_[size_t(pageIndex_)].get();
}

// ---- text

void TVeskMes::CommitHistory() {
    if (services_ && services_->Histories) services_->Histories->Commit(Name());
}

void TVeskMes::StartPage() {
    endSeen_ = false;
    if (onPlayStart_.empty()) return;
    const bool read = RecordRead == RR_TRACK && !MessageKey.empty() && services_ &&
                      services_->ReadList &&
                      services_->ReadList->IsRead(MessageKey, CommandIndex, pageIndex_);
    QueueEvent(PR_ONPLAYSTART, {read ? "1" : "0"});
    skipTicks_ = 1;
}

void TVeskMes::SetText(const std::string& text) {
    Invalidate();
    mesData_.Clear();
    text_ = text;
    CommitHistory();
    InsertPos = 0;
    ClearHover();
    pages_.clear();
    pageIndex_ = 0;
    scrollY_ = 0;
    // A tag error ends here, with the text before it parsed but nothing laid out.
    word_->SetText(SplitTextLines(text));
    word_->Layout(pages_);
    if (!pages_.empty()) {
        needsDraw_ = fullDraw_ = true;
        StartPage();
    }
    Invalidate();
}

void TVeskMes::InsertFromData(bool fireStart) {
    Invalidate();
    text_.clear();
    // The page shown until now was registered when it became current; here it is only
    // committed (the new text's key is already set and would misname it).
    CommitHistory();
    ClearHover();
    pages_.clear();
    pageIndex_ = -1;
    scrollY_ = 0;
    try {
        mesData_.BuildPages(*word_, pages_, InsertMode, InsertPos);
    } catch (const std::exception&) {
        // Damaged stored text shows nothing (and does not fail the command again and again).
        pages_.clear();
        word_->Clear();
    }
    if (!pages_.empty()) {
        if (fireStart) StartPage();
        needsDraw_ = fullDraw_ = true;
    }
    Invalidate();
}

void TVeskMes::InsertCommandText(const std::string& page, int32_t index, bool track) {
    RecordRead = RR_NONE;
    InsertPos = 0;
    if (track) {
        RecordRead = RR_TRACK;
        MessageKey = page;
        CommandIndex = index;
    }
    mesData_.SetWholeText(page, index);
    InsertMode = 0;
    InsertFromData(false);
    if (PageCount() > 0) SetPageIndex(0);
}

void TVeskMes::RecordPage() {
    TWdPage* page = CurrentPage();
    if (!page || !services_) return;
    int32_t from = 0, to = -1;
    if (!PageGlyphRange(*word_, *page, 0, from, to)) return;
    if (services_->Histories)
        services_->Histories->RegisterPage(Name(), MessageKey,
                                           JoinVarLines(VarValuesOf(*word_, 0, from, to)),
                                           pageIndex_, from, to, CommandIndex, width_, height_);
    if (services_->ReadList)
        services_->ReadList->SetPending(Name(), MessageKey, pageIndex_, CommandIndex);
}

void TVeskMes::SetPageIndex(int32_t n) {
    if (n < 0 || n >= PageCount() || n == pageIndex_) return;
    if (CurrentPage()) CommitHistory();
    ClearHover();
    pageIndex_ = n;
    scrollY_ = 0;
    TWdPage& page = *pages_[size_t(n)];
    page.ScrollY = 0;
    StartPage();
    if (RecordRead == RR_TRACK && !MessageKey.empty()) RecordPage();
    word_->ResetReveal(page);
    needsDraw_ = fullDraw_ = true;
    Invalidate();
}

void TVeskMes::SetScrollY(int32_t y) {
    scrollY_ = y;
    if (TWdPage* page = CurrentPage()) {
        page->ScrollY = y;
        page->Rev.Budget = 0;
        page->Rev.FadeAcc = 0;
    }
    Invalidate();
}

bool TVeskMes::IsBusy() const {
    const TWdPage* page = CurrentPage();
    if (!page) return false;
    return pageIndex_ < PageCount() - 1 || word_->IsRunning(*page);
}

int32_t TVeskMes::PlayState() const {
    const TWdPage* page = CurrentPage();
    return !page || !word_->IsRunning(*page) ? 2 : 0;
}

std::string TVeskMes::PageText() const {
    std::string text;
    if (const TWdPage* page = CurrentPage())
        for (const TWdGlyph* g : page->Order) {
            if (g->Kind() == wkChar || g->Kind() == wkVarChar)
                text += static_cast<const TWdChar*>(g)->Text();
            else if (g->Kind() == wkReturn || g->Kind() == wkVarReturn)
                text += "\r\n";
        }
    // The line break that ends the page is not part of its text.
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
        text.resize(text.size() - 2);
    return text;
}

// ---- frames

bool TVeskMes::Step(int32_t elapsed) {
    Tick(elapsed);
    return TVeskControl::Step(elapsed);
}

void TVeskMes::Tick(int32_t elapsed) {
    if (skipTicks_ >= 1) {
        --skipTicks_;
        return;
    }
    // The revelation waits until the start event's page has run.
    if (Owner() && Owner()->Events().Find(Id(), PR_ONPLAYSTART)) return;
    TWdPage* page = CurrentPage();
    if (!page) return;
    page->ScrollY = scrollY_;
    if (needsDraw_) {
        if (fullDraw_) {
            const int32_t m = page->InkMargin;
            page->MarkDirty(Bounds(-m, scrollY_ - m, std::max(page->Width, width_) + 2 * m,
                                   std::max(word_->VisibleHeight(*page), height_) + 2 * m));
        }
        needsDraw_ = fullDraw_ = false;
        Invalidate();
    }
    const std::string shown = word_->Step(*page, elapsed);
    // An event page may have changed the window meanwhile.
    if (page != CurrentPage()) return;
    if (!shown.empty() && !onPlaying_.empty()) QueueEvent(PR_ONPLAYING, {shown});
    if (!endSeen_ && word_->IsComplete(*page)) {
        endSeen_ = true;
        if (services_ && services_->ReadList) services_->ReadList->RecordPending(Name());
        if (!onPlayEnd_.empty()) QueueEvent(PR_ONPLAYEND);
    }
    InvalidatePage();
}

void TVeskMes::InvalidatePage() {
    TWdPage* page = CurrentPage();
    if (!page || page->Dirty.IsEmpty() || !IsVisible()) return;
    TVeskBase* layer = Layer();
    if (!layer) return;
    const int32_t m = page->InkMargin;
    const TRect d = page->Dirty;
    TRect r{d.left - m, d.top - m, d.right + m, d.bottom + m};
    const int32_t dx = ScreenLeft() + marginX_, dy = ScreenTop() + marginY_ - scrollY_;
    r = Intersect(TRect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}, ScreenRect());
    if (r.IsEmpty()) return;
    if (Parent() && !Parent()->ClipToVisible(r)) return;
    layer->AddDirtyRect(r);
}

void TVeskMes::PaintSelf(TCustomDIBX& s) {
    TWdPage* page = CurrentPage();
    if (!page || width_ <= 0 || height_ <= 0) return;
    page->ScrollY = scrollY_;
    const TRect saved = s.ClipRect();
    const TRect clip = Intersect(s.ClipArea(), ScreenRect());
    if (clip.IsEmpty()) return;
    s.SetClipRect(clip);
    word_->Draw(*page, s, ScreenLeft() + marginX_, ScreenTop() + marginY_);
    s.SetClipRect(saved);
}

// ---- mouse

void TVeskMes::ClearHover() {
    if (TWdPage* page = CurrentPage()) {
        if (word_->SetHover(*page, -1000000, -1000000)) InvalidatePage();
    }
}

TVeskControl* TVeskMes::HitTest(int32_t x, int32_t y, uint8_t mask) {
    if (!captureLink_) return TVeskControl::HitTest(x, y, mask);
    if (!IsVisible()) return nullptr;
    const TRect r = ScreenRect();
    if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return nullptr;
    for (int32_t i = ChildCount(); i-- > 0;)
        if (TVeskControl* hit = ChildAt(i)->HitTest(x, y, mask)) return hit;
    const uint8_t im = IgnoreMouse();
    if (im > IM_RCLICK || !(mask & (1u << im))) return nullptr;
    // Only a glyph of a link takes the mouse; between them it passes to what lies below.
    TWdPage* page = CurrentPage();
    if (!page) return nullptr;
    const TWdGlyph* g = word_->HitTest(*page, PageX(x), PageY(y));
    const TWdReal* real = g ? AsReal(*g) : nullptr;
    return real && !real->Link.empty() ? this : nullptr;
}

void TVeskMes::MouseMove(int32_t x, int32_t y) {
    TVeskControl::MouseMove(x, y);
    TWdPage* page = CurrentPage();
    if (!page) return;
    if (pausedFlag_ || word_->IsRunning(*page)) {
        ClearHover();
        return;
    }
    if (word_->SetHover(*page, PageX(x), PageY(y))) InvalidatePage();
}

void TVeskMes::MouseOut(TVeskControl* next) {
    TVeskControl::MouseOut(next);
    ClearHover();
}

void TVeskMes::LeftUp(int32_t x, int32_t y) {
    TWdPage* page = CurrentPage();
    const std::string* link = page ? word_->HoverLink(*page) : nullptr;
    if (!onLink_.empty() && link && Owner() && !Owner()->Events().Find(Id(), PR_ONLINK)) {
        // The link's characters, then each line of its target.
        std::string chars;
        const size_t first = size_t(page->Hover);
        for (size_t i = first; i < page->Order.size(); ++i) {
            const TWdReal* g = AsReal(*page->Order[i]);
            if (!g || g->Link != *link) break;
            chars += g->Kind() == wkImg ? std::string("*") : static_cast<const TWdChar*>(g)->Text();
        }
        std::vector<std::string> args{chars};
        for (std::string& line : SplitTextLines(*link)) args.push_back(std::move(line));
        QueueEvent(PR_ONLINK, std::move(args));
        return;
    }
    TVeskControl::LeftUp(x, y);
}

// ---- properties

template <class F>
void TVeskMes::Forward(F&& set) {
    Invalidate();
    set(*word_);
    needsDraw_ = true;
    Invalidate();
}

void TVeskMes::UpdatePageSize() {
    // Margins keep the text off the window's edges on both sides.
    auto inner = [](int32_t size, int32_t margin) {
        if (size <= 0) return size;
        return std::max<int32_t>(1, int32_t(std::clamp<int64_t>(int64_t(size) - 2 * int64_t(margin),
                                                                INT32_MIN, INT32_MAX)));
    };
    Forward([&](TTpWord& w) {
        w.PageWidth = inner(width_, marginX_);
        w.PageHeight = inner(height_, marginY_);
    });
}

void TVeskMes::SetPaused(bool flag, bool text) {
    const bool was = pausedFlag_ || textPaused_;
    pausedFlag_ = flag;
    textPaused_ = text;
    word_->Paused = flag || text;
    if (was && !word_->Paused)
        if (TWdPage* page = CurrentPage()) {
            // Resumes from the next glyph without making up for the time paused.
            page->Rev.Budget = 0;
            page->Rev.FadeAcc = 0;
        }
}

int32_t TVeskMes::GetIntProp(int32_t index) {
    const TTpWord& w = *word_;
    switch (index) {
        case PR_FONTHEIGHT:
            return w.FontSize;
        case PR_FONTCOLOR:
            return w.FontColor;
        case PR_FONTLINKCOLOR:
            return w.LinkColor;
        case PR_FONTHOVERCOLOR:
            return w.HoverColor;
        case PR_FONTBORDERCOLOR:
            return w.BorderColor;
        case PR_FONTSHADOWCOLOR:
            return w.ShadowColor;
        case PR_FONTBORDER:
            return w.Border;
        case PR_FONTSHADOW:
            return w.Shadow;
        case PR_LINESPACE:
            return w.LineSpace;
        case PR_ANTIALIAS:
            return w.Antialias != 0;
        case PR_ALPHA:
            return w.Alpha;
        case PR_TEXTDELAY:
            return textDelay_;
        case PR_DELAY:
            return w.FadeTime;
        case PR_CARETX:
            return w.CaretX() + marginX_;
        case PR_CARETY:
            return w.CaretY() + marginY_ - scrollY_;
        case PR_CARETHEIGHT:
            return w.CaretHeight();
        case PR_MARGINX:
            return marginX_;
        case PR_MARGINY:
            return marginY_;
        case PR_INDEX:
            return pageIndex_;
        case PR_COUNT:
            return PageCount();
        case PR_SCROLLY:
            return scrollY_;
        case PR_PLAYING:
            return IsBusy();
        case PR_PAUSED:
            return pausedFlag_;
        case PR_TEXTPAUSED:
            return textPaused_;
        case PR_CAPTURELINK:
            return captureLink_;
        default:
            return TVeskControl::GetIntProp(index);
    }
}

void TVeskMes::SetIntProp(int32_t index, int32_t value) {
    switch (index) {
        case PR_FONTHEIGHT:
            return Forward([&](TTpWord& w) { w.FontSize = value; });
        case PR_FONTCOLOR:
            return Forward([&](TTpWord& w) { w.FontColor = value; });
        case PR_FONTLINKCOLOR:
            return Forward([&](TTpWord& w) { w.LinkColor = value; });
        case PR_FONTHOVERCOLOR:
            return Forward([&](TTpWord& w) { w.HoverColor = value; });
        case PR_FONTBORDERCOLOR:
            return Forward([&](TTpWord& w) { w.BorderColor = value; });
        case PR_FONTSHADOWCOLOR:
            return Forward([&](TTpWord& w) { w.ShadowColor = value; });
        case PR_FONTBORDER:
            return Forward([&](TTpWord& w) { w.Border = value; });
        case PR_FONTSHADOW:
            return Forward([&](TTpWord& w) { w.Shadow = value; });
        case PR_LINESPACE:
            return Forward([&](TTpWord& w) { w.LineSpace = value; });
        case PR_ANTIALIAS:
            return Forward([&](TTpWord& w) { w.Antialias = value ? kAntialiasOn : 0; });
        case PR_ALPHA:
            return Forward([&](TTpWord& w) { w.Alpha = value; });
        case PR_TEXTDELAY:
            textDelay_ = value;
            return Forward([&](TTpWord& w) { w.TextDelay = value; });
        case PR_DELAY:
            return Forward([&](TTpWord& w) { w.FadeTime = std::max(value, 0); });
        case PR_CARETX:
        case PR_CARETY:
        case PR_CARETHEIGHT:
        case PR_COUNT:
        case PR_PLAYING:
            return;  // read only
        case PR_WIDTH:
        case PR_HEIGHT:
            TVeskControl::SetIntProp(index, value);
            return UpdatePageSize();
        case PR_MARGINX:
        case PR_MARGINY:
            (index == PR_MARGINX ? marginX_ : marginY_) = value;
            return UpdatePageSize();
        case PR_INDEX:
            return SetPageIndex(value);
        case PR_SCROLLY:
            return SetScrollY(value);
        case PR_PAUSED:
            return SetPaused(value != 0, textPaused_);
        case PR_TEXTPAUSED:
            return SetPaused(pausedFlag_, value != 0);
        case PR_CAPTURELINK:
            captureLink_ = value != 0;
            return;
        default:
            TVeskControl::SetIntProp(index, value);
    }
}

std::string TVeskMes::GetStrProp(int32_t index) {
    switch (index) {
        case PR_FONTNAME:
            return word_->FontName;
        case PR_TEXT:
            return PageText();
        case PR_ONPLAYSTART:
            return onPlayStart_;
        case PR_ONPLAYING:
            return onPlaying_;
        case PR_ONPLAYEND:
            return onPlayEnd_;
        case PR_ONNOTIFY:
            return onNotify_;
        case PR_ONLINK:
            return onLink_;
        case PR_ONIDLE:
            return onIdle_;
        default:
            return TVeskControl::GetStrProp(index);
    }
}

void TVeskMes::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_FONTNAME:
            return Forward([&](TTpWord& w) { w.FontName = value; });
        case PR_TEXT:
            RecordRead = RR_NONE;
            return SetText(value);
        case PR_ONPLAYSTART:
            onPlayStart_ = value;
            return;
        case PR_ONPLAYING:
            onPlaying_ = value;
            return;
        case PR_ONPLAYEND:
            onPlayEnd_ = value;
            return;
        case PR_ONNOTIFY:
            onNotify_ = value;
            word_->EventsEnabled = !value.empty();
            return;
        case PR_ONLINK:
            onLink_ = value;
            return;
        case PR_ONIDLE:
            onIdle_ = value;
            return;
        default:
            TVeskControl::SetStrProp(index, value);
    }
}

// ---- saving

void TVeskMes::SaveState(StreamWriter& w) {
    TVeskControl::SaveState(w);
    const TTpWord& t = *word_;
    w.I32(marginX_);
    w.I32(marginY_);
    w.I32(t.FontSize);
    w.Str(t.FontName);
    w.I32(t.FontColor);
    w.I32(t.PageHeight);
    w.I32(t.PageWidth);
    w.I32(t.Antialias);
    w.I32(t.LineSpace);
    w.Flag(t.Paging);
    w.I32(t.LinkColor);
    w.I32(t.HoverColor);
    w.I32(t.FadeTime);
    w.I32(t.BorderColor);
    w.I32(t.Alpha);
    w.Flag(t.Paused);
    w.I32(t.CaretX());
    w.I32(t.CaretY());
    w.I32(t.TextDelay);
    w.Flag(t.EventsEnabled);
    w.I32(t.ShadowColor);
    w.I32(t.Border);
    w.I32(t.Shadow);

    // The message data, with the VAR values the current page shows now.
    TVeskNewMesData saved(services_);
    saved.Data = mesData_.Data;
    saved.Rows = mesData_.Rows;
    if (saved.Data.Segs.size() == 1 && saved.Data.TotalHeight == 0 && CurrentPage())
        saved.Data.Segs.front().VarValues = JoinVarLines(VarValuesOf(*word_, 0, 0, -1));
    saved.Save(w);

    w.U8(InsertMode);
    w.I32(InsertPos);
    w.Str(text_);
    w.I32(pageIndex_);
    w.I32(scrollY_);
    w.I32(spareInt_);
    for (const std::string& s : spare_) w.Str(s);
    for (const std::string* s : {&onPlaying_, &onPlayStart_, &onPlayEnd_, &onLink_, &onNotify_})
        w.Str(*s);
    w.Flag(pausedFlag_);
    w.Flag(textPaused_);
    w.I32(textDelay_);
    w.U8(RecordRead);
    w.Str(MessageKey);
    w.I32(CommandIndex);
    w.Str(onIdle_);
    w.Flag(captureLink_);
    w.I32(int32_t(pages_.size()));
    for (const auto& page : pages_) w.U8(word_->IsComplete(*page) ? 1 : 0);
}

void TVeskMes::LoadState(StreamReader& r, int32_t version) {
    TVeskControl::LoadState(r, version);
    pages_.clear();
    TTpWord& t = *word_;
    t.Clear();
    marginX_ = r.I32("message origin x");
    marginY_ = r.I32("message origin y");
    t.FontSize = r.I32("message font size");
    t.FontName = r.Str("message font name");
    t.FontColor = r.I32("message font colour");
    t.PageHeight = r.I32("message page height");
    t.PageWidth = r.I32("message page width");
    t.Antialias = r.I32("message anti-alias");
    t.LineSpace = r.I32("message line space");
    t.Paging = r.Flag("message paging");
    t.LinkColor = r.I32("message link colour");
    t.HoverColor = r.I32("message hover colour");
    t.FadeTime = std::max(r.I32("message fade time"), 0);
    t.BorderColor = r.I32("message border colour");
    t.Alpha = r.I32("message alpha");
    t.Paused = r.Flag("message paused");
    r.I32("message caret x");  // the caret follows the revelation again
    r.I32("message caret y");
    t.TextDelay = r.I32("message text delay");
    t.EventsEnabled = r.Flag("message events");
    if (version >= 110) t.ShadowColor = r.I32("message shadow colour");
    if (version >= 111) {
        t.Border = r.I32("message border");
        t.Shadow = r.I32("message shadow");
    }
    mesData_.Load(r, version);
    InsertMode = r.U8("message insert mode");
    InsertPos = version >= 113 ? r.I32("message insert position") : 0;
    text_ = r.Str("message text");
    savedPageIndex_ = r.I32("message page index");
    scrollY_ = r.I32("message scroll");
    spareInt_ = r.I32("message setting");
    for (std::string& s : spare_) s = r.Str("message string");
    for (std::string* s : {&onPlaying_, &onPlayStart_, &onPlayEnd_, &onLink_, &onNotify_})
        *s = r.Str("message event page");
    pausedFlag_ = r.Flag("message paused flag");
    textPaused_ = r.Flag("message text paused");
    textDelay_ = r.I32("message text delay");
    t.TextDelay = textDelay_;
    RecordRead = r.U8("message read tracking");
    MessageKey = r.Str("message key");
    CommandIndex = r.I32("message command");
    onIdle_ = version >= 104 ? r.Str("message idle page") : std::string();
    captureLink_ = version >= 120 ? r.Flag("message capture link") : false;
    const int32_t n = r.I32("message page count");
    r.CheckCount(n, 1, "message page states");
    savedReveal_.resize(size_t(n));
    for (uint8_t& b : savedReveal_) b = r.U8("message page state");
    t.Paused = pausedFlag_ || textPaused_;
    pageIndex_ = -1;
}

void TVeskMes::RestoreAfterLoad() {
    const int32_t index = savedPageIndex_, scroll = scrollY_;
    const uint8_t record = RecordRead;
    const std::string key = MessageKey;
    const int32_t command = CommandIndex;
    std::vector<uint8_t> reveal = std::move(savedReveal_);
    savedReveal_.clear();
    // No history or read-list bookkeeping while the text comes back: it was done when the
    // reader first saw it.
    RecordRead = RR_NONE;
    pages_.clear();
    word_->Clear();
    try {
        if (mesData_.IsEmpty()) {
            word_->SetText(SplitTextLines(text_));
            word_->Layout(pages_);
        } else {
            mesData_.BuildPages(*word_, pages_, InsertMode, InsertPos);
        }
    } catch (const std::exception&) {
        // A text that no longer lays out shows nothing.
        pages_.clear();
    }
    RecordRead = record;
    MessageKey = key;
    CommandIndex = command;
    // A damaged index shows no page.
    pageIndex_ = index >= -1 && index <= std::max(PageCount() - 1, 0) ? index : -1;
    scrollY_ = scroll;
    if (TWdPage* page = CurrentPage()) {
        page->ScrollY = scrollY_;
        word_->ResetReveal(*page);
    }
    for (size_t i = 0; i < pages_.size() && i < reveal.size(); ++i) {
        if (reveal[i]) word_->RevealAll(*pages_[i]);
    }
    if (TWdPage* page = CurrentPage()) endSeen_ = word_->IsComplete(*page);
    needsDraw_ = fullDraw_ = true;
    Invalidate();
}

}  // namespace vesk
