#pragma once

#include "media/Packet.h"

#include <functional>
#include <vector>

class SourceFile;

// Reads a source's packets in order and hands each to what takes its
// stream: the one loop over a source that conversions, peak checks and
// tuning measurements share. Packets of streams nobody takes are passed
// over.
class DecodeLoop
{
public:
    // Takes a packet; returns false to end the loop (whoever refused knows
    // why).
    using Handler = std::function<bool(Packet &packet)>;

    enum class End {
        Read,     // to the end of the source, or as far as it could be read
        Stopped,  // on request
        Refused   // a handler returned false
    };

    explicit DecodeLoop(SourceFile &source);

    void take(int stream, Handler handler);
    // Polled before each packet; true ends the loop.
    void setStopCheck(std::function<bool()> stopRequested) { m_stopRequested = std::move(stopRequested); }
    // Gets how far the reading has come, from 0 to 1, after each packet.
    void setPositionCallback(std::function<void(double)> position) { m_position = std::move(position); }

    // Refused at once where there was no memory for a packet
    // (noMemory()).
    End run();
    bool noMemory() const { return !m_packet.valid(); }

private:
    SourceFile &m_source;
    Packet m_packet;
    std::vector<Handler> m_handlers;  // by stream
    std::function<bool()> m_stopRequested;
    std::function<void(double)> m_position;
};
