// The unique ids of one mailbox listing, as sorted 64-bit hashes.
#include "pop3/UniqueIds.h"

#include <algorithm>

namespace vexil {

namespace {

// FNV-1a over the id's bytes, then a final mix so that ids differing only in
// their last characters (as servers number them) spread over all 64 bits.
std::uint64_t HashId(std::string_view id) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (const char c : id) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ULL;
    }
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

}  // namespace

void TUniqueIds::Begin(std::size_t expected) {
    hashes_.clear();
    hashes_.reserve(std::min(expected, kMaxIds));
    open_ = true;
    known_ = false;
}

void TUniqueIds::Add(std::string_view id) {
    if (!open_) return;
    if (id.empty() || hashes_.size() >= kMaxIds) {
        Forget();
        return;
    }
    hashes_.push_back(HashId(id));
}

void TUniqueIds::End() {
    if (!open_) return;
    open_ = false;
    std::sort(hashes_.begin(), hashes_.end());
    hashes_.erase(std::unique(hashes_.begin(), hashes_.end()), hashes_.end());
    hashes_.shrink_to_fit();
    known_ = true;
}

void TUniqueIds::Forget() {
    std::vector<std::uint64_t>().swap(hashes_);
    open_ = false;
    known_ = false;
}

bool TUniqueIds::HasIdNotIn(const TUniqueIds& previous) const {
    // Both are sorted: one walk over the two.
    auto p = previous.hashes_.begin();
    const auto pEnd = previous.hashes_.end();
    for (const std::uint64_t h : hashes_) {
        while (p != pEnd && *p < h) ++p;
        if (p == pEnd || *p != h) return true;
    }
    return false;
}

}  // namespace vexil
