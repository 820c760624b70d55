#include "testserver/tds/response_stream.h"

#include "testserver/tds/tds_constants.h"

namespace testserver::tds {

void ResponseStream::flushFullPackets() {
    std::size_t room = m_channel.packetDataSize();
    // Strictly greater: the last packet must carry data of its own.
    if (m_buffer.size() <= room)
        return;
    std::size_t sent = 0;
    std::string_view data = m_buffer.data();
    while (data.size() - sent > room) {
        m_channel.sendPacket(tds::TabularResult, data.substr(sent, room), false);
        sent += room;
    }
    m_buffer.erasePrefix(sent);
    if (!m_cancelled && m_channel.attentionArrived())
        m_cancelled = true;
}

void ResponseStream::finish() {
    flushFullPackets();
    m_channel.sendPacket(tds::TabularResult, m_buffer.data(), true);
    m_buffer.clear();
}

} // namespace testserver::tds
