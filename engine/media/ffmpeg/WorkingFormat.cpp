#include "media/ffmpeg/WorkingFormat.h"

WorkingFormat::WorkingFormat(int sampleRate, int channels)
    : m_rate(sampleRate)
{
    av_channel_layout_default(&m_layout, channels);
}
