#include "platform/alsa_midi.h"

#include "base/cp932.h"

#ifdef VESK_HAVE_ALSA
#include <alsa/asoundlib.h>
#include <unistd.h>
#endif

namespace vesk {

#ifdef VESK_HAVE_ALSA

namespace {

// A connection from our own port to one sequencer port.
class AlsaMidiOut : public TMidiOut {
  public:
    static std::unique_ptr<TMidiOut> Open(int client, int port) {
        std::unique_ptr<AlsaMidiOut> o(new AlsaMidiOut);
        if (snd_seq_open(&o->seq_, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) {
            o->seq_ = nullptr;
            return nullptr;
        }
        snd_seq_set_client_name(o->seq_, "veskplay");
        o->port_ = snd_seq_create_simple_port(
            o->seq_, "music", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
            SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
        if (o->port_ < 0 || snd_seq_connect_to(o->seq_, o->port_, client, port) < 0) return nullptr;
        if (snd_midi_event_new(4096, &o->enc_) < 0) return nullptr;
        return o;
    }
    ~AlsaMidiOut() override {
        if (enc_) snd_midi_event_free(enc_);
        if (seq_) snd_seq_close(seq_);
    }
    void ShortMsg(uint8_t status, uint8_t d1, uint8_t d2) override {
        const uint8_t b[3] = {status, d1, d2};
        const int t = status & 0xF0;
        Send(b, (t == 0xC0 || t == 0xD0) ? 2 : 3);
    }
    void LongMsg(const uint8_t* data, size_t size) override { Send(data, size); }
    void Reset() override {
        for (int ch = 0; ch < 16; ++ch) {
            ShortMsg(uint8_t(0xB0 | ch), 120, 0);  // all sound off
            ShortMsg(uint8_t(0xB0 | ch), 121, 0);  // reset all controllers
        }
    }

  private:
    AlsaMidiOut() = default;
    void Send(const uint8_t* data, size_t size) {
        snd_midi_event_reset_encode(enc_);
        while (size > 0) {
            snd_seq_event_t ev;
            snd_seq_ev_clear(&ev);
            long used = snd_midi_event_encode(enc_, data, long(size), &ev);
            if (used <= 0) return;
            data += used;
            size -= size_t(used);
            if (ev.type == SND_SEQ_EVENT_NONE) continue;
            snd_seq_ev_set_source(&ev, port_);
            snd_seq_ev_set_subs(&ev);
            snd_seq_ev_set_direct(&ev);
            snd_seq_event_output_direct(seq_, &ev);
        }
    }
    snd_seq_t* seq_ = nullptr;
    snd_midi_event_t* enc_ = nullptr;
    int port_ = -1;
};

}  // namespace

TMidiDevices AlsaMidiDevices() {
    TMidiDevices list;
    // Without the sequencer device, opening would only print the library's complaint.
    if (access("/dev/snd/seq", R_OK | W_OK) != 0) return list;
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) return list;
    const int self = snd_seq_client_id(seq);
    snd_seq_client_info_t* ci;
    snd_seq_port_info_t* pi;
    snd_seq_client_info_alloca(&ci);
    snd_seq_port_info_alloca(&pi);
    snd_seq_client_info_set_client(ci, -1);
    while (snd_seq_query_next_client(seq, ci) >= 0) {
        const int client = snd_seq_client_info_get_client(ci);
        if (client == SND_SEQ_CLIENT_SYSTEM || client == self) continue;
        snd_seq_port_info_set_client(pi, client);
        snd_seq_port_info_set_port(pi, -1);
        while (snd_seq_query_next_port(seq, pi) >= 0) {
            const unsigned need = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
            if ((snd_seq_port_info_get_capability(pi) & need) != need) continue;
            const int port = snd_seq_port_info_get_port(pi);
            TMidiDeviceInfo d;
            d.name = Utf8ToCp932(std::string(snd_seq_client_info_get_name(ci)) + ": " +
                                 snd_seq_port_info_get_name(pi));
            d.voices = snd_seq_port_info_get_synth_voices(pi);
            d.channelMask = 0xFFFF;
            d.open = [client, port] { return AlsaMidiOut::Open(client, port); };
            list.push_back(std::move(d));
        }
    }
    snd_seq_close(seq);
    return list;
}

#else

TMidiDevices AlsaMidiDevices() {
    return {};
}

#endif

}  // namespace vesk
