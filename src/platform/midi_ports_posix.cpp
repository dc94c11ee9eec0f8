#include "platform/midi_ports.h"

#ifdef ORVIK_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace orvik::platform {

#ifdef ORVIK_HAVE_ALSA

namespace {
// ALSA writes its failures to stderr; the caller is told through the list instead.
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

MidiPortList ListMidiOutputs() {
  MidiPortList list;
  snd_lib_error_set_handler(&QuietAlsaErrors);
  snd_seq_t* seq = nullptr;
  // Non-blocking: opening never waits for the sequencer device.
  const int opened = snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK);
  if (opened < 0) {
    list.error = std::string("ALSA sequencer: ") + snd_strerror(opened);
    return list;
  }
  snd_seq_client_info_t* client = nullptr;
  snd_seq_port_info_t* port = nullptr;
  snd_seq_client_info_malloc(&client);
  snd_seq_port_info_malloc(&port);
  const int self = snd_seq_client_id(seq);
  snd_seq_client_info_set_client(client, -1);
  while (snd_seq_query_next_client(seq, client) >= 0) {
    const int id = snd_seq_client_info_get_client(client);
    if (id == self || id == SND_SEQ_CLIENT_SYSTEM) continue;  // ourselves, timer/announce
    snd_seq_port_info_set_client(port, id);
    snd_seq_port_info_set_port(port, -1);
    while (snd_seq_query_next_port(seq, port) >= 0) {
      // An output for a player is a port others may write to and subscribe to.
      constexpr unsigned kWritable = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
      if ((snd_seq_port_info_get_capability(port) & kWritable) != kWritable) continue;
      if (snd_seq_port_info_get_capability(port) & SND_SEQ_PORT_CAP_NO_EXPORT) continue;
      list.names.emplace_back(snd_seq_port_info_get_name(port));
    }
  }
  snd_seq_port_info_free(port);
  snd_seq_client_info_free(client);
  snd_seq_close(seq);
  list.readable = true;
  return list;
}

#else

MidiPortList ListMidiOutputs() {
  MidiPortList list;
  list.error = "built without ALSA (libasound2-dev)";
  return list;
}

#endif

}  // namespace orvik::platform
