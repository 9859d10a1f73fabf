// The bStr form: SpclSerialInt length, then the characters.
#include <climits>
#include <cstdint>
#include <string>
#include <utility>

#include "BasePktCtrl.h"
#include "BinaryFieldCodec.h"
#include "FuncInfo.h"
#include "bStr.h"

namespace {

// Texts up to the first piece are read into their string at once; longer
// ones, when their bytes are not all there, into a buffer that grows with the
// bytes that arrived (a piece at most as large as what is already there), so
// a length that a peer only claims costs no more than the first piece.
// (While tracing, texts above SmallText first ask for the bytes left, as
// they always did.)
constexpr int SmallText = 256;
constexpr int FirstPiece = 4096;

int ReadLongText(BasePktCtrl& c, bStr& v, int len) {
    std::string text;
    int got = 0;
    while (got < len) {
        int piece = len - got;
        int limit = got > FirstPiece ? got : FirstPiece;
        if (piece > limit) piece = limit;
        text.resize(static_cast<std::size_t>(got) + static_cast<std::size_t>(piece));
        int rc = c.MoveBytes(text.data() + got, piece);
        if (rc > 0) return rc + (len - got - piece);
        if (rc != 0) return rc;
        got += piece;
    }
    v = bStr::FromBytes(text.data(), len);
    return 0;
}

}  // namespace

int _serialize(BasePktCtrl& c, bStr& v) {
    MXR_FRAME("bStr", "_serialize", 2, "PktSerializeString.c");
    const BasePktCtrl::enDirection dir = c.GetDirection();
    if (dir == BasePktCtrl::BADDIR) return 0;
    if (dir == BasePktCtrl::INTOPKT) {
        const int len = v.StrLen();
        SpclSerialInt wireLen(static_cast<unsigned long>(len));
        int rc = MxrMoveCount(c, wireLen);
        // Packing only reads from the buffer.
        if (len > 0) {
            int rcText = c.MoveBytes(const_cast<char*>(v.StrVal()), len);
            if (rc == 0) rc = rcText;
        }
        return rc;
    }
    return MxrReadText(c, v);
}

int MxrReadText(BasePktCtrl& c, bStr& v) {
    SpclSerialInt wireLen;
    if (int rc = MxrMoveCount(c, wireLen)) return rc;
    // No text is 2 GiB long: such a length is malformed, and reading on would
    // take the text's bytes for the fields behind it.
    if (wireLen.value > static_cast<std::uint32_t>(INT32_MAX)) return -1;
    const int len = static_cast<int>(wireLen.value);
    if (len == 0) return 0;  // the string stays as it was
    // All of it in the window: made from the bytes in place.
    bool writing = false;
    if (const char* at = c.Window(len, &writing)) {
        v = bStr::FromBytes(at, len);  // every byte, NUL bytes too
        c.Advance(len);
        return 0;
    }
    // Short texts, and while tracing is off any text up to the first piece,
    // are read straight into their string (a length that only claims its
    // bytes costs no more than a first piece); a longer one when all of it
    // is there.
    if (len <= SmallText || (!FuncInfo::MayTrace() && len <= FirstPiece) || c.GetRemainingByteCnt() >= len) {
        char* text = nullptr;
        bStr read = bStr::OfLength(len, &text);
        if (int rc = c.MoveBytes(text, len)) return rc;
        v = std::move(read);
        return 0;
    }
    return ReadLongText(c, v, len);
}
