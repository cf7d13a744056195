#include "pipeline/DecodeLoop.h"

#include "media/SourceFile.h"

DecodeLoop::DecodeLoop(SourceFile &source)
    : m_source(source)
    , m_handlers(size_t(std::max(0, source.streamCount())))
{
}

void DecodeLoop::take(int stream, Handler handler)
{
    m_handlers.at(size_t(stream)) = std::move(handler);
}

DecodeLoop::End DecodeLoop::run()
{
    if (!m_packet.valid())
        return End::Refused;
    while (m_source.read(m_packet)) {
        if (m_stopRequested && m_stopRequested())
            return End::Stopped;
        const size_t stream = size_t(m_packet.streamIndex());
        if (stream < m_handlers.size() && m_handlers[stream] && !m_handlers[stream](m_packet))
            return End::Refused;
        if (m_position)
            m_position(m_source.position());
    }
    return End::Read;
}
