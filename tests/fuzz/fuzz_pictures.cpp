// libFuzzer entry over the three picture decoders.  A decoder may refuse any
// input with EPictureError; anything else (a crash, a sanitizer report, another
// exception, or a picture that breaks its own invariants) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "skin/Picture.h"

namespace {

void Check(const vexil::TPicture& picture) {
    if (picture.Empty() || picture.DelaysMs.size() != picture.Frames.size()) std::abort();
    for (const vexil::TImage32& frame : picture.Frames) {
        if (frame.Width() != picture.Width() || frame.Height() != picture.Height()) std::abort();
        if (frame.Pixels().size() != static_cast<std::size_t>(frame.Width()) * frame.Height()) std::abort();
    }
}

template <typename Decoder>
void Run(Decoder decode, const std::uint8_t* data, std::size_t size) {
    try {
        Check(decode(data, size));
    } catch (const vexil::EPictureError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Run(vexil::DecodeBmp, data, size);
    Run(vexil::DecodeGif, data, size);
    Run(vexil::DecodeIco, data, size);
    return 0;
}
