#include "media/Packet.h"

extern "C" {
#include <libavcodec/packet.h>
}

Packet::Packet()
    : m_packet(av_packet_alloc())
{
}

int Packet::streamIndex() const
{
    return m_packet ? m_packet->stream_index : -1;
}
