#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace codepage {

bool isValidUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        // Skip ASCII runs quickly: most paths are plain ASCII.
        if (*p < 0x80) {
            ++p;
            continue;
        }
        unsigned c = *p;
        int extra;
        unsigned min;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        unsigned cp = c & (0x3F >> extra);
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

namespace {

// One converter per thread; iconv descriptors keep shift state and are not
// safe to share.
class Cp932Decoder {
public:
    Cp932Decoder()
        : cd_(iconv_open("UTF-8", "CP932")) {}
    ~Cp932Decoder() {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Cp932Decoder(const Cp932Decoder&) = delete;
    Cp932Decoder& operator=(const Cp932Decoder&) = delete;

    // Converts; bytes that are not CP932 become U+FFFD and clear `ok`.
    QString decode(QByteArrayView bytes, bool& ok) {
        ok = true;
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            ok = false;
            return QString::fromLatin1(bytes.data(), bytes.size());
        }
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::vector<char> out(static_cast<size_t>(bytes.size()) * 3 + 16);
        char* in = const_cast<char*>(bytes.data());
        size_t inLeft = static_cast<size_t>(bytes.size());
        char* o = out.data();
        size_t outLeft = out.size();
        static const char kReplacement[] = "\xEF\xBF\xBD";
        while (inLeft > 0) {
            if (iconv(cd_, &in, &inLeft, &o, &outLeft) != static_cast<size_t>(-1))
                break;
            if (errno == E2BIG)
                break; // cannot happen: three output bytes per input byte suffice
            ok = false;
            // EILSEQ or EINVAL: replace one byte and go on.
            if (outLeft < 3)
                break;
            memcpy(o, kReplacement, 3);
            o += 3;
            outLeft -= 3;
            ++in;
            --inLeft;
        }
        return QString::fromUtf8(out.data(), static_cast<qsizetype>(o - out.data()));
    }

private:
    iconv_t cd_;
};

} // namespace

QString decodeLine(QByteArrayView bytes, bool* ok) {
    if (isValidUtf8(bytes)) {
        if (ok)
            *ok = true;
        return QString::fromUtf8(bytes.data(), bytes.size());
    }
    thread_local Cp932Decoder decoder;
    bool good = false;
    QString text = decoder.decode(bytes, good);
    if (ok)
        *ok = good;
    return text;
}

QByteArray encodeLine(const QString& text) {
    return text.toUtf8();
}

QByteArrayView skipBom(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return bytes.sliced(3);
    return bytes;
}

} // namespace codepage
