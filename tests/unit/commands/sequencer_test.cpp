// The sequencer path against a real ALSA sequencer client made by the test:
// its port is listed among the devices, and what is sent arrives as the
// sequencer events of the same messages. Skipped where the kernel offers
// no sequencer (/dev/snd/seq).
#include "commands/sound/cmd_sound.h"
#include "platform/midi.h"

#include <alsa/asoundlib.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>

using palavrino::interp::PackMidi;

namespace {

// A client with one writable port, as a synthesizer has.
struct Receiver {
    snd_seq_t* seq { nullptr };
    int port { -1 };
    Receiver()
    {
        if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
            seq = nullptr;
            return;
        }
        snd_seq_set_client_name(seq, "Palavrino teste");
        port = snd_seq_create_simple_port(seq, "entrada",
            SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE, SND_SEQ_PORT_TYPE_MIDI_GENERIC);
    }
    ~Receiver()
    {
        if (seq)
            snd_seq_close(seq);
    }
    // The next event, waiting at most a few seconds (a lost event fails
    // the test instead of hanging it).
    bool Next(snd_seq_event_t*& ev)
    {
        for (int tries = 0; tries < 50; ++tries) {
            if (snd_seq_event_input(seq, &ev) >= 0 && ev)
                return true;
            pollfd fds[4];
            const int n = snd_seq_poll_descriptors(seq, fds, 4, POLLIN);
            ::poll(fds, static_cast<nfds_t>(n), 100);
        }
        return false;
    }
};

} // namespace

TEST(Sequencer, NotesReachAPortOfAnotherClient)
{
    if (!std::filesystem::exists("/dev/snd/seq"))
        GTEST_SKIP() << "the kernel offers no ALSA sequencer here (/dev/snd/seq is absent)";
    Receiver receiver;
    if (!receiver.seq || receiver.port < 0)
        GTEST_SKIP() << "the ALSA sequencer cannot be opened here";
    const int client = snd_seq_client_id(receiver.seq);

    std::vector<palavrino::platform::MidiPort> ports;
    ASSERT_EQ(palavrino::platform::ListMidiPorts(ports), palavrino::platform::MidiStatus::Ok);
    const auto ours = std::find_if(ports.begin(), ports.end(), [&](const palavrino::platform::MidiPort& p) {
        return p.client == client && p.port == receiver.port;
    });
    ASSERT_NE(ours, ports.end());
    EXPECT_EQ(ours->name, "Palavrino teste: entrada");
    for (const auto& p : ports)
        EXPECT_EQ(p.name.find("Midi Through"), std::string::npos);

    std::unique_ptr<palavrino::platform::MidiOut> out;
    ASSERT_EQ(palavrino::platform::OpenSequencerOut(*ours, out), palavrino::platform::MidiStatus::Ok);
    out->Send(PackMidi(0xC9, 19, 0));
    out->Send(PackMidi(0x99, 60, 100));
    out->Send(PackMidi(0x89, 60, 100));
    out->Send(PackMidi(0x90, 200, 100)); // not MIDI data: never sent

    snd_seq_event_t* ev = nullptr;
    ASSERT_TRUE(receiver.Next(ev));
    while (ev->type == SND_SEQ_EVENT_PORT_SUBSCRIBED || ev->type == SND_SEQ_EVENT_CLIENT_START)
        ASSERT_TRUE(receiver.Next(ev));
    ASSERT_EQ(ev->type, SND_SEQ_EVENT_PGMCHANGE);
    EXPECT_EQ(ev->data.control.channel, 9);
    EXPECT_EQ(ev->data.control.value, 19);
    ASSERT_TRUE(receiver.Next(ev));
    ASSERT_EQ(ev->type, SND_SEQ_EVENT_NOTEON);
    EXPECT_EQ(ev->data.note.channel, 9);
    EXPECT_EQ(ev->data.note.note, 60);
    EXPECT_EQ(ev->data.note.velocity, 100);
    ASSERT_TRUE(receiver.Next(ev));
    ASSERT_EQ(ev->type, SND_SEQ_EVENT_NOTEOFF);
    EXPECT_EQ(ev->data.note.note, 60);
    out.reset();
    // Nothing else came: the broken message was dropped.
    while (receiver.Next(ev)) {
        EXPECT_NE(ev->type, SND_SEQ_EVENT_NOTEON);
        if (ev->type == SND_SEQ_EVENT_PORT_UNSUBSCRIBED)
            break;
    }
}
