#pragma once

#include "testserver/tds/byte_writer.h"
#include "testserver/tds/packet_channel.h"

namespace testserver::tds {

// Collects the tokens of one response and sends them as tabular-result
// packets as soon as a packet is full, so that a large result never waits
// whole in memory and an attention (cancel) from the client is noticed
// between packets.
class ResponseStream {
public:
    explicit ResponseStream(PacketChannel& channel) : m_channel(channel) {}

    // Where tokens are appended.
    ByteWriter& out() noexcept { return m_buffer; }

    // Sends every full packet; afterwards checks for an attention.
    void flushFullPackets();
    // Sends what is left as the message's last packet.
    void finish();
    // True once the client has asked to cancel this response.
    bool cancelled() const noexcept { return m_cancelled; }
    // Records that the response carries the DONE with DONE_ATTN that answers
    // the cancel.
    void markAttentionAnswered() noexcept { m_answered = true; }
    // True when a cancel was read but the response ended without answering
    // it (it came while the last packets were sent); the caller then sends
    // the DONE_ATTN as a message of its own.
    bool attentionUnanswered() const noexcept { return m_cancelled && !m_answered; }

private:
    PacketChannel& m_channel;
    ByteWriter m_buffer;
    bool m_cancelled = false;
    bool m_answered = false;
};

} // namespace testserver::tds
