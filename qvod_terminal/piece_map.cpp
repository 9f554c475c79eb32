#include "piece_map.h"

#include "shared/hex.h"

#include <algorithm>

namespace kelvara {

namespace {

constexpr int kMostPieces = 65536;
constexpr int64_t kLargestPiece = 16 * 1024 * 1024; // the size of a worker's buffer
constexpr int kFewestPieces = 32;
constexpr int64_t kSmallestHalvedPiece = 16 * 1024;

} // namespace

PieceMap::PieceMap(int64_t file_size, int64_t piece_size)
    : file_size_(file_size), piece_size_(std::max<int64_t>(piece_size, 1)),
      count_(int((file_size + piece_size_ - 1) / piece_size_)), bits_((size_t(count_) + 7) / 8) {}

int64_t PieceMap::length_of(int piece) const {
    return std::min(piece_size_, file_size_ - begin_of(piece));
}

void PieceMap::set(int piece) {
    if (has(piece))
        return;
    bits_[size_t(piece) / 8] |= uint8_t(1u << (piece % 8));
    ++have_count_;
    have_bytes_ += length_of(piece);
}

void PieceMap::clear() {
    std::fill(bits_.begin(), bits_.end(), 0);
    have_count_ = 0;
    have_bytes_ = 0;
}

int64_t PieceMap::contiguous_from(int64_t offset, int64_t most) const {
    if (offset >= file_size_)
        return 0;
    int piece = piece_at(offset);
    while (piece < count_ && has(piece) && begin_of(piece) - offset < most)
        ++piece;
    return std::min(begin_of(piece), file_size_) - offset;
}

std::string PieceMap::to_hex() const {
    return hex_of(bits_.data(), bits_.size());
}

bool PieceMap::from_hex(std::string_view hex) {
    if (hex.size() != bits_.size() * 2)
        return false;
    std::vector<uint8_t> bits(bits_.size());
    for (size_t i = 0; i < bits.size(); ++i) {
        const int high = hex_digit(static_cast<unsigned char>(hex[2 * i]));
        const int low = hex_digit(static_cast<unsigned char>(hex[2 * i + 1]));
        if (high < 0 || low < 0)
            return false;
        bits[i] = uint8_t(high * 16 + low);
    }
    if (count_ % 8 != 0 && !bits.empty() && (bits.back() >> (count_ % 8)) != 0)
        return false;
    clear();
    bits_ = std::move(bits);
    for (int piece = 0; piece < count_; ++piece) {
        if (has(piece)) {
            ++have_count_;
            have_bytes_ += length_of(piece);
        }
    }
    return true;
}

int64_t choose_piece_size(int64_t file_size, int64_t wanted) {
    int64_t piece = std::clamp<int64_t>(wanted, 4096, kLargestPiece);
    while ((file_size + piece - 1) / piece > kMostPieces && piece < kLargestPiece)
        piece *= 2;
    while ((file_size + piece - 1) / piece < kFewestPieces && piece / 2 >= kSmallestHalvedPiece)
        piece /= 2;
    return piece;
}

} // namespace kelvara
