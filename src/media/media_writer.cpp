#include "media/media_writer.h"

#include <vorbis/vorbisenc.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <span>

#include "base/error.h"
#include "media/audio_format.h"

namespace vesk {

std::vector<uint8_t> EncodeOggVorbis(const std::vector<int16_t>& samples, int channels, int rate,
                                     float quality) {
    if (channels < 1 || channels > 2 || rate <= 0) Fail("Ogg Vorbis: unsupported format");
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) {
        vorbis_info_clear(&vi);
        Fail("Ogg Vorbis: the encoder refuses the format");
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 1);
    std::vector<uint8_t> out;
    ogg_page og;
    ogg_packet op;
    auto put = [&](const ogg_page& p) {
        out.insert(out.end(), p.header, p.header + p.header_len);
        out.insert(out.end(), p.body, p.body + p.body_len);
    };
    {
        ogg_packet h, hc, hcode;
        vorbis_analysis_headerout(&vd, &vc, &h, &hc, &hcode);
        ogg_stream_packetin(&os, &h);
        ogg_stream_packetin(&os, &hc);
        ogg_stream_packetin(&os, &hcode);
        while (ogg_stream_flush(&os, &og)) put(og);
    }
    const size_t frames = samples.size() / size_t(channels);
    size_t done = 0;
    bool eos = false;
    while (!eos) {
        const size_t n = std::min<size_t>(1024, frames - done);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buf = vorbis_analysis_buffer(&vd, int(n));
            for (size_t i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    buf[c][i] = samples[(done + i) * size_t(channels) + size_t(c)] / 32768.f;
            vorbis_analysis_wrote(&vd, int(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og)) {
                    put(og);
                    if (ogg_page_eos(&og)) eos = true;
                }
            }
        }
        if (n == 0 && !eos) {
            while (ogg_stream_flush(&os, &og)) put(og);
            eos = true;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

namespace {

[[noreturn]] void FailWrite(const std::string& what) {
    Fail("Windows Media: " + what);
}

// What an ASF file may carry, best first: the codecs of Windows Media 8 and their elders.
constexpr AVCodecID kVideoCodecs[] = {AV_CODEC_ID_WMV2, AV_CODEC_ID_WMV1, AV_CODEC_ID_MSMPEG4V3,
                                      AV_CODEC_ID_MSMPEG4V2};
constexpr AVCodecID kSoundCodecs[] = {AV_CODEC_ID_WMAV2, AV_CODEC_ID_WMAV1};

struct Writer {
    AVFormatContext* fmt = nullptr;
    AVCodecContext* aenc = nullptr;
    AVCodecContext* venc = nullptr;
    AVStream* ast = nullptr;
    AVStream* vst = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* pkt = nullptr;
    SwsContext* sws = nullptr;
    ~Writer() {
        if (sws) sws_freeContext(sws);
        if (aenc) avcodec_free_context(&aenc);
        if (venc) avcodec_free_context(&venc);
        if (frame) av_frame_free(&frame);
        if (pkt) av_packet_free(&pkt);
        if (fmt) {
            if (fmt->pb) avio_closep(&fmt->pb);
            avformat_free_context(fmt);
        }
    }
    void Drain(AVCodecContext* enc, AVStream* st) {
        while (avcodec_receive_packet(enc, pkt) == 0) {
            av_packet_rescale_ts(pkt, enc->time_base, st->time_base);
            pkt->stream_index = st->index;
            if (av_interleaved_write_frame(fmt, pkt) < 0) FailWrite("cannot write a packet");
        }
    }
    void Send(AVCodecContext* enc, AVStream* st, AVFrame* f) {
        if (avcodec_send_frame(enc, f) < 0) FailWrite("the encoder refuses a frame");
        Drain(enc, st);
    }
};

// The first codec of `ids` that this FFmpeg can both encode and decode (so the player can
// show what the tools write), or a clear error naming what was tried.
const AVCodec* PickEncoder(std::span<const AVCodecID> ids, const char* what) {
    std::string tried;
    for (AVCodecID id : ids) {
        const AVCodec* enc = avcodec_find_encoder(id);
        if (enc && avcodec_find_decoder(id)) return enc;
        tried += (tried.empty() ? "" : ", ") + std::string(avcodec_get_name(id));
    }
    FailWrite("this FFmpeg cannot encode and decode " + std::string(what) + " (tried " + tried +
              ")");
}

}  // namespace

void WriteWindowsMedia(const std::string& path, const std::vector<int16_t>& sound,
                       const TVideoPictures& video) {
    Writer w;
    if (avformat_alloc_output_context2(&w.fmt, nullptr, "asf", path.c_str()) < 0 || !w.fmt)
        FailWrite("no ASF writer");
    w.frame = av_frame_alloc();
    w.pkt = av_packet_alloc();
    if (!w.frame || !w.pkt) FailWrite("out of memory");
    if (!sound.empty()) {
        const AVCodec* c = PickEncoder(kSoundCodecs, "Windows Media sound");
        w.aenc = avcodec_alloc_context3(c);
        w.aenc->sample_rate = kOutRate;
        w.aenc->sample_fmt = AV_SAMPLE_FMT_FLTP;
        w.aenc->bit_rate = 128000;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        av_channel_layout_copy(&w.aenc->ch_layout, &stereo);
        w.aenc->time_base = AVRational{1, kOutRate};
        if (w.fmt->oformat->flags & AVFMT_GLOBALHEADER)
            w.aenc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(w.aenc, c, nullptr) < 0)
            FailWrite(std::string("cannot open the encoder ") + c->name);
        w.ast = avformat_new_stream(w.fmt, nullptr);
        avcodec_parameters_from_context(w.ast->codecpar, w.aenc);
        w.ast->time_base = w.aenc->time_base;
    }
    if (video.frames > 0) {
        const AVCodec* c = PickEncoder(kVideoCodecs, "Windows Media video");
        w.venc = avcodec_alloc_context3(c);
        w.venc->width = video.width;
        w.venc->height = video.height;
        w.venc->pix_fmt = AV_PIX_FMT_YUV420P;
        w.venc->time_base = AVRational{1, video.fps};
        w.venc->framerate = AVRational{video.fps, 1};
        w.venc->gop_size = 12;
        w.venc->bit_rate = int64_t(video.width) * video.height * video.fps * 2;
        if (w.fmt->oformat->flags & AVFMT_GLOBALHEADER)
            w.venc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(w.venc, c, nullptr) < 0)
            FailWrite(std::string("cannot open the encoder ") + c->name);
        w.vst = avformat_new_stream(w.fmt, nullptr);
        avcodec_parameters_from_context(w.vst->codecpar, w.venc);
        w.vst->time_base = w.venc->time_base;
    }
    if (avio_open(&w.fmt->pb, path.c_str(), AVIO_FLAG_WRITE) < 0)
        FailWrite("cannot create " + path);
    if (avformat_write_header(w.fmt, nullptr) < 0) FailWrite("cannot write the header");

    // Pictures and sound in time order, so the file interleaves them.
    const int64_t soundFrames = int64_t(sound.size() / 2);
    const int asize = w.aenc ? (w.aenc->frame_size > 0 ? w.aenc->frame_size : 1024) : 0;
    int64_t apos = 0;
    int vindex = 0;
    std::vector<uint32_t> bgr(size_t(video.width) * size_t(video.height));
    while ((w.aenc && apos < soundFrames) || (w.venc && vindex < video.frames)) {
        const double at = w.aenc && apos < soundFrames ? double(apos) / kOutRate : 1e300;
        const double vt = w.venc && vindex < video.frames ? double(vindex) / video.fps : 1e300;
        if (at <= vt) {
            AVFrame* f = w.frame;
            av_frame_unref(f);
            f->format = AV_SAMPLE_FMT_FLTP;
            f->sample_rate = kOutRate;
            av_channel_layout_copy(&f->ch_layout, &w.aenc->ch_layout);
            f->nb_samples = asize;
            if (av_frame_get_buffer(f, 0) < 0) FailWrite("out of memory");
            for (int i = 0; i < asize; ++i)
                for (int ch = 0; ch < 2; ++ch) {
                    const int64_t k = apos + i;
                    const float v =
                        k < soundFrames ? sound[size_t(k) * 2 + size_t(ch)] / 32768.f : 0.f;
                    reinterpret_cast<float*>(f->data[ch])[i] = v;
                }
            f->pts = apos;
            w.Send(w.aenc, w.ast, f);
            apos += asize;
        } else {
            std::fill(bgr.begin(), bgr.end(), 0u);
            if (video.paint) video.paint(vindex, bgr.data(), video.width * 4);
            AVFrame* f = w.frame;
            av_frame_unref(f);
            f->format = AV_PIX_FMT_YUV420P;
            f->width = video.width;
            f->height = video.height;
            if (av_frame_get_buffer(f, 0) < 0) FailWrite("out of memory");
            w.sws = sws_getCachedContext(w.sws, video.width, video.height, AV_PIX_FMT_BGR0,
                                         video.width, video.height, AV_PIX_FMT_YUV420P, SWS_POINT,
                                         nullptr, nullptr, nullptr);
            const uint8_t* src[1] = {reinterpret_cast<const uint8_t*>(bgr.data())};
            const int srcPitch[1] = {video.width * 4};
            sws_scale(w.sws, src, srcPitch, 0, video.height, f->data, f->linesize);
            f->pts = vindex;
            w.Send(w.venc, w.vst, f);
            ++vindex;
        }
    }
    if (w.aenc) w.Send(w.aenc, w.ast, nullptr);
    if (w.venc) w.Send(w.venc, w.vst, nullptr);
    if (av_write_trailer(w.fmt) < 0) FailWrite("cannot finish the file");
}

}  // namespace vesk
