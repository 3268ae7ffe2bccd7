#include "media/vorbis_stream.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include "base/cp932.h"
#include "base/error.h"
#include "media/audio_format.h"

namespace vesk {

namespace {

[[noreturn]] void BadSound() {
    Fail(VESK_JP("サウンドデータが不正です"));
}

// Channel counts past stereo are refused: the mixer has nowhere to put them but a downmix,
// and no game ships such sound.
constexpr int kMaxChannels = 8;

// libvorbisfile reads through these; an error in the stream (a vanished disk, a damaged
// archive member) reads as the end of the data, never as an exception through C code.
size_t ReadCb(void* ptr, size_t size, size_t nmemb, void* src) {
    try {
        if (size == 0) return 0;
        return static_cast<Stream*>(src)->Read(ptr, size * nmemb) / size;
    } catch (const std::exception&) {
        errno = EIO;
        return 0;
    }
}

int SeekCb(void* src, ogg_int64_t offset, int whence) {
    try {
        SeekFrom from = whence == SEEK_CUR   ? SeekFrom::Current
                        : whence == SEEK_END ? SeekFrom::End
                                             : SeekFrom::Begin;
        static_cast<Stream*>(src)->Seek(offset, from);
        return 0;
    } catch (const std::exception&) {
        return -1;
    }
}

long TellCb(void* src) {
    try {
        return long(static_cast<Stream*>(src)->Position());
    } catch (const std::exception&) {
        return -1;
    }
}

}  // namespace

struct TVorbisStream::Impl {
    std::unique_ptr<Stream> src;
    OggVorbis_File vf{};
    bool open = false;
    int channels = 0;
    long rate = 0;
    ~Impl() {
        if (open) ov_clear(&vf);
    }
};

TVorbisStream::TVorbisStream(std::unique_ptr<Stream> source) : impl_(std::make_unique<Impl>()) {
    impl_->src = std::move(source);
    impl_->src->Seek(0, SeekFrom::Begin);
    const ov_callbacks cb{ReadCb, SeekCb, nullptr, TellCb};
    if (ov_open_callbacks(impl_->src.get(), &impl_->vf, nullptr, 0, cb) != 0) BadSound();
    impl_->open = true;
    const vorbis_info* info = ov_info(&impl_->vf, -1);
    if (!info || info->channels <= 0 || info->channels > kMaxChannels || info->rate <= 0 ||
        info->rate > 384000)
        BadSound();
    impl_->channels = info->channels;
    impl_->rate = info->rate;
    format_ = TWavFormat{info->channels, int(info->rate), 16};
    frameBytes_ = int64_t(info->channels) * 2;
    // A chained file whose later links change the format ends where the first one ends.
    ogg_int64_t frames = ov_seekable(&impl_->vf) ? ov_pcm_total(&impl_->vf, 0) : 0;
    if (ov_seekable(&impl_->vf) && ov_streams(&impl_->vf) > 1) {
        frames = 0;
        for (int link = 0; link < ov_streams(&impl_->vf); ++link) {
            const vorbis_info* li = ov_info(&impl_->vf, link);
            if (!li || li->channels != info->channels || li->rate != info->rate) break;
            frames += ov_pcm_total(&impl_->vf, link);
        }
    }
    if (frames < 0) frames = 0;
    // A lying last granule position cannot promise more than a day of sound.
    frames = std::min<ogg_int64_t>(frames, ogg_int64_t(info->rate) * 86400);
    size_ = frames * frameBytes_;
}

TVorbisStream::~TVorbisStream() = default;

size_t TVorbisStream::Read(void* dst, size_t n) {
    auto* out = static_cast<char*>(dst);
    n = size_t(std::min<int64_t>(int64_t(n), size_ - pos_));
    n -= n % size_t(frameBytes_);
    size_t got = 0;
    while (got < n) {
        int link = 0;
        const long want = long(std::min<size_t>(n - got, 65536));
        const long r = ov_read(&impl_->vf, out + got, int(want), 0, 2, 1, &link);
        if (r == OV_HOLE) continue;  // a gap in the data: decoding goes on after it
        if (r <= 0) break;
        const vorbis_info* li = ov_info(&impl_->vf, link);
        if (!li || li->channels != impl_->channels || li->rate != impl_->rate) break;
        got += size_t(r);
    }
    got -= got % size_t(frameBytes_);
    pos_ += int64_t(got);
    // The data ended before the length the file claims: that is its real size.
    if (got < n) size_ = pos_;
    return got;
}

int64_t TVorbisStream::SetPos(int64_t pos) {
    pos = std::clamp<int64_t>(pos, 0, size_);
    pos -= pos % frameBytes_;
    if (pos == pos_) return pos_;  // already there: seeking costs a decode
    if (ov_pcm_seek(&impl_->vf, pos / frameBytes_) != 0) {
        // A seek the file cannot do leaves the sound at its end.
        pos_ = size_;
        return pos_;
    }
    pos_ = pos;
    return pos_;
}

int TVorbisStream::GetLen() {
    const int64_t bps = format_.BytesPerSec();
    if (bps <= 0) return 0;
    return int(std::min<int64_t>(RoundHalfEven((long double)size_ * 1000 / bps), 0x7FFFFFFF));
}

}  // namespace vesk
