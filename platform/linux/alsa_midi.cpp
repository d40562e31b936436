// MIDI through the ALSA sequencer: the ports a note can be sent to, and a
// connection from a port of this program to one of them. Short messages
// are turned into sequencer events by ALSA's own MIDI byte encoder, and
// sent at once (no queue), like a synthesizer's MIDI cable.
#include "platform/midi.h"

#include <alsa/asoundlib.h>
#include <array>
#include <cstring>

namespace palavrino::platform {

namespace {

    // ALSA prints its complaints to stderr; a missing sequencer is an
    // ordinary condition here, reported by the result.
    void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) { }

    constexpr unsigned WANTED_CAPS = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;

    // Bytes a status byte is followed by; 0 for what is never sent as a
    // short message.
    int DataBytes(std::uint8_t status)
    {
        switch (status & 0xF0) {
        case 0xC0:
        case 0xD0:
            return 1;
        case 0x80:
        case 0x90:
        case 0xA0:
        case 0xB0:
        case 0xE0:
            return 2;
        default:
            return 0;
        }
    }

    MidiStatus OpenClient(snd_seq_t*& seq)
    {
        snd_lib_error_set_handler(QuietAlsaErrors);
        if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) {
            seq = nullptr;
            return MidiStatus::NoSequencer;
        }
        snd_seq_set_client_name(seq, "Palavrino");
        return MidiStatus::Ok;
    }

    class SequencerOut final : public MidiOut {
    public:
        SequencerOut(snd_seq_t* seq, int own_port, snd_midi_event_t* encoder)
            : m_seq(seq)
            , m_port(own_port)
            , m_encoder(encoder)
        {
        }
        ~SequencerOut() override
        {
            snd_seq_drain_output(m_seq);
            snd_midi_event_free(m_encoder);
            snd_seq_close(m_seq);
        }

        void Send(std::uint32_t message) override
        {
            const std::array<unsigned char, 3> bytes { static_cast<unsigned char>(message & 0xFF),
                static_cast<unsigned char>((message >> 8) & 0xFF),
                static_cast<unsigned char>((message >> 16) & 0xFF) };
            const int data = DataBytes(bytes[0]);
            if (data == 0 || (bytes[1] & 0x80) != 0 || (data == 2 && (bytes[2] & 0x80) != 0))
                return;
            snd_seq_event_t ev;
            snd_seq_ev_clear(&ev);
            snd_midi_event_reset_encode(m_encoder);
            if (snd_midi_event_encode(m_encoder, bytes.data(), data + 1, &ev) <= 0
                || ev.type == SND_SEQ_EVENT_NONE)
                return;
            snd_seq_ev_set_source(&ev, static_cast<unsigned char>(m_port));
            snd_seq_ev_set_subs(&ev);
            snd_seq_ev_set_direct(&ev);
            (void)snd_seq_event_output_direct(m_seq, &ev);
        }

    private:
        snd_seq_t* m_seq;
        int m_port;
        snd_midi_event_t* m_encoder;
    };

} // namespace

MidiStatus ListMidiPorts(std::vector<MidiPort>& ports)
{
    ports.clear();
    snd_seq_t* seq = nullptr;
    if (MidiStatus status = OpenClient(seq); status != MidiStatus::Ok)
        return status;
    const int self = snd_seq_client_id(seq);
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        const std::string client_name = snd_seq_client_info_get_name(client);
        if (id == self || id == SND_SEQ_CLIENT_SYSTEM || client_name == "Midi Through")
            continue;
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq, port) >= 0) {
            if ((snd_seq_port_info_get_capability(port) & WANTED_CAPS) != WANTED_CAPS)
                continue;
            if ((snd_seq_port_info_get_capability(port) & SND_SEQ_PORT_CAP_NO_EXPORT) != 0)
                continue;
            ports.push_back(MidiPort { id, snd_seq_port_info_get_port(port),
                client_name + ": " + snd_seq_port_info_get_name(port) });
        }
    }
    snd_seq_close(seq);
    return MidiStatus::Ok;
}

MidiStatus OpenSequencerOut(const MidiPort& target, std::unique_ptr<MidiOut>& out)
{
    snd_seq_t* seq = nullptr;
    if (MidiStatus status = OpenClient(seq); status != MidiStatus::Ok)
        return status;
    const int own = snd_seq_create_simple_port(
        seq, "MIDI", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ, SND_SEQ_PORT_TYPE_MIDI_GENERIC);
    snd_midi_event_t* encoder = nullptr;
    if (own < 0 || snd_seq_connect_to(seq, own, target.client, target.port) < 0
        || snd_midi_event_new(16, &encoder) < 0) {
        snd_seq_close(seq);
        return own < 0 ? MidiStatus::DeviceError : MidiStatus::NoPort;
    }
    snd_midi_event_no_status(encoder, 1);
    out = std::make_unique<SequencerOut>(seq, own, encoder);
    return MidiStatus::Ok;
}

} // namespace palavrino::platform
