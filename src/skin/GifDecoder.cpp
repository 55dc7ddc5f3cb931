// GIF decoding for skin pictures, animated ones included.  Each frame is
// composed onto the logical screen the way browsers show it, so every entry of
// TPicture::Frames is the whole picture at that moment and the caller can show
// any frame on its own.  Damaged files keep what could be decoded: a skin with a
// cut-off animation should still show its first frames.
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "skin/Picture.h"
#include "skin/PictureBytes.h"

namespace vexil {

namespace {

const char* const kGifError = "GIF image is not valid.";

constexpr TColor32 kClear = 0x00000000u;  // the screen before the first frame and after disposal 2
// All frames together, so that many frames on a large screen stay bounded.
constexpr std::size_t kMaxStoredPixels = std::size_t{1} << 25;
// Pixels run through the LZW decoder over the whole file, however many are seen.
constexpr std::uint64_t kMaxDecodedPixels = std::uint64_t{1} << 27;
constexpr int kMaxCodes = 4096;

enum TDisposal { kDisposeNone = 0, kDisposeKeep = 1, kDisposeBackground = 2, kDisposePrevious = 3 };

// The LZW codes of one image, read across its data sub-blocks.
class TCodeReader {
public:
    TCodeReader(const TPictureBytes& bytes, std::size_t pos) : b_(bytes), pos_(pos) {}

    // The next code of `bits` bits, or -1 when the data ends.
    int Read(int bits) {
        while (count_ < bits) {
            if (left_ == 0) {
                if (ended_) return -1;
                if (!b_.Has(pos_, 1)) return Truncate();
                left_ = b_.U8(pos_++);
                if (left_ == 0) {  // the block terminator
                    ended_ = true;
                    return -1;
                }
            }
            if (!b_.Has(pos_, 1)) return Truncate();
            acc_ |= static_cast<std::uint32_t>(b_.U8(pos_++)) << count_;
            count_ += 8;
            --left_;
        }
        const int code = static_cast<int>(acc_ & ((1u << bits) - 1u));
        acc_ >>= bits;
        count_ -= bits;
        return code;
    }

    // Moves past the sub-blocks the decoder did not need.  Returns false when
    // the file ends first; otherwise next is the first byte after them.
    bool SkipRest(std::size_t& next) {
        if (truncated_) return false;
        if (!ended_) {
            std::size_t pos = pos_ + left_;
            for (;;) {
                if (!b_.Has(pos, 1)) return false;
                const std::size_t n = b_.U8(pos);
                pos += 1 + n;
                if (n == 0) break;
            }
            pos_ = pos;
        }
        next = pos_;
        return true;
    }

private:
    int Truncate() {
        ended_ = truncated_ = true;
        return -1;
    }

    const TPictureBytes& b_;
    std::size_t pos_;
    std::size_t left_ = 0;  // bytes left in the current sub-block
    std::uint32_t acc_ = 0;
    int count_ = 0;
    bool ended_ = false, truncated_ = false;
};

struct TFrame {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Interlaced = false;
    const std::vector<TColor32>* Colors = nullptr;
    int Transparent = -1;
};

// Writes one image's pixels onto the screen in stored order, clipped to the
// screen, leaving transparent ones alone.
class TPixelSink {
public:
    TPixelSink(const TFrame& f, TImage32& screen) : f_(f), screen_(screen) {
        total_ = static_cast<std::uint64_t>(f.Width) * f.Height;
        rows_.reserve(f.Height);
        if (f.Interlaced) {
            static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = kStart[pass]; y < f.Height; y += kStep[pass]) rows_.push_back(y);
        } else {
            for (int y = 0; y < f.Height; ++y) rows_.push_back(y);
        }
    }

    // False once the image is full.
    bool Put(unsigned index) {
        const int x = f_.Left + x_, y = f_.Top + rows_[row_];
        if (static_cast<int>(index) != f_.Transparent && x < screen_.Width() && y < screen_.Height()) {
            const std::vector<TColor32>& colors = *f_.Colors;
            screen_.SetPixel(x, y, index < colors.size() ? colors[index] : kOpaque);
        }
        if (++x_ == f_.Width) {
            x_ = 0;
            ++row_;
        }
        return ++written_ < total_;
    }
    std::uint64_t Written() const { return written_; }
    bool Full() const { return written_ >= total_; }

private:
    const TFrame& f_;
    TImage32& screen_;
    std::vector<int> rows_;
    std::uint64_t total_ = 0, written_ = 0;
    int x_ = 0;
    std::size_t row_ = 0;
};

// Variable-length LZW as GIF uses it: codes grow from minCodeSize + 1 bits up
// to 12, a clear code restarts the table, and a full table is kept as it is
// until the next clear.  Stops quietly at the end code, at the end of the data,
// at a code that cannot occur, when the image is full, or when budget pixels
// have been written.
void DecodeLzw(TCodeReader& reader, int minCodeSize, TPixelSink& sink, std::uint64_t budget) {
    const int clear = 1 << minCodeSize, end = clear + 1;
    std::uint16_t prefix[kMaxCodes];
    std::uint8_t suffix[kMaxCodes], first[kMaxCodes];
    std::uint8_t stack[kMaxCodes + 1];
    for (int c = 0; c < clear; ++c) {
        prefix[c] = 0;
        suffix[c] = first[c] = static_cast<std::uint8_t>(c);
    }

    int codeSize = minCodeSize + 1, next = clear + 2, prev = -1;
    for (;;) {
        const int code = reader.Read(codeSize);
        if (code < 0 || code == end) return;
        if (code == clear) {
            codeSize = minCodeSize + 1;
            next = clear + 2;
            prev = -1;
            continue;
        }

        int top = 0, cur;
        if (prev < 0) {
            if (code > clear) return;  // a table code before the table has any
            cur = code;
        } else if (code < next) {
            cur = code;
        } else if (code == next) {
            // The code being defined right now: the previous string plus its
            // own first character.
            stack[top++] = first[prev];
            cur = prev;
        } else {
            return;
        }
        while (cur > end) {
            stack[top++] = suffix[cur];
            cur = prefix[cur];
        }
        stack[top++] = static_cast<std::uint8_t>(cur);

        if (prev >= 0 && next < kMaxCodes) {
            prefix[next] = static_cast<std::uint16_t>(prev);
            suffix[next] = stack[top - 1];
            first[next] = first[prev];
            ++next;
            if (next >= (1 << codeSize) && codeSize < 12) ++codeSize;
        }
        prev = code;

        while (top > 0) {
            if (!sink.Put(stack[--top]) || sink.Written() >= budget) return;
        }
    }
}

std::vector<TColor32> ReadColorTable(const TPictureBytes& b, std::size_t& pos, unsigned flags) {
    const std::size_t count = std::size_t{2} << (flags & 7u);
    const std::uint8_t* p = b.At(pos, count * 3);
    pos += count * 3;
    std::vector<TColor32> colors(count);
    for (std::size_t i = 0; i < count; ++i) colors[i] = Rgb(p[3 * i], p[3 * i + 1], p[3 * i + 2]);
    return colors;
}

// Moves past a chain of sub-blocks; false when the file ends inside it.
bool SkipSubBlocks(const TPictureBytes& b, std::size_t& pos) {
    for (;;) {
        if (!b.Has(pos, 1)) return false;
        const std::size_t n = b.U8(pos);
        pos += 1 + n;
        if (n == 0) return true;
    }
}

struct TControl {  // graphic control extension, valid for the next image only
    int Disposal = kDisposeNone;
    int DelayMs = 0;
    int Transparent = -1;
};

class TGifReader {
public:
    explicit TGifReader(const TPictureBytes& bytes) : b_(bytes) {}

    TPicture Read() {
        const std::uint8_t* head = b_.At(0, 13);
        if (std::memcmp(head, "GIF8", 4) != 0 || (head[4] != '7' && head[4] != '9') || head[5] != 'a')
            b_.Fail();
        screenWidth_ = b_.U16(6);
        screenHeight_ = b_.U16(8);
        const unsigned flags = b_.U8(10);
        pos_ = 13;
        if (flags & 0x80u) global_ = ReadColorTable(b_, pos_, flags);

        picture_.Format = TPictureFormat::Gif;
        picture_.LoopCount = 1;  // without a NETSCAPE block the animation plays once
        while (ReadBlock()) {
        }
        if (picture_.Frames.empty()) b_.Fail();
        return std::move(picture_);
    }

private:
    // False when reading stops: the trailer, the end of the data or a damaged
    // block.
    bool ReadBlock() {
        if (!b_.Has(pos_, 1)) return false;
        switch (b_.U8(pos_++)) {
            case 0x21:
                return ReadExtension();
            case 0x2C:
                return ReadImage();
            default:  // the trailer, or bytes that are no block at all
                return false;
        }
    }

    bool ReadExtension() {
        if (!b_.Has(pos_, 1)) return false;
        const unsigned label = b_.U8(pos_++);
        if (label == 0xF9 && b_.Has(pos_, 5) && b_.U8(pos_) >= 4) {
            const unsigned packed = b_.U8(pos_ + 1);
            control_.Disposal = static_cast<int>((packed >> 2) & 7u);
            control_.DelayMs = b_.U16(pos_ + 2) * 10;
            control_.Transparent = (packed & 1u) ? b_.U8(pos_ + 4) : -1;
        } else if (label == 0xFF && b_.Has(pos_, 16) && b_.U8(pos_) == 11 &&
                   (std::memcmp(b_.At(pos_ + 1, 11), "NETSCAPE2.0", 11) == 0 ||
                    std::memcmp(b_.At(pos_ + 1, 11), "ANIMEXTS1.0", 11) == 0) &&
                   b_.U8(pos_ + 12) >= 3 && b_.U8(pos_ + 13) == 1) {
            picture_.LoopCount = b_.U16(pos_ + 14);
        }
        return SkipSubBlocks(b_, pos_);
    }

    bool ReadImage() {
        if (!b_.Has(pos_, 9)) return false;
        TFrame f;
        f.Left = b_.U16(pos_);
        f.Top = b_.U16(pos_ + 2);
        f.Width = b_.U16(pos_ + 4);
        f.Height = b_.U16(pos_ + 6);
        const unsigned flags = b_.U8(pos_ + 8);
        pos_ += 9;
        f.Interlaced = (flags & 0x40u) != 0;
        std::vector<TColor32> local;
        if (flags & 0x80u) {
            if (!b_.Has(pos_, (std::size_t{2} << (flags & 7u)) * 3)) return false;
            local = ReadColorTable(b_, pos_, flags);
        }
        f.Colors = (flags & 0x80u) ? &local : &global_;
        f.Transparent = control_.Transparent;
        if (!b_.Has(pos_, 1)) return false;
        const int minCodeSize = b_.U8(pos_++);
        if (minCodeSize < 1 || minCodeSize > 11) return false;

        if (!PrepareScreen(f)) return false;
        TImage32 beforeFrame;
        if (control_.Disposal == kDisposePrevious) beforeFrame = screen_;

        TCodeReader reader(b_, pos_);
        TPixelSink sink(f, screen_);
        if (!sink.Full()) DecodeLzw(reader, minCodeSize, sink, kMaxDecodedPixels - decoded_);
        decoded_ += sink.Written();
        // An image with pixels of which none could be decoded is no frame.
        if (sink.Written() == 0 && !sink.Full()) return false;

        picture_.Frames.push_back(screen_);
        picture_.DelaysMs.push_back(control_.DelayMs);
        stored_ += static_cast<std::size_t>(screen_.Width()) * screen_.Height();

        disposal_ = control_.Disposal;
        lastRect_ = TRect{f.Left, f.Top, f.Left + f.Width, f.Top + f.Height};
        restore_ = std::move(beforeFrame);
        control_ = TControl{};
        return reader.SkipRest(pos_) && decoded_ < kMaxDecodedPixels;
    }

    // Creates the screen at the first image and undoes the previous image as
    // its disposal asks.  False when no further frame fits the memory bound.
    bool PrepareScreen(const TFrame& f) {
        if (screen_.Empty()) {
            // A zero screen size is taken from the first image.
            const int width = screenWidth_ > 0 ? screenWidth_ : f.Left + f.Width;
            const int height = screenHeight_ > 0 ? screenHeight_ : f.Top + f.Height;
            if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
                static_cast<std::uint64_t>(width) * height > kMaxPicturePixels)
                b_.Fail();
            screen_ = TImage32(width, height, kClear);
            return true;
        }
        if (stored_ + static_cast<std::size_t>(screen_.Width()) * screen_.Height() > kMaxStoredPixels)
            return false;
        if (disposal_ == kDisposeBackground)
            screen_.FillRect(lastRect_, kClear);
        else if (disposal_ == kDisposePrevious && !restore_.Empty())
            screen_ = restore_;
        return true;
    }

    const TPictureBytes& b_;
    std::size_t pos_ = 0;
    int screenWidth_ = 0, screenHeight_ = 0;
    std::vector<TColor32> global_;
    TPicture picture_;
    TImage32 screen_;
    TControl control_;
    int disposal_ = kDisposeNone;  // of the frame last drawn
    TRect lastRect_;
    TImage32 restore_;  // the screen before the last frame, for disposal 3
    std::size_t stored_ = 0;
    std::uint64_t decoded_ = 0;
};

}  // namespace

TPicture DecodeGif(const std::uint8_t* data, std::size_t size) {
    const TPictureBytes b(data, size, kGifError);
    return TGifReader(b).Read();
}

}  // namespace vexil
