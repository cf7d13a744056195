#pragma once

extern "C" {
#include <libavcodec/packet.h>
}

// How much audio a source lost before each decoded frame, so that the
// silence that replaces it keeps what follows in time.
//
// Two signs of loss: a jump in the frames' timestamps (the demuxer passed
// over packets of a damaged Matroska cluster or TS run), and packets the
// decoder refused. A refused packet counts as long as its timestamps say;
// where its bytes say much more at the stream's own byte rate (a damaged
// run of mp3, whose demuxer hands the garbage over as a few long packets
// with made-up timestamps), as long as its bytes say. A jump is believed as
// far as the bytes between the two frames could have held, or where the file does not say where its packets
// lie, as far as refused packets account for: a damaged timestamp must not
// become hours of silence.
class LostAudio
{
public:
    // containerBitRate: of the whole file, bits a second; 0 when unknown.
    LostAudio(AVRational timeBase, long long containerBitRate);

    // A packet of the stream went to the decoder, which took or refused it.
    void sent(const AVPacket *packet, bool refused);
    // The decoder refused a frame of the packet it took last.
    void frameRefused();
    // A frame that begins at `seconds` on the source's timeline (negative:
    // it does not say), of `frames` at `sampleRate`: the seconds of audio
    // lost before it. Where the rate changes, a new stream begins (a chained
    // Ogg file), whose timestamps need not follow the last.
    double before(double seconds, int frames, int sampleRate);
    // After a seek, nothing before counts.
    void restart();

    int refusedPackets() const { return m_refused; }
    // Where the last frame ended on the source's timeline; negative before
    // the first.
    double reached() const { return m_reached; }
    // All the audio lost, in seconds.
    double lostSeconds() const { return m_lostSeconds; }

private:
    double bytesToSeconds(long long bytes, double bytesPerSecond) const;

    AVRational m_timeBase;
    double m_containerBytesPerSecond;
    double m_expected = -1.0;        // where the next frame should begin
    double m_reached = -1.0;
    double m_refusedSeconds = 0.0;   // since the last frame, by the refused packets' timestamps
    double m_refusedBytesSeconds = 0.0;  // the same, by their bytes
    double m_lastPacketSeconds = 0.0;
    int m_lastPacketSize = 0;
    long long m_lastPacketEnd = -1;  // where the last packet sent ends in the file
    long long m_endAtFrame = -1;     // where the last packet ended when the last frame came
    long long m_goodBytes = 0;       // of the packets the decoder took, for the stream's byte rate
    double m_goodSeconds = 0.0;
    int m_refused = 0;
    int m_refusedAtFrame = 0;  // m_refused when the last frame came
    int m_sampleRate = 0;      // the last frame's
    double m_lostSeconds = 0.0;
};
