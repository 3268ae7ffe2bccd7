#include "media/wav_out.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>

#include "media/audio_format.h"

namespace vesk {

int NormalizeDelayTime(int ms) {
    return std::clamp(ms / 100 * 100, 100, 500);
}

namespace {

constexpr size_t kPoolStart = 4;
constexpr size_t kMaxInFlight = 2;

// How one source format becomes 16-bit stereo at 44100 Hz: bytes of one input unit (a
// sample frame) and the output frames it makes. Zero for formats the mixer does not take.
struct Conversion {
    int unitBytes = 0;
    int framesPerUnit = 0;
};

Conversion ConversionFor(const TWavFormat& f) {
    if ((f.bitsPerSample != 8 && f.bitsPerSample != 16) || (f.channels != 1 && f.channels != 2))
        return {};
    if (f.samplesPerSec != 44100 && f.samplesPerSec != 22050) return {};
    return {f.bitsPerSample / 8 * f.channels, f.samplesPerSec == 44100 ? 1 : 2};
}

// Converts whole units of `in` into stereo frames; returns the frames written.
size_t Convert(const TWavFormat& f, const Conversion& c, const uint8_t* in, size_t bytes,
               int16_t* out) {
    const size_t units = bytes / size_t(c.unitBytes);
    int16_t* o = out;
    for (size_t u = 0; u < units; ++u, in += c.unitBytes) {
        int16_t l, r;
        if (f.bitsPerSample == 16) {
            l = int16_t(in[0] | in[1] << 8);
            r = f.channels == 2 ? int16_t(in[2] | in[3] << 8) : l;
        } else {
            l = int16_t((int(in[0]) - 128) * 256);
            r = f.channels == 2 ? int16_t((int(in[1]) - 128) * 256) : l;
        }
        for (int k = 0; k < c.framesPerUnit; ++k) {
            *o++ = l;
            *o++ = r;
        }
    }
    return units * size_t(c.framesPerUnit);
}

}  // namespace

// ---- TWavBuffer ----

TWavBuffer::TWavBuffer(TWavOut& owner, std::unique_ptr<TOggStream> stream)
    : owner_(&owner), stream_(std::move(stream)), format_(stream_->GetFormat()) {
    scratch_.resize(owner.blockSize_);
    converted_.resize(owner.blockSize_ / sizeof(int16_t));
}

TWavBuffer::~TWavBuffer() = default;

void TWavBuffer::Detach() {
    if (owner_) owner_->DestroySource(this);
}

void TWavBuffer::Play() {
    if (!owner_) return;
    std::lock_guard lock(owner_->m_);
    playing_ = true;
    paused_ = false;
    ended_ = false;
    auto& list = owner_->playing_;
    if (std::find(list.begin(), list.end(), this) == list.end()) list.push_back(this);
}

void TWavBuffer::Pause() {
    if (!owner_) return;
    std::lock_guard lock(owner_->m_);
    paused_ = true;
    std::erase(owner_->playing_, this);
}

void TWavBuffer::SetReadPos(int64_t bytes) {
    if (!owner_) return;
    std::lock_guard lock(owner_->m_);
    readPos_ = std::max<int64_t>(bytes, 0);
}

int64_t TWavBuffer::ReadPos() {
    if (!owner_) return 0;
    std::lock_guard lock(owner_->m_);
    return readPos_;
}

void TWavBuffer::SetVolume(int factor) {
    if (!owner_) return;
    std::lock_guard lock(owner_->m_);
    volume_ = std::clamp(factor, 0, 256);
}

int TWavBuffer::Volume() {
    if (!owner_) return 0;
    std::lock_guard lock(owner_->m_);
    return volume_;
}

void TWavBuffer::SetLoop(bool loop) {
    if (!owner_) return;
    std::lock_guard lock(owner_->m_);
    loop_ = loop;
}

bool TWavBuffer::Loop() {
    if (!owner_) return false;
    std::lock_guard lock(owner_->m_);
    return loop_;
}

void TWavBuffer::SetLoopPos(int64_t bytes) {
    if (!owner_) return;
    std::lock_guard lock(owner_->m_);
    loopPos_ = std::max<int64_t>(bytes, 0);
}

int64_t TWavBuffer::LoopPos() {
    if (!owner_) return 0;
    std::lock_guard lock(owner_->m_);
    return loopPos_;
}

bool TWavBuffer::IsPlaying() {
    if (!owner_) return false;
    std::lock_guard lock(owner_->m_);
    return playing_;
}

bool TWavBuffer::IsPaused() {
    if (!owner_) return false;
    std::lock_guard lock(owner_->m_);
    return paused_;
}

bool TWavBuffer::HasEnded() {
    if (!owner_) return false;
    std::lock_guard lock(owner_->m_);
    return ended_;
}

bool TWavBuffer::HasFinished() {
    if (!owner_) return false;
    std::lock_guard lock(owner_->m_);
    const uint32_t since = owner_->clock_.NowMs() - lastTime_;
    return ended_ && since > uint32_t(2 * owner_->delay_ + 10);
}

int64_t TWavBuffer::AudiblePos() {
    if (!owner_) return 0;
    std::lock_guard lock(owner_->m_);
    const uint32_t since = owner_->clock_.NowMs() - lastTime_;
    if (since > uint32_t(2 * owner_->delay_)) return readPos_;
    int64_t pos = readPos_ - owner_->SourceBytes(format_, owner_->delay_) +
                  owner_->SourceBytes(format_, since);
    return std::clamp<int64_t>(pos, 0, stream_->GetSize());
}

int64_t TWavBuffer::StreamSize() {
    if (!owner_) return 0;
    std::lock_guard lock(owner_->m_);
    return stream_->GetSize();
}

int TWavBuffer::StreamLength() {
    if (!owner_) return 0;
    std::lock_guard lock(owner_->m_);
    return stream_->GetLen();
}

// ---- TWavOut ----

TWavOut::TWavOut(MixBus& bus, AudioClock& clock, int delayTimeMs)
    : bus_(bus),
      clock_(clock),
      delay_(NormalizeDelayTime(delayTimeMs)),
      blockSize_(size_t(delay_) * kOutBytesPerSec / 1000) {}

TWavOut::~TWavOut() {
    Close();
}

bool TWavOut::Open() {
    {
        std::lock_guard lock(m_);
        if (port_) return false;
        port_ = std::make_unique<WaveOutPort>();
        while (pool_.size() < kPoolStart) {
            auto e = std::make_unique<TMemData>();
            e->data.resize(blockSize_);
            pool_.push_back(std::move(e));
        }
    }
    bus_.Add(port_.get());
    feeder_ = clock_.StartTicker(uint32_t(delay_ / 4), [this] { Feed(); });
    return true;
}

bool TWavOut::IsOpen() {
    std::lock_guard lock(m_);
    return port_ != nullptr;
}

void TWavOut::Close() {
    // The feeder takes the lock itself, so it is stopped before the lock is taken here.
    feeder_.reset();
    std::unique_ptr<WaveOutPort> port;
    {
        std::lock_guard lock(m_);
        if (port_) port_->Reset();
        playing_.clear();
        // Items may still hold their sources: from now on those do nothing.
        for (auto& src : sources_) src->owner_ = nullptr;
        sources_.clear();
        std::erase_if(inFlight_, [](std::unique_ptr<TWavPrimary>& b) {
            if (b->written) return false;
            b->mem->owner = nullptr;
            return true;
        });
        // After the reset every written block is done; nothing is left to wait for.
        ReleaseDone(false);
        port = std::move(port_);
    }
    if (port) bus_.Remove(port.get());
}

std::shared_ptr<TWavBuffer> TWavOut::CreateSource(std::unique_ptr<TOggStream> stream) {
    auto s = std::make_shared<TWavBuffer>(*this, std::move(stream));
    std::lock_guard lock(m_);
    sources_.push_back(s);
    return s;
}

void TWavOut::DestroySource(TWavBuffer* source) {
    std::shared_ptr<TWavBuffer> gone;  // freed (when nobody else holds it) after the lock
    std::lock_guard lock(m_);
    std::erase(playing_, source);
    auto it = std::find_if(sources_.begin(), sources_.end(),
                           [source](const auto& s) { return s.get() == source; });
    if (it == sources_.end()) return;
    gone = std::move(*it);
    sources_.erase(it);
    source->owner_ = nullptr;
}

bool TWavOut::IsAnyPlaying() {
    std::lock_guard lock(m_);
    return !playing_.empty();
}

void TWavOut::SetNotify(std::function<void(const uint8_t*, size_t)> notify) {
    std::lock_guard lock(m_);
    notify_ = std::move(notify);
}

size_t TWavOut::PoolSize() {
    std::lock_guard lock(m_);
    return pool_.size();
}

size_t TWavOut::BlocksInFlight() {
    std::lock_guard lock(m_);
    return inFlight_.size();
}

uint64_t TWavOut::BlocksWritten() {
    std::lock_guard lock(m_);
    return written_;
}

int64_t TWavOut::SourceBytes(const TWavFormat& f, int64_t ms) const {
    return RoundHalfEven((long double)f.bitsPerSample * f.channels * f.samplesPerSec * ms / 8000);
}

void TWavOut::ReleaseDone(bool all) {
    std::erase_if(inFlight_, [all](std::unique_ptr<TWavPrimary>& b) {
        if (!all && !b->done.load()) return false;
        b->mem->owner = nullptr;
        return true;
    });
}

TWavPrimary* TWavOut::NewBlock() {
    TMemData* mem = nullptr;
    for (auto& e : pool_)
        if (!e->owner) {
            mem = e.get();
            break;
        }
    if (!mem) {
        pool_.push_back(std::make_unique<TMemData>());
        mem = pool_.back().get();
        mem->data.resize(blockSize_);
    }
    auto b = std::make_unique<TWavPrimary>();
    b->mem = mem;
    b->prepared = port_ != nullptr;
    mem->owner = b.get();
    inFlight_.push_back(std::move(b));
    return inFlight_.back().get();
}

void TWavOut::FreeBlock(TWavPrimary* b) {
    b->mem->owner = nullptr;
    std::erase_if(inFlight_, [b](const std::unique_ptr<TWavPrimary>& p) { return p.get() == b; });
}

void TWavOut::Feed() {
    std::vector<const uint8_t*> written;
    std::function<void(const uint8_t*, size_t)> notify;
    {
        std::lock_guard lock(m_);
        FeedLocked(written);
        if (!written.empty()) notify = notify_;
    }
    // The blocks stay untouched until a later feed (on this thread) finds them done.
    if (notify)
        for (const uint8_t* block : written) notify(block, blockSize_);
}

void TWavOut::FeedLocked(std::vector<const uint8_t*>& written) {
    ReleaseDone(port_ == nullptr);
    for (int round = 0; round < 2; ++round) {
        if (inFlight_.size() >= kMaxInFlight || playing_.empty()) continue;
        TWavPrimary* b = NewBlock();
        auto* samples = reinterpret_cast<int16_t*>(b->mem->data.data());
        if (!MixBlock(samples)) {
            FreeBlock(b);
            continue;
        }
        b->written = true;
        ++written_;
        if (b->prepared) port_->Write(b->mem->data.data(), blockSize_, &b->done);
        written.push_back(b->mem->data.data());
    }
}

bool TWavOut::MixBlock(int16_t* block) {
    std::memset(block, 0, blockSize_);
    const uint32_t now = clock_.NowMs();
    bool any = false;
    for (auto& s : sources_)
        if (MixSource(*s, block, now)) any = true;
    return any;
}

bool TWavOut::MixSource(TWavBuffer& s, int16_t* block, uint32_t now) {
    // A source created but never started stays silent, like a paused one.
    if (!s.playing_ || s.paused_ || s.ended_) return false;
    TOggStream& st = *s.stream_;
    const int64_t size = st.GetSize();
    if (size <= 0) return false;
    const Conversion conv = ConversionFor(s.format_);
    if (conv.unitBytes == 0) {
        // Nothing to mix it as: over at once, so that it finishes instead of hanging.
        s.ended_ = true;
        s.lastTime_ = now;
        return false;
    }

    // Source bytes that fill one block once converted.
    const size_t want =
        blockSize_ * size_t(conv.unitBytes) / size_t(kOutBytesPerFrame * conv.framesPerUnit);
    size_t got = 0;
    int emptyLoops = 0;
    try {
        st.SetPos(s.readPos_);
        while (got < want) {
            if (st.GetPos() >= size) {
                if (!s.loop_ || st.SetPos(s.loopPos_) >= size) break;
                continue;
            }
            size_t n = st.Read(s.scratch_.data() + got, want - got);
            if (n == 0) {
                // The data ends before the size it declared: this is its end (a loop that
                // gives nothing at its start is over too).
                if (!s.loop_ || ++emptyLoops > 1 || st.SetPos(s.loopPos_) >= st.GetSize()) {
                    st.SetPos(st.GetSize());
                    break;
                }
                continue;
            }
            emptyLoops = 0;
            got += n;
        }
        s.readPos_ = st.GetPos();
        if (st.GetPos() >= st.GetSize()) s.readPos_ = std::max(s.readPos_, size);
    } catch (const std::exception& e) {
        // A stream that fails (a damaged file, a vanished disk) ends its sound; the feeding
        // thread and the other sources carry on.
        std::fprintf(stderr, "veskplay: sound stream: %s\n", e.what());
        s.readPos_ = size;
    }
    const size_t frames = Convert(s.format_, conv, s.scratch_.data(), got, s.converted_.data());
    int16_t* c = s.converted_.data();
    const size_t samples = frames * kOutChannels;
    if (s.volume_ < 255)
        for (size_t i = 0; i < samples; ++i) c[i] = int16_t((int32_t(c[i]) * s.volume_) >> 8);
    for (size_t i = 0; i < samples; ++i) block[i] = SaturateS16(int32_t(block[i]) + c[i]);

    s.ended_ = s.readPos_ >= size;
    s.lastTime_ = now;
    return true;
}

}  // namespace vesk
