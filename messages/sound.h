// What the sound commands (MIDI, TOCA, MCI) and the MIDI port listing tell
// the user.
// Windows-1252 bytes, like every text inside the program.
#pragma once

#include <string_view>

namespace palavrino::msg {

constexpr std::string_view MSG_MIDI_EXPECTED_DEVICE = "Esperava o n\xFAmero do dispositivo";
constexpr std::string_view MSG_MIDI_EXPECTED_CHANNEL = "Esperava o n\xFAmero do canal";
constexpr std::string_view MSG_MIDI_CHANNEL_RANGE = "O canal deve estar entre 1 e 16";
constexpr std::string_view MSG_MIDI_EXPECTED_INSTRUMENT = "Esperava o n\xFAmero do instrumento";
constexpr std::string_view MSG_MIDI_INSTRUMENT_RANGE = "O instrumento deve estar entre 0 e 255";
constexpr std::string_view MSG_MIDI_EXPECTED_SCALE = "Esperava o n\xFAmero da escala";
constexpr std::string_view MSG_MIDI_SCALE_RANGE = "A escala deve estar entre -1 e 7";
constexpr std::string_view MSG_MIDI_EXPECTED_NOTE = "Esperava o n\xFAmero da nota";
constexpr std::string_view MSG_MIDI_EXPECTED_DURATION = "Esperava a dura\xE7\xE3o em milissegundos";
constexpr std::string_view MSG_MIDI_EXPECTED_VOLUME = "Esperava o volume";
// "Modificador " + word + " inválido para o comando MIDI"
constexpr std::string_view MSG_MIDI_BAD_OPTION = "Modificador ";
constexpr std::string_view MSG_MIDI_BAD_OPTION_END = " inv\xE1lido para o comando MIDI";
constexpr std::string_view MSG_TOCA_EXPECTED_FILE
    = "Esperava um nome de arquivo como argumento para o comando TOCA";
constexpr std::string_view MSG_MCI_EXPECTED_COMMAND = "Esperava uma cadeia com o comando MCI";
// A sound file TOCA could not play: the name follows.
constexpr std::string_view MSG_TOCA_NOT_FOUND = "N\xE3o encontrei o arquivo de som ";
constexpr std::string_view MSG_TOCA_CANNOT_DECODE
    = "N\xE3o sei tocar este arquivo, que n\xE3o \xE9 de som ou est\xE1 danificado: ";

// palavrino --midi-ports
constexpr std::string_view MSG_MIDI_PORTS_TITLE = "Dispositivos MIDI (MIDI ABRE n\xFAmero):";
constexpr std::string_view MSG_MIDI_NO_SEQUENCER
    = "O sequenciador MIDI do sistema n\xE3o est\xE1 dispon\xEDvel (/dev/snd/seq)";
constexpr std::string_view MSG_MIDI_SOFT_SYNTH = "o sintetizador do pr\xF3prio programa (FluidSynth)";
constexpr std::string_view MSG_MIDI_NO_SOUND_FONT
    = "o sintetizador do pr\xF3prio programa, que n\xE3o encontrou sua fonte de sons (fluid-soundfont-gm)";
constexpr std::string_view MSG_MIDI_OTHER_NUMBERS = "-1 e os demais n\xFAmeros: ";

} // namespace palavrino::msg
