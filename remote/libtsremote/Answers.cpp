#include "Answers.h"

#include <cstring>

namespace tsremote {

bool RecordData::read(tsrwire::Reader& reader) {
    return reader.bytes(m_copy.data(), m_copy.size());
}

void RecordData::commit() const {
    std::memcpy(m_out, m_copy.data(), m_copy.size());
}

bool ListingData::read(tsrwire::Reader& reader) {
    const auto n = reader.i32();
    if (!n || *n < 0 || *n > m_capacity ||
        reader.left() != static_cast<std::size_t>(*n) * m_itemSize)
        return false;
    if (*n > 0 && !reader.bytes(m_items, static_cast<std::size_t>(*n) * m_itemSize))
        return false;
    *m_count = *n;
    return true;
}

Answer decodeAnswer(const std::vector<std::uint8_t>& payload, AnswerData& data) {
    tsrwire::Reader reader(payload.data(), payload.size());
    const auto result = reader.i32();
    const auto error = reader.text();
    Answer a;
    if (!result || !error)
        return a;
    if (*result != 0) {
        a.wellFormed = true;
        a.result = *result;
        a.error = *error;
        return a;
    }
    if (!data.read(reader) || !reader.ok() || reader.left() != 0)
        return a;
    a.wellFormed = true;
    a.result = 0;
    return a;
}

} // namespace tsremote
