#pragma once

#include "media/FFmpegPointers.h"

// A packet of a source's stream, as SourceFile::read gives it: owned, and
// emptied by the next read.
class Packet
{
public:
    Packet();

    // False when there was no memory for it.
    bool valid() const { return bool(m_packet); }
    int streamIndex() const;

    // For this library's own classes.
    AVPacket *get() const { return m_packet.get(); }

private:
    ff::PacketPtr m_packet;
};
