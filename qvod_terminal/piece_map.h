#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara {

// Which pieces of a file are on disk. Every piece has the same size except
// the last, which holds the rest.
class PieceMap {
public:
    PieceMap() = default;
    PieceMap(int64_t file_size, int64_t piece_size);

    int64_t file_size() const { return file_size_; }
    int64_t piece_size() const { return piece_size_; }
    int count() const { return count_; }
    int64_t begin_of(int piece) const { return int64_t(piece) * piece_size_; }
    int64_t length_of(int piece) const;
    int piece_at(int64_t offset) const { return int(offset / piece_size_); }

    bool has(int piece) const { return bits_[size_t(piece) / 8] & (1u << (piece % 8)); }
    void set(int piece);
    void clear();
    int64_t have_bytes() const { return have_bytes_; }
    bool complete() const { return have_count_ == count_; }
    // Bytes on disk from `offset` up to the first missing piece; the count
    // stops at the first piece that reaches `most` bytes, so that a reader
    // of a film mostly on disk does not walk all of it on every read.
    int64_t contiguous_from(int64_t offset, int64_t most = INT64_MAX) const;

    // The bits as hexadecimal text (piece 0 in the lowest bit of the first
    // byte); reading fails on a text of the wrong length or with stray bits.
    std::string to_hex() const;
    bool from_hex(std::string_view hex);

private:
    int64_t file_size_ = 0;
    int64_t piece_size_ = 1;
    int count_ = 0;
    int have_count_ = 0;
    int64_t have_bytes_ = 0;
    std::vector<uint8_t> bits_;
};

// The piece size for a file: `wanted`, doubled until the file has at most
// 65536 pieces (so that the record stays small) or the piece is 16 MiB, and
// halved, down to 16 KiB, until a small file has at least 32: a read waits
// for a whole piece, so a film of one piece would play only once it is all
// there, and its progress would jump from nothing to all.
int64_t choose_piece_size(int64_t file_size, int64_t wanted);

} // namespace kelvara
