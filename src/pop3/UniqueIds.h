// The unique ids of one mailbox listing ("UIDL"), kept to tell new messages
// from ones already seen.  Each id is held as a 64-bit hash, sorted: eight
// bytes per message whatever the server's ids look like, and a comparison of
// two listings in one pass.  Two different ids with the same hash would only
// make one new message pass for seen; at 64 bits that takes billions of ids.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vexil {

class TUniqueIds {
public:
    // The most ids one listing may leave in memory; a listing with more keeps
    // none (Known false), and new mail is then judged by the count.
    static constexpr std::size_t kMaxIds = 1000000;

    // Starts a listing of about `expected` ids.
    void Begin(std::size_t expected = 0);
    // One id of the listing.  An empty id, or more than kMaxIds, makes the
    // listing unknown.
    void Add(std::string_view id);
    // The listing is complete; until then, and after Forget, Known is false.
    void End();
    // The listing cannot be used (the server refused it, or a line was not
    // an id): memory is released.
    void Forget();

    bool Known() const { return known_; }
    std::size_t Size() const { return hashes_.size(); }
    // Whether this listing holds an id that `previous` does not.  Both must
    // be known.
    bool HasIdNotIn(const TUniqueIds& previous) const;

private:
    std::vector<std::uint64_t> hashes_;
    bool open_ = false;   // between Begin and End, still usable
    bool known_ = false;
};

}  // namespace vexil
