#pragma once

#include "TsrWire.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How the library reads a client's answer: the result and error text first, then the
// data of a successful call. Nothing the client sends is trusted: a malformed answer
// is BadAnswer and leaves the caller's memory untouched.
namespace tsremote {

inline constexpr std::int32_t BadAnswerResult = -3;

struct Answer {
    bool wellFormed = false;
    std::int32_t result = BadAnswerResult;
    std::string error; // the client's text of a failed call
};

// The data part of an answer; false when it is malformed.
class AnswerData {
public:
    virtual ~AnswerData() = default;
    virtual bool read(tsrwire::Reader& reader) = 0;
};

// No data: a command.
class NoData final : public AnswerData {
public:
    bool read(tsrwire::Reader&) override { return true; }
};

// A fixed-size record, taken over only when the whole answer is good.
class RecordData final : public AnswerData {
public:
    RecordData(void* out, std::size_t size) : m_out(out), m_copy(size) {}
    bool read(tsrwire::Reader& reader) override;
    void commit() const;

private:
    void* m_out;
    std::vector<std::uint8_t> m_copy;
};

// A listing: a count, then that many items; never more than the caller has room for.
class ListingData final : public AnswerData {
public:
    ListingData(void* items, std::size_t itemSize, std::int32_t capacity, std::int32_t* count)
        : m_items(items), m_itemSize(itemSize), m_capacity(capacity), m_count(count) {}
    bool read(tsrwire::Reader& reader) override;

private:
    void* m_items;
    std::size_t m_itemSize;
    std::int32_t m_capacity;
    std::int32_t* m_count;
};

// Decodes one answer payload. A successful result with data that fails to read, or
// with bytes left over, makes the whole answer malformed.
Answer decodeAnswer(const std::vector<std::uint8_t>& payload, AnswerData& data);

} // namespace tsremote
