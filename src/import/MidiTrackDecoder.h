#pragma once
#include "platform/core/Error.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace import {

// One event of a track chunk, as decoded: its absolute tick, status and data; the payload of a
// meta or system-exclusive event points into the file's bytes.
struct MidiEvent {
    uint64_t tick = 0;
    uint8_t status = 0;   // 0xFF meta, 0xF0/0xF7 system exclusive, else channel status
    uint8_t metaType = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    std::string_view payload; // meta and system-exclusive data
};

// Walks the events of one track chunk. Every read is bounds-checked: a track that ends inside an
// event stops there and says so. Kept inline: the reader calls next() once per event.
class MidiTrackDecoder {
public:
    explicit MidiTrackDecoder(std::string_view data) : m_data(data) { }

    // False at the end of the track (the end-of-track event, the chunk's end or a fault).
    bool next(MidiEvent& event)
    {
        if (m_done || m_position >= m_data.size())
            return false;
        uint32_t delta = 0;
        if (!readVariable(delta))
            return fail("ends in the middle of an event");
        m_tick += delta;
        if (m_position >= m_data.size())
            return fail("ends in the middle of an event");
        uint8_t byte = uint8_t(m_data[m_position]);
        uint8_t status;
        if (byte & 0x80) {
            status = byte;
            ++m_position;
        } else if (m_running) {
            status = m_running;
        } else {
            return fail("has a data byte where an event should start");
        }
        event = MidiEvent();
        event.tick = m_tick;
        event.status = status;
        if (status == 0xFF) {
            if (m_position >= m_data.size())
                return fail("ends in the middle of an event");
            event.metaType = uint8_t(m_data[m_position++]);
            if (!readPayload(event.payload))
                return fail("ends in the middle of an event");
            // Running status survives meta events: writers rely on it.
            if (event.metaType == 0x2F)
                m_done = true;
            return true;
        }
        if (status == 0xF0 || status == 0xF7) {
            if (!readPayload(event.payload))
                return fail("ends in the middle of an event");
            return true;
        }
        if (status >= 0xF1) {
            // System common and real-time messages do not belong in files; skip their data bytes.
            size_t length = status == 0xF2 ? 2 : (status == 0xF1 || status == 0xF3) ? 1 : 0;
            if (m_data.size() - m_position < length)
                return fail("ends in the middle of an event");
            m_position += length;
            return true;
        }
        m_running = status;
        size_t length = ((status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0) ? 1 : 2;
        if (m_data.size() - m_position < length)
            return fail("ends in the middle of an event");
        event.data1 = uint8_t(m_data[m_position]) & 0x7F;
        if (length == 2)
            event.data2 = uint8_t(m_data[m_position + 1]) & 0x7F;
        m_position += length;
        return true;
    }

    uint64_t tick() const { return m_tick; }
    const char* fault() const { return m_fault; }

private:
    bool fail(const char* why)
    {
        m_fault = why;
        m_done = true;
        return false;
    }

    bool readVariable(uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (m_position >= m_data.size())
                return false;
            uint8_t byte = uint8_t(m_data[m_position++]);
            value = (value << 7) | (byte & 0x7F);
            if (!(byte & 0x80))
                return true;
        }
        return false;
    }

    bool readPayload(std::string_view& payload)
    {
        uint32_t length = 0;
        if (!readVariable(length) || m_data.size() - m_position < length)
            return false;
        payload = m_data.substr(m_position, length);
        m_position += length;
        return true;
    }

    std::string_view m_data;
    size_t m_position = 0;
    uint64_t m_tick = 0;
    uint8_t m_running = 0;
    bool m_done = false;
    const char* m_fault = nullptr;
};

// A Standard MIDI File cut into its header's values and its track chunks (views into the bytes).
// Chunks that are shorter than their header says are read as far as they go, with a line in the
// report.
struct MidiChunks {
    int format = 0;
    int declaredTracks = 0;
    int division = 96;
    bool smpte = false;
    std::vector<std::string_view> tracks;
    std::vector<std::string> report;

    static core::Result<MidiChunks> split(std::string_view bytes);
    static uint32_t bigEndian(std::string_view bytes, size_t at, size_t count);
};

}
